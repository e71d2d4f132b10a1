#include "ContentView.h"

#include "cart/CartStore.h"
#include "core/UserDefaults.h"
#include "NotificationOverlay.h"
#include "OfferHeaderView.h"
#include "offertable/PriceDisplay.h"
#include "offertable/UsefulResultsStatus.h"
#include "OfferTableModel.h"
#include "OfferTableView.h"
#include "search/SearchViewModel.h"
#include "SearchMoodView.h"
#include "StatusRowView.h"
#include "UiIcons.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <limits>

namespace {

constexpr int kDurationIconSize = 14;
constexpr int kPlaceholderIconSize = 44;
constexpr int kErrorIconSize = 22;

QString notAvailableYet(const QString& what) {
    return what + QStringLiteral(" пока недоступно в этой версии Orelia");
}

QLabel* iconLabel(void (*paint)(QPainter&, const QRectF&, const QColor&), int size, const QColor& color,
                  QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setPixmap(UiIcons::pixmap(paint, size, color, parent->devicePixelRatioF()));
    label->setFixedSize(size, size);
    return label;
}

} // namespace

ContentView::ContentView(SearchViewModel& viewModel, UserDefaults& defaults, CartStore& cart, QWidget* parent)
    : QWidget(parent)
    , m_viewModel(viewModel)
    , m_defaults(defaults)
    , m_cart(cart)
    , m_settings(storedOfferTableSettings(defaults)) {
    m_mood = new SearchMoodView(this);
    m_model = new OfferTableModel(cart, this);
    m_table = new OfferTableView(*m_model, this);
    m_statusRow = new StatusRowView(this);

    auto* results = new QWidget(this);
    auto* resultsLayout = new QVBoxLayout(results);
    resultsLayout->setContentsMargins(0, 0, 0, 0);
    resultsLayout->setSpacing(6);
    resultsLayout->addWidget(m_statusRow);
    resultsLayout->addWidget(makeFailuresLine(results));
    resultsLayout->addWidget(m_table, 1);

    m_pages = new QStackedWidget(this);
    m_pages->addWidget(new QWidget(this)); // Page::empty
    m_pages->addWidget(makeErrorPage());
    m_pages->addWidget(makePlaceholderPage());
    m_pages->addWidget(results);

    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 12);
    layout->setSpacing(8);
    layout->addWidget(makeSearchBar());
    layout->addWidget(m_mood);
    layout->addWidget(divider);
    layout->addWidget(m_pages, 1);

    m_overlay = new NotificationOverlay(this);

    connect(&m_viewModel, &SearchViewModel::articleChanged, this, [this] {
        if (m_field->text() != m_viewModel.article())
            m_field->setText(m_viewModel.article());
    });
    connect(&m_viewModel, &SearchViewModel::offersChanged, this, &ContentView::refreshTable);
    connect(&m_viewModel, &SearchViewModel::isLoadingChanged, this, &ContentView::updateLoading);
    connect(&m_viewModel, &SearchViewModel::errorMessageChanged, this, &ContentView::updatePage);
    connect(&m_viewModel, &SearchViewModel::statusMessageChanged, this, &ContentView::updatePage);
    connect(&m_viewModel, &SearchViewModel::supplierFailuresChanged, this, &ContentView::updatePage);
    connect(&m_viewModel, &SearchViewModel::searchDurationDisplayChanged, this, &ContentView::updateDuration);
    connect(&m_cart, &CartStore::changed, this, &ContentView::updateCartButton);

    connect(m_table->offerHeader(), &QHeaderView::sectionClicked, this, &ContentView::sortByHeader);
    connect(m_table, &OfferTableView::copyRequested, this, &ContentView::copyValue);
    connect(m_table, &OfferTableView::addToCartRequested, this, &ContentView::addToCart);
    connect(m_statusRow, &StatusRowView::showAllToggled, this, &ContentView::toggleShowAll);
    connect(m_statusRow, &StatusRowView::rejectFilterChanged, this, &ContentView::setRejectFilterEnabled);
    connect(m_statusRow, &StatusRowView::rejectThresholdChanged, this, &ContentView::setRejectThreshold);

    auto* focusField = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_L), this);
    connect(focusField, &QShortcut::activated, this, &ContentView::focusSearchField);

    m_field->setText(m_viewModel.article());
    updateCartButton();
    updateDuration();
    updateLoading();
    refreshTable();
    m_field->setFocus();
}

