#include "ContentView.h"

#include "cart/CartStore.h"
#include "core/TextUtils.h"
#include "core/UserDefaults.h"
#include "ErrorPageView.h"
#include "FiltersBarView.h"
#include "FirstRunView.h"
#include "NotificationOverlay.h"
#include "OfferTableArea.h"
#include "OfferTableModel.h"
#include "OfferTableView.h"
#include "search/SearchViewModel.h"
#include "SearchBarView.h"
#include "SearchHistoryPopup.h"
#include "SearchMoodView.h"
#include "StatusRowView.h"
#include "UiIcons.h"

#include <QCheckBox>
#include <QDialog>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <iterator>

namespace {

constexpr int kPlaceholderIconSize = 44;

QString notAvailableYet(const QString& what) {
    return what + QStringLiteral(" пока недоступна в этой версии Orelia");
}

const QString kStartTitle = QStringLiteral("Введите OEM-номер или артикул");
const QString kStartSubtitle = QStringLiteral("Результаты поиска появятся здесь.");

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
    , m_cart(cart) {
    m_bar = new SearchBarView(this);
    m_field = m_bar->field();
    m_mood = new SearchMoodView(this);
    m_area = new OfferTableArea(defaults, cart, this);

    m_pages = new QStackedWidget(this);
    m_pages->addWidget(new QWidget(this)); // Page::empty
    m_errorPage = new ErrorPageView(this);
    m_pages->addWidget(m_errorPage);
    m_pages->addWidget(makePlaceholderPage());
    m_pages->addWidget(m_area);
    m_pages->addWidget(m_firstRun = new FirstRunView(this)); // Page::setup
    connect(m_firstRun, &FirstRunView::settingsRequested, this, [this] { openSheet(Sheet::settings); });

    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 12);
    layout->setSpacing(8);
    layout->addWidget(m_bar);
    // The mood line keeps its room while hidden, so nothing below it moves when a search starts.
    QSizePolicy moodPolicy = m_mood->sizePolicy();
    moodPolicy.setRetainSizeWhenHidden(true);
    m_mood->setSizePolicy(moodPolicy);
    layout->addWidget(m_mood);
    layout->addWidget(divider);
    layout->addWidget(m_pages, 1);

    m_overlay = new NotificationOverlay(this);
    setUpSearchBar();

    connect(&m_viewModel, &SearchViewModel::articleChanged, this, [this] {
        if (m_field->text() != m_viewModel.article())
            m_field->setText(m_viewModel.article());
    });
    connect(&m_viewModel, &SearchViewModel::offersChanged, this, &ContentView::refreshTable);
    connect(&m_viewModel, &SearchViewModel::isLoadingChanged, this, &ContentView::updateLoading);
    for (auto changed : {&SearchViewModel::errorMessageChanged, &SearchViewModel::statusMessageChanged,
                         &SearchViewModel::supplierFailuresChanged, &SearchViewModel::articleNoteChanged,
                         &SearchViewModel::needsSetupChanged, &SearchViewModel::progressTextChanged,
                         &SearchViewModel::resultAgeNoteChanged})
        connect(&m_viewModel, changed, this, &ContentView::updatePage);
    connect(&m_viewModel, &SearchViewModel::searchDurationDisplayChanged, this,
            [this] { m_bar->setDuration(m_viewModel.searchDurationDisplay()); });
    connect(&m_viewModel, &SearchViewModel::searchFinished, this, &ContentView::searchFinished);
    connect(&m_cart, &CartStore::changed, this, &ContentView::updateCartButton);

    connect(m_area, &OfferTableArea::markupClicked, this, [this] { openSheet(Sheet::settings); });
    connect(m_area, &OfferTableArea::copied, m_overlay, &NotificationOverlay::showCopied);
    connect(m_area, &OfferTableArea::cartNotice, m_overlay, &NotificationOverlay::showCartNotice);

    // Its key filter goes on the field after the window's own, so it sees Down first.
    m_history = new SearchHistoryPopup(*m_field, m_viewModel, m_defaults, this);
    m_history->setTableTakesDown([this] {
        return currentPage() == Page::results && tableModel()->rowCount() > 0 &&
               TextUtils::searchQuery(m_field->text()) == m_viewModel.searchedArticle();
    });

    setUpKeyboard();

    m_field->setText(m_viewModel.article());
    updateCartButton();
    m_bar->setDuration(m_viewModel.searchDurationDisplay());
    updateLoading();
    refreshTable();
    m_field->setFocus();
}

ContentView::~ContentView() = default;

