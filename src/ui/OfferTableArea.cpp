#include "OfferTableArea.h"

#include "cart/CartStore.h"
#include "core/UserDefaults.h"
#include "export/TableExport.h"
#include "ExportDialog.h"
#include "FiltersBarView.h"
#include "OfferHeaderView.h"
#include "offertable/CopiedNumber.h"
#include "offertable/PriceDisplay.h"
#include "offertable/UsefulResultsStatus.h"
#include "OfferTableModel.h"
#include "OfferTableView.h"
#include "PFOfferWidths.h"
#include "StatusRowView.h"
#include "UiIcons.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QHBoxLayout>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QScrollBar>
#include <QSet>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <array>

namespace {

// The keys of the stored column widths and hidden columns, in column order.
const std::array<QString, PFOfferWidths::columnCount> kColumnKeys{
    QStringLiteral("brand"),    QStringLiteral("article"),  QStringLiteral("name"), QStringLiteral("price"),
    QStringLiteral("quantity"), QStringLiteral("delivery"), QStringLiteral("risk"), QStringLiteral("supplier")};
constexpr int kLeastStoredWidth = 24;
constexpr int kMostStoredWidth = 4000;
constexpr int kWarningIconSize = 14;
// A pointer moved over the rows this recently is aiming at one of them.
constexpr qint64 kPointerAimingMs = 3000;

} // namespace

const QString OfferTableArea::columnWidthsKey = QStringLiteral("orelia.ui.columnWidths");
const QString OfferTableArea::hiddenColumnsKey = QStringLiteral("orelia.ui.hiddenColumns");

OfferTableArea::OfferTableArea(UserDefaults& defaults, CartStore& cart, QWidget* parent)
    : QWidget(parent)
    , m_defaults(defaults)
    , m_cart(cart)
    , m_settings(storedOfferTableSettings(defaults)) {
    m_model = new OfferTableModel(cart, this);
    m_table = new OfferTableView(*m_model, this);
    m_statusRow = new StatusRowView(this);
    m_filters = new FiltersBarView(this);
    m_arrivedFade = new QTimer(this);
    m_arrivedFade->setSingleShot(true);
    m_arrivedFade->setInterval(1500);
    connect(m_arrivedFade, &QTimer::timeout, this, [this] { m_model->markArrived({}); });
    m_table->viewport()->setMouseTracking(true);
    m_table->viewport()->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addWidget(makeResultLine());
    layout->addWidget(m_statusRow);
    layout->addWidget(m_filters);
    layout->addWidget(m_table, 1);

    connect(m_table->offerHeader(), &QHeaderView::sectionClicked, this, &OfferTableArea::sortBy);
    connect(m_table, &OfferTableView::copyRequested, this, &OfferTableArea::copyValue);
    connect(m_table, &OfferTableView::copyRowRequested, this, &OfferTableArea::copyRow);
    connect(m_table, &OfferTableView::copyRowsRequested, this, &OfferTableArea::copyRows);
    connect(m_table, &OfferTableView::addToCartRequested, this, &OfferTableArea::addToCart);
    connect(m_table, &OfferTableView::chosenWidthsChanged, this, &OfferTableArea::saveColumnWidths);
    connect(m_table, &OfferTableView::hiddenColumnsChanged, this, &OfferTableArea::saveHiddenColumns);
    connect(m_statusRow, &StatusRowView::markupClicked, this, &OfferTableArea::markupClicked);
    connect(m_statusRow, &StatusRowView::showAllToggled, this, [this] {
        m_settings.showingAllOffers = !m_settings.showingAllOffers;
        refresh();
    });
    connectFilters();
    loadColumns();
    // Filters or the markup changed by orelia-cli or another window show here at once.
    connect(&m_defaults.notifier(), &UserDefaultsNotifier::changedElsewhere, this, [this] {
        OfferTableSettings stored = storedOfferTableSettings(m_defaults);
        stored.offerSortOrder = m_settings.offerSortOrder;
        stored.showingAllOffers = m_settings.showingAllOffers;
        m_settings = stored;
        refresh();
    });
}