ContentView::~ContentView() = default;

QWidget* ContentView::makeSearchBar() {
    auto* bar = new QWidget(this);
    m_field = new QLineEdit(bar);
    m_field->setPlaceholderText(QStringLiteral("OEM / артикул"));
    m_field->setClearButtonEnabled(true);
    m_field->setMinimumWidth(220);
    m_searchButton = new QPushButton(QStringLiteral("Найти"), bar);

    m_durationIcon = iconLabel(UiIcons::paintTimer, kDurationIconSize, palette().color(QPalette::PlaceholderText), bar);
    m_durationText = new QLabel(bar);
    m_durationText->setForegroundRole(QPalette::PlaceholderText);

    m_feedback.button = new QPushButton(QStringLiteral("Обратная связь"), bar);
    m_settingsSheet.button = new QPushButton(QStringLiteral("Настройки"), bar);
    m_cartSheet.button = new QPushButton(QStringLiteral("Открыть корзину"), bar);
    const std::pair<Sheet, QString> sheets[] = {{Sheet::feedback, QStringLiteral("Обратная связь")},
                                                {Sheet::settings, QStringLiteral("Окно настроек")},
                                                {Sheet::cart, QStringLiteral("Окно корзины")}};
    for (const auto& [sheet, what] : sheets) {
        QPushButton* button = slot(sheet).button;
        button->setEnabled(false);
        button->setToolTip(notAvailableYet(what));
        connect(button, &QPushButton::clicked, this, [this, sheet = sheet] { openSheet(sheet); });
    }

    auto* layout = new QHBoxLayout(bar);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(m_field, 1);
    layout->addWidget(m_searchButton);
    layout->addSpacing(4);
    layout->addWidget(m_durationIcon);
    layout->addWidget(m_durationText);
    layout->addSpacing(8);
    layout->addWidget(m_feedback.button);
    layout->addWidget(m_settingsSheet.button);
    layout->addWidget(m_cartSheet.button);

    connect(m_field, &QLineEdit::textEdited, &m_viewModel, &SearchViewModel::setArticle);
    connect(m_field, &QLineEdit::returnPressed, &m_viewModel, &SearchViewModel::search);
    connect(m_searchButton, &QPushButton::clicked, &m_viewModel, &SearchViewModel::search);
    return bar;
}

// Suppliers that failed while others answered: the table alone would not tell the user
// that a supplier is missing from it.
QWidget* ContentView::makeFailuresLine(QWidget* parent) {
    m_failuresLine = new QWidget(parent);
    auto* icon = iconLabel(UiIcons::paintWarningTriangle, 14, QColor(230, 150, 0), m_failuresLine);
    m_failuresText = new QLabel(m_failuresLine);
    m_failuresText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_failuresText->setWordWrap(true);
    m_failuresText->setForegroundRole(QPalette::PlaceholderText);
    auto* layout = new QHBoxLayout(m_failuresLine);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addWidget(icon, 0, Qt::AlignTop);
    layout->addWidget(m_failuresText, 1);
    m_failuresLine->hide();
    return m_failuresLine;
}

QWidget* ContentView::makeErrorPage() {
    auto* page = new QWidget(this);
    auto* icon = iconLabel(UiIcons::paintWarningTriangle, kErrorIconSize, QColor(230, 150, 0), page);
    m_errorText = new QLabel(page);
    m_errorText->setWordWrap(true);
    m_errorText->setTextFormat(Qt::PlainText);
    m_errorText->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

    auto* row = new QHBoxLayout;
    row->setSpacing(10);
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addWidget(m_errorText, 1);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(4, 12, 4, 4);
    layout->addLayout(row);
    layout->addStretch(1);
    return page;
}

