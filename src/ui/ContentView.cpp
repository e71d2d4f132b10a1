#include "ContentView.h"

#include "cart/CartStore.h"
#include "core/TextUtils.h"
#include "core/UserDefaults.h"
#include "export/TableExport.h"
#include "ExportDialog.h"
#include "FirstRunView.h"
#include "NotificationOverlay.h"
#include "OfferHeaderView.h"
#include "offertable/PriceDisplay.h"
#include "offertable/UsefulResultsStatus.h"
#include "OfferTableModel.h"
#include "OfferTableView.h"
#include "PFOfferWidths.h"
#include "search/SearchViewModel.h"
#include "SearchHistoryPopup.h"
#include "SearchMoodView.h"
#include "StatusRowView.h"
#include "UiIcons.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QSlider>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <array>
#include <iterator>
#include <limits>

namespace {

constexpr int kDurationIconSize = 14;
constexpr int kPlaceholderIconSize = 44;
constexpr int kErrorIconSize = 22;

QString notAvailableYet(const QString& what) {
    return what + QStringLiteral(" пока недоступна в этой версии Orelia");
}

const QString kSearchTitle = QStringLiteral("Найти");
const QString kCancelTitle = QStringLiteral("Отменить");
const QString kStartTitle = QStringLiteral("Введите OEM-номер или артикул");
const QString kStartSubtitle = QStringLiteral("Результаты поиска появятся здесь.");

// The keys of the stored column widths, in column order.
const std::array<QString, PFOfferWidths::columnCount> kColumnKeys{
    QStringLiteral("brand"),    QStringLiteral("article"),  QStringLiteral("name"), QStringLiteral("price"),
    QStringLiteral("quantity"), QStringLiteral("delivery"), QStringLiteral("risk"), QStringLiteral("supplier")};
constexpr int kLeastStoredWidth = 24;
constexpr int kMostStoredWidth = 4000;

QLabel* iconLabel(void (*paint)(QPainter&, const QRectF&, const QColor&), int size, const QColor& color,
                  QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setPixmap(UiIcons::pixmap(paint, size, color, parent->devicePixelRatioF()));
    label->setFixedSize(size, size);
    return label;
}

} // namespace