// Every filter is written to the settings as soon as it changes, and applies at once.
void OfferTableArea::connectFilters() {
    connect(m_filters, &FiltersBarView::rejectFilterChanged, this, [this](bool enabled) {
        m_settings.rejectFilterEnabled = enabled;
        m_defaults.setBool(UserDefaultsKeys::rejectFilterEnabled, enabled);
        refresh();
    });
    connect(m_filters, &FiltersBarView::rejectThresholdChanged, this, [this](double threshold) {
        m_settings.rejectThreshold = threshold;
        m_defaults.setDouble(UserDefaultsKeys::rejectThreshold, threshold);
        refresh();
    });
    connect(m_filters, &FiltersBarView::inStockFilterChanged, this, [this](bool enabled) {
        m_settings.inStockOnly = enabled;
        m_defaults.setBool(UserDefaultsKeys::inStockFilterEnabled, enabled);
        refresh();
    });
    connect(m_filters, &FiltersBarView::deliveryFilterChanged, this, [this](bool enabled) {
        m_settings.deliveryFilterEnabled = enabled;
        m_defaults.setBool(UserDefaultsKeys::deliveryFilterEnabled, enabled);
        refresh();
    });
    connect(m_filters, &FiltersBarView::deliveryDaysChanged, this, [this](int days) {
        m_settings.deliveryFilterDays = days;
        m_defaults.setDouble(UserDefaultsKeys::deliveryFilterDays, days);
        refresh();
    });
}

// What the table belongs to: the searched article and its count, as the search put it, so a
// field that already holds the next article cannot mislead. Suppliers that failed while others
// answered are named there too, with a warning mark.
QWidget* OfferTableArea::makeResultLine() {
    auto* line = new QWidget(this);
    m_resultIcon = new QLabel(line);
    m_resultIcon->setPixmap(
        UiIcons::pixmap(UiIcons::paintWarningTriangle, kWarningIconSize, QColor(230, 150, 0), devicePixelRatioF()));
    m_resultIcon->setFixedSize(kWarningIconSize, kWarningIconSize);
    m_resultText = new QLabel(line);
    m_resultText->setTextFormat(Qt::RichText);
    m_resultText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_resultText->setWordWrap(true);
    m_noteText = new QLabel(line);
    m_noteText->setForegroundRole(QPalette::PlaceholderText);
    m_noteText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_noteText->setWordWrap(true);
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
    layout->addWidget(m_resultText, 2);
    layout->addWidget(m_noteText, 1, Qt::AlignTop);
    layout->addWidget(m_exportButton, 0, Qt::AlignTop);
    return line;
}

void OfferTableArea::setOffers(const QList<SupplierOffer>& offers, const QString& searchedArticle, bool arriving) {
    QSet<QString> arrived;
    if (arriving && !m_offers.isEmpty() && searchedArticle == m_searchedArticle) {
        QSet<QString> before;
        for (const SupplierOffer& offer : std::as_const(m_offers))
            before.insert(offer.id());
        for (const SupplierOffer& offer : offers) {
            if (!before.contains(offer.id()))
                arrived.insert(offer.id());
        }
    }
    const std::optional<Anchor> at = arriving ? anchor() : std::nullopt;
    m_offers = offers;
    m_searchedArticle = searchedArticle;
    refresh();
    if (at)
        keepInPlace(*at);
    if (!arrived.isEmpty()) {
        m_model->markArrived(arrived);
        m_arrivedFade->start();
    }
}