void ContentView::setUpSearchBar() {
    m_feedback.button = m_bar->feedbackButton();
    m_settingsSheet.button = m_bar->settingsButton();
    m_cartSheet.button = m_bar->cartButton();
    m_batchSheet.button = m_bar->batchButton();
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
    connect(m_field, &QLineEdit::textEdited, &m_viewModel, &SearchViewModel::setArticle);
    // The duration belongs to the search that found the rows, not to what is being typed.
    connect(m_field, &QLineEdit::textEdited, this, [this] { m_bar->setDuration(QString()); });
    // Return during a search queues the article for right after it.
    connect(m_field, &QLineEdit::returnPressed, &m_viewModel, &SearchViewModel::submit);
    connect(m_bar->searchButton(), &QPushButton::clicked, this, &ContentView::searchButtonClicked);
    m_field->installEventFilter(this);
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
    m_placeholderSubtitle->setWordWrap(true);

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
    QString tip;
    if (sheet == Sheet::batch)
        tip = QStringLiteral("Проценка списка: много артикулов за раз");
    else if (sheet == Sheet::cart)
        tip = QStringLiteral("Корзина: ") + SearchBarView::cartShortcut().toString(QKeySequence::NativeText);
    s.button->setToolTip(tip);
    // The markup mark opens the settings once they can be opened.
    if (sheet == Sheet::settings)
        statusRow()->markupMark()->setCursor(s.factory ? Qt::PointingHandCursor : Qt::ArrowCursor);
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
    m_area->setOffers(m_viewModel.offers(), m_viewModel.searchedArticle(), m_viewModel.isLoading());
    updatePage();
}

void ContentView::updateLoading() {
    const bool loading = m_viewModel.isLoading();
    m_bar->setLoading(loading);
    m_cancelShortcut->setEnabled(loading);
    m_mood->setVisible(loading);
    if (loading)
        m_mood->start();
    else
        m_mood->stop();
    updatePage();
}

// The searched article is selected, so the next one typed replaces it; an article typed
// while the search ran is left as it is.
void ContentView::searchFinished() {
    if (!m_viewModel.isLoading() && TextUtils::searchQuery(m_field->text()) == m_viewModel.searchedArticle())
        m_field->selectAll();
}

void ContentView::updatePage() {
    Page page = Page::results;
    // The offers that have arrived (or those of a minute ago) show while the others are awaited.
    if (m_viewModel.isLoading() && m_viewModel.offers().isEmpty())
        page = Page::empty;
    else if (m_viewModel.needsSetup() && m_viewModel.offers().isEmpty())
        page = Page::setup;
    else if (!m_viewModel.errorMessage().isNull())
        page = Page::error;
    else if (m_viewModel.offers().isEmpty())
        page = Page::placeholder;
    // While the search runs: each supplier's state, and the age of the offers shown meanwhile.
    QStringList statusParts{m_viewModel.statusMessage(), m_viewModel.progressText()};
    QStringList noteParts{m_viewModel.articleNote(), m_viewModel.resultAgeNote()};
    statusParts.removeAll(QString());
    noteParts.removeAll(QString());
    const QString status = statusParts.join(u' ');
    const QString note = noteParts.join(QStringLiteral(" · "));
    m_errorPage->showError(m_viewModel.errorMessage(), note);

    const bool searched = !status.isEmpty() && page == Page::placeholder;
    m_placeholderTitle->setText(searched ? status : kStartTitle);
    m_placeholderSubtitle->setText(searched ? note : kStartSubtitle);
    m_placeholderSubtitle->setVisible(!m_placeholderSubtitle->text().isEmpty());

    m_area->showResultLine(status, m_viewModel.searchedArticle(), !m_viewModel.supplierFailures().isEmpty(), note);
    m_pages->setCurrentIndex(static_cast<int>(page));
}

void ContentView::updateCartButton() {
    m_bar->setCartCount(m_cart.totalItemCount());
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
    auto* openCart = new QShortcut(SearchBarView::cartShortcut(), this);
    connect(openCart, &QShortcut::activated, this, [this] { openSheet(Sheet::cart); });
    m_cancelShortcut = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(m_cancelShortcut, &QShortcut::activated, &m_viewModel, &SearchViewModel::cancel);
    for (int column = 0; column < OfferTableModel::kColumnCount; ++column) {
        const QKeySequence key = OfferTableModel::sortShortcut(column);
        if (key.isEmpty())
            continue;
        auto* sort = new QShortcut(key, this);
        connect(sort, &QShortcut::activated, this, [this, column] { m_area->sortBy(column); });
    }
    // In the order they stand on screen; the table last, and Tab leaves it again.
    FiltersBarView* filters = filtersBar();
    QWidget* order[] = {m_field,
                        m_bar->searchButton(),
                        m_batchSheet.button,
                        m_feedback.button,
                        m_settingsSheet.button,
                        m_cartSheet.button,
                        exportButton(),
                        statusRow()->toggleButton(),
                        statusRow()->markupMark(),
                        filters->rejectFilterCheckBox(),
                        filters->thresholdSlider(),
                        filters->inStockCheckBox(),
                        filters->deliveryCheckBox(),
                        filters->deliveryDaysBox(),
                        tableView()};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

// Down in the field goes to the rows, as in a list that drops down from a search box.
bool ContentView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_field && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Down && currentPage() == Page::results &&
        tableModel()->rowCount() > 0) {
        tableView()->setFocus(Qt::TabFocusReason);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void ContentView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_overlay->reposition();
}

QLabel* ContentView::errorLabel() const {
    return m_errorPage->errorLabel();
}