QWidget* ContentView::makePlaceholderPage() {
    m_placeholder = new QWidget(this);
    const QColor dim = palette().color(QPalette::PlaceholderText);
    auto* icon = iconLabel(UiIcons::paintMagnifyingGlass, kPlaceholderIconSize, dim, m_placeholder);
    auto* title = new QLabel(QStringLiteral("Введите OEM-номер или артикул"), m_placeholder);
    QFont titleFont = title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() + 3);
    titleFont.setWeight(QFont::DemiBold);
    title->setFont(titleFont);
    auto* subtitle = new QLabel(QStringLiteral("Результаты поиска появятся здесь."), m_placeholder);
    subtitle->setForegroundRole(QPalette::PlaceholderText);
    // What the last search said when it found nothing ("По артикулу … не найдены").
    m_placeholderStatus = new QLabel(m_placeholder);
    m_placeholderStatus->setForegroundRole(QPalette::PlaceholderText);
    m_placeholderStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_placeholderStatus->setWordWrap(true);
    m_placeholderStatus->setAlignment(Qt::AlignCenter);

    auto* layout = new QVBoxLayout(m_placeholder);
    layout->addStretch(1);
    layout->addWidget(icon, 0, Qt::AlignHCenter);
    layout->addSpacing(8);
    layout->addWidget(title, 0, Qt::AlignHCenter);
    layout->addWidget(subtitle, 0, Qt::AlignHCenter);
    layout->addSpacing(6);
    layout->addWidget(m_placeholderStatus);
    layout->addStretch(2);
    return m_placeholder;
}

ContentView::SheetSlot& ContentView::slot(Sheet sheet) {
    switch (sheet) {
    case Sheet::feedback:
        return m_feedback;
    case Sheet::settings:
        return m_settingsSheet;
    case Sheet::cart:
        break;
    }
    return m_cartSheet;
}

const ContentView::SheetSlot& ContentView::slot(Sheet sheet) const {
    return const_cast<ContentView*>(this)->slot(sheet);
}

QPushButton* ContentView::sheetButton(Sheet sheet) const {
    return slot(sheet).button;
}

void ContentView::attachSheet(Sheet sheet, SheetFactory factory) {
    SheetSlot& s = slot(sheet);
    s.factory = std::move(factory);
    s.button->setEnabled(static_cast<bool>(s.factory));
    s.button->setToolTip(QString());
}

bool ContentView::isShowingSheet(Sheet sheet) const {
    return slot(sheet).showing;
}

void ContentView::openSheet(Sheet sheet) {
    SheetSlot& s = slot(sheet);
    if (!s.factory || s.showing)
        return;
    QDialog* dialog = s.factory(window());
    if (!dialog)
        return;
    s.showing = true;
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    // Esc rejects a dialog by itself; whatever closes it, the table picks up changed settings.
    connect(dialog, &QDialog::finished, this, [this, sheet] {
        slot(sheet).showing = false;
        refreshTable();
    });
    dialog->open();
}

void ContentView::focusSearchField() {
    m_field->setFocus(Qt::ShortcutFocusReason);
    m_field->selectAll();
}

ContentView::Page ContentView::currentPage() const {
    return static_cast<Page>(m_pages->currentIndex());
}

void ContentView::refreshTable() {
    m_settings.offerSortOrder = m_sortState.offerSortOrder();
    m_snapshot = makeOffersSnapshot(m_viewModel.offers(), m_settings);
    m_model->setRows(m_snapshot.displayed, PriceDisplay::storedMarkupPercent(m_defaults));
    m_statusRow->showStatus(UsefulResultsStatus::of(m_snapshot, m_settings), m_settings);
    m_table->offerHeader()->setSortState(OfferTableModel::columnOf(m_sortState.pfOfferSortColumn()),
                                         m_sortState.pfOfferSortAscending());
    updatePage();
}

