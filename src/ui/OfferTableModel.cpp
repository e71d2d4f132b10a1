#include "OfferTableModel.h"

#include "cart/CartStore.h"
#include "core/SupplierAppearance.h"
#include "core/TextUtils.h"
#include "offertable/CopiedNumber.h"
#include "offertable/DeliveryDisplay.h"
#include "offertable/OfferRowHighlight.h"
#include "offertable/PriceDisplay.h"
#include "SupplierColors.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QPalette>

#include <array>
#include <iterator>

namespace {

// How strongly a portal colour tints its row: enough to tell the colours apart,
// little enough to keep the text readable in light and dark palettes.
constexpr double kHighlightTint = 0.45;

// Numbers line up on the right, in the cells and their headers.
bool isNumeric(int column) {
    return column == OfferTableModel::price || column == OfferTableModel::quantity ||
           column == OfferTableModel::delivery || column == OfferTableModel::risk;
}

QString copyHint(const QString& value) {
    return QStringLiteral("Нажмите, чтобы скопировать: ") + value;
}

QString askedForHint() {
    return QStringLiteral("Искомый артикул");
}

QString outOfStockText() {
    return QStringLiteral("нет в наличии");
}

} // namespace

OfferTableModel::OfferTableModel(CartStore& cart, QObject* parent)
    : QAbstractTableModel(parent)
    , m_cart(cart) {
    connect(&m_cart, &CartStore::changed, this, &OfferTableModel::cartChanged);
}

void OfferTableModel::setRows(QList<SupplierOffer> rows, double markupPercent) {
    bool sameOffers = rows.size() == m_rows.size();
    for (qsizetype i = 0; sameOffers && i < rows.size(); ++i)
        sameOffers = rows[i].id() == m_rows[i].id();
    if (sameOffers) {
        m_rows = std::move(rows);
        m_markupPercent = markupPercent;
        if (!m_rows.isEmpty())
            Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, kColumnCount - 1));
        return;
    }
    beginResetModel();
    m_rows = std::move(rows);
    m_markupPercent = markupPercent;
    endResetModel();
}

void OfferTableModel::markArrived(const QSet<QString>& offerIDs) {
    if (m_arrived.isEmpty() && offerIDs.isEmpty())
        return;
    m_arrived = offerIDs;
    if (!m_rows.isEmpty())
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, kColumnCount - 1), {Qt::BackgroundRole});
}

int OfferTableModel::rowOf(const QString& offerID) const {
    for (int row = 0; row < m_rows.size(); ++row) {
        if (m_rows[row].id() == offerID)
            return row;
    }
    return -1;
}

void OfferTableModel::setSearchedArticle(const QString& article) {
    const QString canonical = TextUtils::canonicalPartNumber(article);
    if (canonical == m_searchedCanonical)
        return;
    m_searchedCanonical = canonical;
    if (!m_rows.isEmpty())
        Q_EMIT dataChanged(index(0, Column::article), index(rowCount() - 1, Column::article));
}

bool OfferTableModel::isOutOfStock(int row) const {
    const auto stock = m_rows.at(row).availableQuantity;
    return stock && *stock <= 0;
}

bool OfferTableModel::isAskedForPart(int row) const {
    return !m_searchedCanonical.isEmpty() &&
           TextUtils::canonicalPartNumber(m_rows.at(row).article) == m_searchedCanonical;
}

QString OfferTableModel::rowCopyText(int row) const {
    QStringList values;
    for (int column = brand; column <= supplier; ++column)
        values.append(copyValue(row, column));
    return values.join(u'\t');
}

QString OfferTableModel::copyValue(int row, int column) const {
    const QString value = cell(row, column).copyValue;
    if (column != price && column != risk)
        return value;
    const QChar mark =
        m_copySettings ? CopiedNumber::storedDecimalMark(*m_copySettings) : CopiedNumber::decimalMark(false);
    return CopiedNumber::withMark(value, mark);
}

void OfferTableModel::cartChanged() {
    if (!m_rows.isEmpty())
        Q_EMIT dataChanged(index(0, cart), index(rowCount() - 1, cart),
                           {Qt::DecorationRole, Qt::ToolTipRole, InCartRole});
}

CopyableCell OfferTableModel::cell(int row, int column) const {
    const SupplierOffer& o = m_rows.at(row);
    switch (column) {
    case brand:
        return {o.brand, o.brand};
    case article:
        return {o.article, o.article, true};
    case name:
        return {o.name, o.name};
    case price:
        return {priceDisplay(o, m_markupPercent), priceCopyValue(o, m_markupPercent), true};
    case quantity: {
        // Marked in words, so the greyed row reads as what it is; the copy stays a number.
        const QString text = stockText(o);
        return {isOutOfStock(row) ? outOfStockText() : text, text};
    }
    case delivery: {
        const QString text = deliveryDaysText(o.deliveryDescription, o.deliveryDate);
        return {text, text};
    }
    case risk: {
        const QString text = riskText(o);
        return {text, text};
    }
    case supplier:
        return {o.supplierName, o.supplierName};
    default:
        return {};
    }
}