const QString ContentView::columnWidthsKey = QStringLiteral("orelia.ui.columnWidths");

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
    resultsLayout->addWidget(makeResultLine(results));
    resultsLayout->addWidget(m_statusRow);
    resultsLayout->addWidget(m_table, 1);

    m_pages = new QStackedWidget(this);
    m_pages->addWidget(new QWidget(this)); // Page::empty
    m_pages->addWidget(makeErrorPage());
    m_pages->addWidget(makePlaceholderPage());
    m_pages->addWidget(results);
    m_firstRun = new FirstRunView(this);
    m_pages->addWidget(m_firstRun); // Page::setup
    connect(m_firstRun, &FirstRunView::settingsRequested, this, [this] { openSheet(Sheet::settings); });

    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 12);
    layout->setSpacing(8);
    layout->addWidget(makeSearchBar());
    // The mood line keeps its room while hidden, so nothing below it moves when a search starts.
    QSizePolicy moodPolicy = m_mood->sizePolicy();
    moodPolicy.setRetainSizeWhenHidden(true);
    m_mood->setSizePolicy(moodPolicy);
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
    connect(&m_viewModel, &SearchViewModel::articleNoteChanged, this, &ContentView::updatePage);
    connect(&m_viewModel, &SearchViewModel::needsSetupChanged, this, &ContentView::updatePage);
    connect(&m_viewModel, &SearchViewModel::searchDurationDisplayChanged, this, &ContentView::updateDuration);
    connect(&m_cart, &CartStore::changed, this, &ContentView::updateCartButton);

    connect(m_table->offerHeader(), &QHeaderView::sectionClicked, this, &ContentView::sortByHeader);
    connect(m_table, &OfferTableView::copyRequested, this, &ContentView::copyValue);
    connect(m_table, &OfferTableView::copyRowRequested, this, &ContentView::copyRow);
    connect(m_table, &OfferTableView::copyRowsRequested, this, &ContentView::copyRows);
    connect(m_table, &OfferTableView::addToCartRequested, this, &ContentView::addToCart);
    connect(m_table, &OfferTableView::chosenWidthsChanged, this, &ContentView::saveColumnWidths);
    connect(m_statusRow, &StatusRowView::markupClicked, this, [this] { openSheet(Sheet::settings); });
    connect(m_statusRow, &StatusRowView::showAllToggled, this, &ContentView::toggleShowAll);
    connect(m_statusRow, &StatusRowView::rejectFilterChanged, this, &ContentView::setRejectFilterEnabled);
    connect(m_statusRow, &StatusRowView::rejectThresholdChanged, this, &ContentView::setRejectThreshold);
    // The markup or the risk filter changed by orelia-cli or another window shows here at once.
    connect(&m_defaults.notifier(), &UserDefaultsNotifier::changedElsewhere, this, [this] {
        const OfferTableSettings stored = storedOfferTableSettings(m_defaults);
        m_settings.rejectFilterEnabled = stored.rejectFilterEnabled;
        m_settings.rejectThreshold = stored.rejectThreshold;
        refreshTable();
    });

    // Its key filter goes on the field after the window's own, so it sees Down first.
    m_history = new SearchHistoryPopup(*m_field, m_viewModel, m_defaults, this);
    m_history->setTableTakesDown([this] {
        return currentPage() == Page::results && m_model->rowCount() > 0 &&
               TextUtils::searchQuery(m_field->text()) == m_viewModel.searchedArticle();
    });

    setUpKeyboard();
    loadColumnWidths();

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
    m_searchButton = new QPushButton(kCancelTitle, bar);
    // "Найти" and "Отменить" take turns in one place: the button is as wide as the wider of them.
    const int cancelWidth = m_searchButton->sizeHint().width();
    m_searchButton->setText(kSearchTitle);
    m_searchButton->setMinimumWidth(std::max(cancelWidth, m_searchButton->sizeHint().width()));

    m_durationIcon = iconLabel(UiIcons::paintTimer, kDurationIconSize, palette().color(QPalette::PlaceholderText), bar);
    m_durationText = new QLabel(bar);
    m_durationText->setForegroundRole(QPalette::PlaceholderText);
    // The duration keeps its room while a search runs, so the field does not change width.
    m_durationText->setMinimumWidth(m_durationText->fontMetrics().horizontalAdvance(QStringLiteral("Поиск: 88,8 с")));
    for (QWidget* w : {static_cast<QWidget*>(m_durationIcon), static_cast<QWidget*>(m_durationText)}) {
        QSizePolicy policy = w->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        w->setSizePolicy(policy);
    }

    m_feedback.button = new QPushButton(QStringLiteral("Обратная связь"), bar);
    m_settingsSheet.button = new QPushButton(QStringLiteral("Настройки"), bar);
    m_cartSheet.button = new QPushButton(QStringLiteral("Открыть корзину"), bar);
    m_cartSheet.button->setObjectName(QStringLiteral("openCart"));
    // Short, so that the window's least width does not grow; the sheet's title says the rest.
    m_batchSheet.button = new QPushButton(QStringLiteral("Список…"), bar);
    const std::pair<Sheet, QString> sheets[] = {{Sheet::feedback, QStringLiteral("Обратная связь")},
                                                {Sheet::settings, QStringLiteral("Настройка поставщиков и наценки")},
                                                {Sheet::cart, QStringLiteral("Корзина")},
                                                {Sheet::batch, QStringLiteral("Проценка списка")}};
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
    layout->addWidget(m_batchSheet.button);
    layout->addWidget(m_feedback.button);
    layout->addWidget(m_settingsSheet.button);
    layout->addWidget(m_cartSheet.button);

    connect(m_field, &QLineEdit::textEdited, &m_viewModel, &SearchViewModel::setArticle);
    // Return during a search queues the article for right after it.
    connect(m_field, &QLineEdit::returnPressed, &m_viewModel, &SearchViewModel::submit);
    connect(m_searchButton, &QPushButton::clicked, this, &ContentView::searchButtonClicked);
    m_field->installEventFilter(this);
    return bar;
}