void ContentView::sortByHeader(int section) {
    const auto column = OfferTableModel::sortColumn(section);
    if (!column)
        return;
    m_sortState.pfSortOffers(*column);
    refreshTable();
}

void ContentView::toggleShowAll() {
    m_settings.showingAllOffers = !m_settings.showingAllOffers;
    refreshTable();
}

void ContentView::setRejectFilterEnabled(bool enabled) {
    m_settings.rejectFilterEnabled = enabled;
    m_defaults.setBool(UserDefaultsKeys::rejectFilterEnabled, enabled);
    refreshTable();
}

void ContentView::setRejectThreshold(double threshold) {
    m_settings.rejectThreshold = threshold;
    m_defaults.setDouble(UserDefaultsKeys::rejectThreshold, threshold);
    refreshTable();
}

void ContentView::updateLoading() {
    const bool loading = m_viewModel.isLoading();
    m_searchButton->setEnabled(!loading);
    m_mood->setVisible(loading);
    if (loading)
        m_mood->start();
    else
        m_mood->stop();
    updatePage();
}

void ContentView::updatePage() {
    Page page = Page::results;
    if (m_viewModel.isLoading())
        page = Page::empty;
    else if (!m_viewModel.errorMessage().isNull())
        page = Page::error;
    else if (m_viewModel.offers().isEmpty())
        page = Page::placeholder;
    m_errorText->setText(m_viewModel.errorMessage());
    m_placeholderStatus->setText(m_viewModel.statusMessage());
    m_placeholderStatus->setVisible(!m_viewModel.statusMessage().isEmpty());
    const QStringList& failures = m_viewModel.supplierFailures();
    m_failuresText->setText(failures.join(u'\n'));
    m_failuresLine->setVisible(!failures.isEmpty());
    m_pages->setCurrentIndex(static_cast<int>(page));
}

void ContentView::updateDuration() {
    const QString text = m_viewModel.searchDurationDisplay();
    m_durationText->setText(text);
    m_durationText->setVisible(!text.isEmpty());
    m_durationIcon->setVisible(!text.isEmpty());
}

void ContentView::updateCartButton() {
    m_cartSheet.button->setText(QStringLiteral("Открыть корзину (%1)").arg(m_cart.totalItemCount()));
}

void ContentView::copyValue(const QString& value) {
    QClipboard* clipboard = QApplication::clipboard();
    clipboard->clear();
    clipboard->setText(value);
    showCopiedMessage(QStringLiteral("Скопировано: ") + value);
}

void ContentView::addToCart(int row) {
    if (row < 0 || row >= m_model->rowCount())
        return;
    const SupplierOffer& offer = m_model->offer(row);
    if (m_cart.add(offer))
        showCartMessage(QStringLiteral("Добавлено: ") + offer.brand + u' ' + offer.article);
    else
        showCartMessage(QStringLiteral("Предложение уже находится в корзине"));
}

// Each message is cleared 1.4 s after it was set, whatever the message is by then; the
// timer belongs to this view, so a clearance never reaches a view that is gone.
void ContentView::showCopiedMessage(const QString& message) {
    m_copiedMessage = message;
    m_cartMessageIsNewer = false;
    updateOverlay();
    QTimer::singleShot(messageClearanceMs, this, [this] {
        m_copiedMessage.reset();
        updateOverlay();
    });
}

void ContentView::showCartMessage(const QString& message) {
    m_cartMessage = message;
    m_cartMessageIsNewer = true;
    updateOverlay();
    QTimer::singleShot(messageClearanceMs, this, [this] {
        m_cartMessage.reset();
        updateOverlay();
    });
}

void ContentView::updateOverlay() {
    std::optional<QString> shown = m_cartMessageIsNewer ? m_cartMessage : m_copiedMessage;
    if (!shown)
        shown = m_cartMessageIsNewer ? m_copiedMessage : m_cartMessage;
    m_overlay->setMessage(shown.value_or(QString()));
}

void ContentView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_overlay->reposition();
}