std::optional<OfferTableArea::Anchor> OfferTableArea::anchor() const {
    QModelIndex index;
    bool current = false;
    if (m_table->hasFocus() && m_table->currentIndex().isValid()) {
        index = m_table->currentIndex();
        current = true;
    } else if (m_table->viewport()->underMouse() && m_pointerMoved.isValid() &&
               m_pointerMoved.elapsed() < kPointerAimingMs) {
        index = m_table->indexAt(m_table->viewport()->mapFromGlobal(QCursor::pos()));
    }
    if (!index.isValid())
        return std::nullopt;
    return Anchor{m_model->offer(index.row()).id(), m_table->visualRect(index).top(), current};
}

bool OfferTableArea::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_table->viewport() && event->type() == QEvent::MouseMove)
        m_pointerMoved.start();
    return QWidget::eventFilter(watched, event);
}

// Rows that arrive above the buyer's row push it down; the view scrolls with them, so the row
// stays where the eye (or the pointer) is.
void OfferTableArea::keepInPlace(const Anchor& anchor) {
    const int row = m_model->rowOf(anchor.offerID);
    if (row < 0)
        return;
    const QModelIndex index = m_model->index(row, 0);
    if (anchor.current)
        m_table->setCurrentIndex(m_model->index(row, std::max(0, m_table->currentIndex().column())));
    QScrollBar* bar = m_table->verticalScrollBar();
    bar->setValue(bar->value() + m_table->visualRect(index).top() - anchor.top);
}

QString OfferTableArea::dividerCaption() const {
    const QString title = OfferTableModel::columnTitle(OfferTableModel::columnOf(m_sortState.pfOfferSortColumn()));
    return QStringLiteral("Остальные предложения — по столбцу «%1» %2")
        .arg(title, m_sortState.pfOfferSortAscending() ? QStringLiteral("▲") : QStringLiteral("▼"));
}

void OfferTableArea::refresh() {
    m_settings.offerSortOrder = m_sortState.offerSortOrder();
    m_snapshot = makeOffersSnapshot(m_offers, m_settings);
    const double markup = PriceDisplay::storedMarkupPercent(m_defaults);
    m_model->setSearchedArticle(m_searchedArticle);
    m_model->setRows(m_snapshot.displayed, markup);
    // The pinned rows stand apart from the sorted rest, so the sort reads as what it is.
    m_table->setPinnedDivider(static_cast<int>(m_snapshot.pinnedCount), dividerCaption());
    const UsefulResultsStatus status = UsefulResultsStatus::of(m_snapshot, m_settings);
    m_statusRow->showStatus(status);
    m_statusRow->showMarkup(markup);
    m_filters->showSettings(m_settings, status.allowedRisk);
    m_table->offerHeader()->setSortState(OfferTableModel::columnOf(m_sortState.pfOfferSortColumn()),
                                         m_sortState.pfOfferSortAscending());
}

void OfferTableArea::sortBy(int column) {
    const auto sortColumn = OfferTableModel::sortColumn(column);
    if (!sortColumn)
        return;
    m_sortState.pfSortOffers(*sortColumn);
    refresh();
}

void OfferTableArea::showResultLine(const QString& status, const QString& searchedArticle, bool supplierMissing,
                                    const QString& note) {
    // The searched article in bold at the head of the line, when the line starts with it.
    QString line = status.toHtmlEscaped();
    if (!searchedArticle.isEmpty() && status.startsWith(searchedArticle))
        line = QStringLiteral("<b>") + searchedArticle.toHtmlEscaped() + QStringLiteral("</b>") +
               status.mid(searchedArticle.size()).toHtmlEscaped();
    m_resultText->setText(line);
    m_resultIcon->setVisible(supplierMissing);
    m_noteText->setText(note);
    m_noteText->setVisible(!note.isEmpty());
}

QList<ExportTable> OfferTableArea::exportTables(bool allOffers) const {
    OfferTableSettings settings = m_settings;
    QString title = QStringLiteral("Предложения");
    if (allOffers) {
        settings = OfferTableSettings{};
        settings.showingAllOffers = true;
        settings.offerSortOrder = m_settings.offerSortOrder;
        title = QStringLiteral("Все предложения");
    }
    const QDateTime now = QDateTime::currentDateTime();
    const OffersSnapshot snapshot = makeOffersSnapshot(m_offers, settings, now);
    return {TableExport::offersTable(snapshot.displayed, PriceDisplay::storedMarkupPercent(m_defaults), now, title)};
}