// What the table belongs to: the searched article and its count, as the search put it, so a
// field that already holds the next article cannot mislead. Suppliers that failed while others
// answered are named there too, with a warning mark.
QWidget* ContentView::makeResultLine(QWidget* parent) {
    auto* line = new QWidget(parent);
    m_resultIcon = iconLabel(UiIcons::paintWarningTriangle, 14, QColor(230, 150, 0), line);
    m_resultText = new QLabel(line);
    m_resultText->setTextFormat(Qt::RichText);
    m_resultText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_resultText->setWordWrap(true);
    m_noteText = new QLabel(line);
    m_noteText->setForegroundRole(QPalette::PlaceholderText);
    m_noteText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_exportButton = new QToolButton(line);
    m_exportButton->setText(QStringLiteral("Экспорт…"));
    m_exportButton->setToolTip(QStringLiteral("Сохранить предложения в книгу Excel или CSV"));
    m_exportButton->setAutoRaise(true);
    // popup(), not a button menu: a button's menu runs an event loop of its own.
    connect(m_exportButton, &QToolButton::clicked, this, [this] {
        auto* menu = new QMenu(this);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->addAction(QStringLiteral("Таблицу, как она показана…"), this, [this] { chooseExportFile(false); });
        menu->addAction(QStringLiteral("Все предложения…"), this, [this] { chooseExportFile(true); });
        menu->popup(m_exportButton->mapToGlobal(QPoint(0, m_exportButton->height())));
    });
    auto* layout = new QHBoxLayout(line);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addWidget(m_resultIcon, 0, Qt::AlignTop);
    layout->addWidget(m_resultText, 1);
    layout->addWidget(m_noteText, 0, Qt::AlignTop);
    layout->addWidget(m_exportButton, 0, Qt::AlignTop);
    return line;
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
    m_errorNote = new QLabel(page);
    m_errorNote->setForegroundRole(QPalette::PlaceholderText);
    m_errorNote->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(4, 12, 4, 4);
    layout->addLayout(row);
    layout->addWidget(m_errorNote);
    layout->addStretch(1);
    return page;
}

QWidget* ContentView::makePlaceholderPage() {
    m_placeholder = new QWidget(this);
    const QColor dim = palette().color(QPalette::PlaceholderText);
    auto* icon = iconLabel(UiIcons::paintMagnifyingGlass, kPlaceholderIconSize, dim, m_placeholder);
    // Before the first search it invites one; after a search that found nothing its headline
    // is what the search said ("По артикулу … предложения не найдены.").
    m_placeholderTitle = new QLabel(kStartTitle, m_placeholder);
    QFont titleFont = m_placeholderTitle->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() + 3);
    titleFont.setWeight(QFont::DemiBold);
    m_placeholderTitle->setFont(titleFont);
    m_placeholderTitle->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_placeholderTitle->setWordWrap(true);
    m_placeholderTitle->setAlignment(Qt::AlignCenter);
    m_placeholderSubtitle = new QLabel(kStartSubtitle, m_placeholder);
    m_placeholderSubtitle->setForegroundRole(QPalette::PlaceholderText);
    m_placeholderSubtitle->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_placeholderSubtitle->setAlignment(Qt::AlignCenter);

    auto* layout = new QVBoxLayout(m_placeholder);
    layout->addStretch(1);
    layout->addWidget(icon, 0, Qt::AlignHCenter);
    layout->addSpacing(8);
    layout->addWidget(m_placeholderTitle);
    layout->addWidget(m_placeholderSubtitle);
    layout->addStretch(2);
    return m_placeholder;
}