QKeySequence OfferTableModel::sortShortcut(int column) {
    static constexpr Column sortable[] = {brand, article, price, delivery, risk};
    for (int i = 0; i < int(std::size(sortable)); ++i) {
        if (sortable[i] == column)
            return QKeySequence(Qt::ALT | Qt::Key(Qt::Key_1 + i));
    }
    return {};
}

QString OfferTableModel::columnTitle(int column) {
    static const std::array<QString, kColumnCount> titles{
        QStringLiteral("Производитель"), QStringLiteral("Артикул"),   QStringLiteral("Наименование"),
        QStringLiteral("Цена"),          QStringLiteral("Кол-во"),    QStringLiteral("Доставка"),
        QStringLiteral("Риск отказа"),   QStringLiteral("Поставщик"), QString()};
    if (column < 0 || column >= kColumnCount)
        return {};
    return titles[static_cast<std::size_t>(column)];
}

std::optional<PFOfferSortColumn> OfferTableModel::sortColumn(int column) {
    switch (column) {
    case brand:
        return PFOfferSortColumn::brand;
    case article:
        return PFOfferSortColumn::article;
    case price:
        return PFOfferSortColumn::price;
    case delivery:
        return PFOfferSortColumn::delivery;
    case risk:
        return PFOfferSortColumn::risk;
    default:
        return std::nullopt;
    }
}

int OfferTableModel::columnOf(PFOfferSortColumn sortColumn) {
    switch (sortColumn) {
    case PFOfferSortColumn::brand:
        return brand;
    case PFOfferSortColumn::article:
        return article;
    case PFOfferSortColumn::price:
        return price;
    case PFOfferSortColumn::delivery:
        return delivery;
    case PFOfferSortColumn::risk:
        return risk;
    }
    return price;
}

int OfferTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int OfferTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant OfferTableModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const int row = index.row();
    const int column = index.column();
    const SupplierOffer& o = m_rows.at(row);

    if (role == Qt::BackgroundRole) {
        const auto highlight = OfferRowHighlight::color(o);
        // A soft tint that lets the eye find what a supplier just added.
        if (!highlight && !m_arrived.isEmpty() && m_arrived.contains(o.id()))
            return QColor(255, 213, 79, 70);
        if (!highlight)
            return {};
        return QColor(highlight->red, highlight->green, highlight->blue,
                      static_cast<int>(highlight->alpha * kHighlightTint));
    }

    if (column == cart) {
        const bool inCart = m_cart.contains(o);
        switch (role) {
        case InCartRole:
            return inCart;
        case Qt::ToolTipRole:
        case Qt::AccessibleTextRole:
            return inCart ? QStringLiteral("Уже в корзине") : QStringLiteral("Добавить предложение в корзину");
        default:
            return {};
        }
    }

    switch (role) {
    case Qt::DisplayRole:
        return cell(row, column).display;
    case CopyValueRole:
        return copyValue(row, column);
    case Qt::ToolTipRole: {
        // What the row is (the asked-for part, the warehouse), then what a click copies.
        QStringList lines;
        if (column == price)
            lines.append(priceHoverText(o, m_markupPercent));
        if (column == article && isAskedForPart(row))
            lines.append(askedForHint());
        if (o.warehouse && !o.warehouse->trimmed().isEmpty())
            lines.append(QStringLiteral("Склад: ") + o.warehouse->trimmed());
        lines.append(copyHint(copyValue(row, column)));
        return lines.join(u'\n');
    }
    case Qt::FontRole: {
        if (column != article && column != price)
            return {};
        QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        if (column == article && isAskedForPart(row))
            font.setBold(true);
        return font;
    }
    case Qt::ForegroundRole:
        // An offer nobody can ship now is greyed, supplier and all.
        if (isOutOfStock(row))
            return QGuiApplication::palette().color(QPalette::PlaceholderText);
        if (column == supplier)
            return supplierTextColor(m_colors(o.supplierID), QGuiApplication::palette());
        return {};
    case Qt::TextAlignmentRole:
        return int(isNumeric(column) ? Qt::AlignRight | Qt::AlignVCenter : Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant OfferTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (section < 0 || section >= kColumnCount)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return columnTitle(section);
    case Qt::AccessibleTextRole:
        // The cart column shows a symbol only; a screen reader needs its name.
        return section == cart ? QStringLiteral("В корзину") : columnTitle(section);
    case Qt::TextAlignmentRole:
        return int(isNumeric(section) ? Qt::AlignRight | Qt::AlignVCenter : Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::ToolTipRole: {
        const QKeySequence key = sortShortcut(section);
        if (key.isEmpty())
            return {};
        return QStringLiteral("Сортировать по столбцу: щелчок или ") + key.toString(QKeySequence::NativeText);
    }
    default:
        return {};
    }
}

Qt::ItemFlags OfferTableModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}