void OfferTableArea::loadColumns() {
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

    OfferTableView::HiddenColumns hidden{};
    const auto storedHidden = m_defaults.stringValue(hiddenColumnsKey);
    const QJsonArray names = storedHidden ? QJsonDocument::fromJson(storedHidden->toUtf8()).array() : QJsonArray();
    for (size_t i = 0; i < hidden.size(); ++i)
        hidden[i] = names.contains(QJsonValue(kColumnKeys[i]));
    m_table->setHiddenColumns(hidden);
}

void OfferTableArea::saveColumnWidths() {
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

void OfferTableArea::saveHiddenColumns() {
    const OfferTableView::HiddenColumns hidden = m_table->hiddenColumns();
    QJsonArray names;
    for (size_t i = 0; i < hidden.size(); ++i) {
        if (hidden[i])
            names.append(kColumnKeys[i]);
    }
    if (names.isEmpty())
        m_defaults.remove(hiddenColumnsKey);
    else
        m_defaults.setString(hiddenColumnsKey, QString::fromUtf8(QJsonDocument(names).toJson(QJsonDocument::Compact)));
}

void OfferTableArea::copyValue(const QString& value) {
    QClipboard* clipboard = QApplication::clipboard();
    clipboard->clear();
    clipboard->setText(value);
    Q_EMIT copied(QStringLiteral("Скопировано: ") + value);
}

void OfferTableArea::copyRow(int row) {
    OfferTableModel* model = m_model;
    if (row < 0 || row >= model->rowCount())
        return;
    QClipboard* clipboard = QApplication::clipboard();
    clipboard->clear();
    clipboard->setText(model->rowCopyText(row));
    const SupplierOffer& offer = model->offer(row);
    Q_EMIT copied(QStringLiteral("Скопирована строка: ") + offer.brand + u' ' + offer.article);
}

void OfferTableArea::copyRows(const QList<int>& rows) {
    OfferTableModel* model = m_model;
    QList<SupplierOffer> offers;
    for (const int row : rows) {
        if (row >= 0 && row < model->rowCount())
            offers.append(model->offer(row));
    }
    if (offers.isEmpty())
        return;
    const ExportTable table =
        TableExport::offersTable(offers, PriceDisplay::storedMarkupPercent(m_defaults), QDateTime::currentDateTime());
    QClipboard* clipboard = QApplication::clipboard();
    clipboard->clear();
    clipboard->setText(TableExport::tabSeparated(table, CopiedNumber::storedDecimalMark(m_defaults)));
    Q_EMIT copied(QStringLiteral("Скопировано строк: %1").arg(offers.size()));
}

std::optional<QString> OfferTableArea::exportOffers(bool allOffers, const QString& path) {
    return TableExport::save(exportTables(allOffers), path);
}

void OfferTableArea::chooseExportFile(bool allOffers) {
    const QString name = ExportDialog::suggestedName(m_searchedArticle, QDate::currentDate());
    QPointer<OfferTableArea> self(this);
    ExportDialog::save(window(), name, exportTables(allOffers), [self](const QString& message) {
        if (self)
            self->Q_EMIT copied(message);
    });
}

void OfferTableArea::addToCart(int row) {
    OfferTableModel* model = m_model;
    if (row < 0 || row >= model->rowCount())
        return;
    const SupplierOffer& offer = model->offer(row);
    if (m_cart.add(offer))
        Q_EMIT cartNotice(QStringLiteral("Добавлено: ") + offer.brand + u' ' + offer.article);
    else
        Q_EMIT cartNotice(QStringLiteral("Предложение уже находится в корзине"));
}