ContentView::SheetSlot& ContentView::slot(Sheet sheet) {
    switch (sheet) {
    case Sheet::feedback:
        return m_feedback;
    case Sheet::settings:
        return m_settingsSheet;
    case Sheet::batch:
        return m_batchSheet;
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
    s.button->setToolTip(sheet == Sheet::batch ? QStringLiteral("Проценка списка: много артикулов за раз") : QString());
    // The markup mark opens the settings once they can be opened.
    if (sheet == Sheet::settings)
        m_statusRow->markupMark()->setCursor(s.factory ? Qt::PointingHandCursor : Qt::ArrowCursor);
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
        // An account entered there ends the first-run state.
        if (sheet == Sheet::settings)
            m_viewModel.checkSetup();
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
    const double markup = PriceDisplay::storedMarkupPercent(m_defaults);
    m_model->setSearchedArticle(m_viewModel.searchedArticle());
    m_model->setRows(m_snapshot.displayed, markup);
    m_statusRow->showStatus(UsefulResultsStatus::of(m_snapshot, m_settings), m_settings);
    m_statusRow->showMarkup(markup);
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
    m_searchButton->setText(loading ? kCancelTitle : kSearchTitle);
    m_searchButton->setToolTip(loading ? QStringLiteral("Закончить поиск, не дожидаясь остальных поставщиков (Esc)")
                                       : QString());
    m_cancelShortcut->setEnabled(loading);
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
    else if (m_viewModel.needsSetup() && m_viewModel.offers().isEmpty())
        page = Page::setup;
    else if (!m_viewModel.errorMessage().isNull())
        page = Page::error;
    else if (m_viewModel.offers().isEmpty())
        page = Page::placeholder;
    const QString status = m_viewModel.statusMessage();
    const QString note = m_viewModel.articleNote();
    m_errorText->setText(m_viewModel.errorMessage());
    m_errorNote->setText(note);
    m_errorNote->setVisible(!note.isEmpty());

    const bool searched = !status.isEmpty() && page == Page::placeholder;
    m_placeholderTitle->setText(searched ? status : kStartTitle);
    m_placeholderSubtitle->setText(searched ? note : kStartSubtitle);
    m_placeholderSubtitle->setVisible(!m_placeholderSubtitle->text().isEmpty());

    // The searched article in bold at the head of the line, when the line starts with it.
    const QString article = m_viewModel.searchedArticle();
    QString line = status.toHtmlEscaped();
    if (!article.isEmpty() && status.startsWith(article))
        line = QStringLiteral("<b>") + article.toHtmlEscaped() + QStringLiteral("</b>") +
               status.mid(article.size()).toHtmlEscaped();
    m_resultText->setText(line);
    m_resultIcon->setVisible(!m_viewModel.supplierFailures().isEmpty());
    m_noteText->setText(note);
    m_noteText->setVisible(!note.isEmpty());
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

void ContentView::copyRow(int row) {
    if (row < 0 || row >= m_model->rowCount())
        return;
    QClipboard* clipboard = QApplication::clipboard();
    clipboard->clear();
    clipboard->setText(m_model->rowCopyText(row));
    const SupplierOffer& offer = m_model->offer(row);
    showCopiedMessage(QStringLiteral("Скопирована строка: ") + offer.brand + u' ' + offer.article);
}

void ContentView::copyRows(const QList<int>& rows) {
    QList<SupplierOffer> offers;
    for (const int row : rows) {
        if (row >= 0 && row < m_model->rowCount())
            offers.append(m_model->offer(row));
    }
    if (offers.isEmpty())
        return;
    const ExportTable table =
        TableExport::offersTable(offers, PriceDisplay::storedMarkupPercent(m_defaults), QDateTime::currentDateTime());
    QClipboard* clipboard = QApplication::clipboard();
    clipboard->clear();
    clipboard->setText(TableExport::tabSeparated(table));
    showCopiedMessage(QStringLiteral("Скопировано строк: %1").arg(offers.size()));
}

QList<ExportTable> ContentView::exportTables(bool allOffers) const {
    OfferTableSettings settings = m_settings;
    QString title = QStringLiteral("Предложения");
    if (allOffers) {
        settings.showingAllOffers = true;
        settings.rejectFilterEnabled = false;
        title = QStringLiteral("Все предложения");
    }
    const QDateTime now = QDateTime::currentDateTime();
    const OffersSnapshot snapshot = makeOffersSnapshot(m_viewModel.offers(), settings, now);
    return {TableExport::offersTable(snapshot.displayed, PriceDisplay::storedMarkupPercent(m_defaults), now, title)};
}

std::optional<QString> ContentView::exportOffers(bool allOffers, const QString& path) {
    return TableExport::save(exportTables(allOffers), path);
}

void ContentView::chooseExportFile(bool allOffers) {
    const QString name = ExportDialog::suggestedName(m_viewModel.searchedArticle(), QDate::currentDate());
    QPointer<ContentView> self(this);
    ExportDialog::save(window(), name, exportTables(allOffers), [self](const QString& message) {
        if (self)
            self->showCopiedMessage(message);
    });
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

void ContentView::searchButtonClicked() {
    if (m_viewModel.isLoading())
        m_viewModel.cancel();
    else
        m_viewModel.search();
}

void ContentView::setUpKeyboard() {
    for (const QKeySequence& key : {QKeySequence(Qt::CTRL | Qt::Key_L), QKeySequence(Qt::CTRL | Qt::Key_F)}) {
        auto* focusField = new QShortcut(key, this);
        connect(focusField, &QShortcut::activated, this, &ContentView::focusSearchField);
    }
    m_cancelShortcut = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(m_cancelShortcut, &QShortcut::activated, &m_viewModel, &SearchViewModel::cancel);
    for (int column = 0; column < OfferTableModel::kColumnCount; ++column) {
        const QKeySequence key = OfferTableModel::sortShortcut(column);
        if (key.isEmpty())
            continue;
        auto* sort = new QShortcut(key, this);
        connect(sort, &QShortcut::activated, this, [this, column] { sortByHeader(column); });
    }
    // In the order they stand on screen; the table last, and Tab leaves it again.
    QWidget* order[] = {m_field,
                        m_searchButton,
                        m_batchSheet.button,
                        m_feedback.button,
                        m_settingsSheet.button,
                        m_cartSheet.button,
                        m_exportButton,
                        m_statusRow->toggleButton(),
                        m_statusRow->markupMark(),
                        m_statusRow->rejectFilterCheckBox(),
                        m_statusRow->thresholdSlider(),
                        m_table};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

// Down in the field goes to the rows, as in a list that drops down from a search box.
bool ContentView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_field && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Down && currentPage() == Page::results &&
        m_model->rowCount() > 0) {
        m_table->setFocus(Qt::TabFocusReason);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void ContentView::loadColumnWidths() {
    OfferTableView::ChosenWidths widths;
    const auto stored = m_defaults.stringValue(columnWidthsKey);
    const QJsonObject object = stored ? QJsonDocument::fromJson(stored->toUtf8()).object() : QJsonObject();
    for (size_t i = 0; i < widths.size(); ++i) {
        const QJsonValue value = object.value(kColumnKeys[i]);
        // A hand-edited or damaged value is no width: the column stays automatic.
        if (value.isDouble() && value.toDouble() >= kLeastStoredWidth && value.toDouble() <= kMostStoredWidth)
            widths[i] = static_cast<int>(value.toDouble());
    }
    m_table->setChosenWidths(widths);
}

void ContentView::saveColumnWidths() {
    const OfferTableView::ChosenWidths widths = m_table->chosenWidths();
    QJsonObject object;
    for (size_t i = 0; i < widths.size(); ++i) {
        if (widths[i])
            object.insert(kColumnKeys[i], *widths[i]);
    }
    if (object.isEmpty())
        m_defaults.remove(columnWidthsKey);
    else
        m_defaults.setString(columnWidthsKey, QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)));
}

void ContentView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_overlay->reposition();
}
