#include "BatchResultModel.h"

#include "offertable/DeliveryDisplay.h"
#include "offertable/PriceDisplay.h"

#include <QColor>
#include <QFont>
#include <QGuiApplication>
#include <QPalette>

namespace {

// Child rows carry their line's number plus one; top rows carry 0.
constexpr quintptr kTopLevel = 0;

bool isNumeric(int column) {
    return column == BatchResultModel::line || column == BatchResultModel::quantity ||
           column == BatchResultModel::price || column == BatchResultModel::sum ||
           column == BatchResultModel::delivery || column == BatchResultModel::stock ||
           column == BatchResultModel::others;
}

} // namespace

BatchResultModel::BatchResultModel(QObject* parent)
    : QAbstractItemModel(parent) {}

void BatchResultModel::setReport(BatchReport report, const QDateTime& now) {
    m_now = now;
    bool sameLines = report.rows.size() == m_report.rows.size();
    for (qsizetype i = 0; sameLines && i < report.rows.size(); ++i)
        sameLines = report.rows[i].result.line == m_report.rows[i].result.line;
    if (!sameLines) {
        beginResetModel();
        m_report = std::move(report);
        endResetModel();
        return;
    }
    // The same lines: only children come and go, and cells change.
    for (qsizetype i = 0; i < report.rows.size(); ++i) {
        const QModelIndex parent = index(static_cast<int>(i), 0);
        const auto before = m_report.rows[i].all.size();
        const auto after = report.rows[i].all.size();
        if (before > 0 && after != before) {
            beginRemoveRows(parent, 0, static_cast<int>(before) - 1);
            m_report.rows[i].all.clear();
            endRemoveRows();
        }
        if (after > 0 && after != before) {
            beginInsertRows(parent, 0, static_cast<int>(after) - 1);
            m_report.rows[i].all = report.rows[i].all;
            endInsertRows();
        }
    }
    m_report = std::move(report);
    if (!m_report.rows.isEmpty()) {
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, kColumnCount - 1));
        for (int i = 0; i < rowCount(); ++i) {
            const QModelIndex parent = index(i, 0);
            if (rowCount(parent) > 0)
                Q_EMIT dataChanged(index(0, 0, parent), index(rowCount(parent) - 1, kColumnCount - 1, parent));
        }
    }
}

int BatchResultModel::lineOf(const QModelIndex& index) {
    if (!index.isValid())
        return -1;
    return index.internalId() == kTopLevel ? index.row() : static_cast<int>(index.internalId() - 1);
}

QString BatchResultModel::columnTitle(int column) {
    switch (column) {
    case line:
        return QStringLiteral("№");
    case request:
        return QStringLiteral("Запрос");
    case quantity:
        return QStringLiteral("Кол-во");
    case brand:
        return QStringLiteral("Производитель");
    case article:
        return QStringLiteral("Артикул");
    case name:
        return QStringLiteral("Наименование");
    case price:
        return QStringLiteral("Цена");
    case sum:
        return QStringLiteral("Сумма");
    case delivery:
        return QStringLiteral("Доставка");
    case stock:
        return QStringLiteral("Остаток");
    case supplier:
        return QStringLiteral("Поставщик");
    case others:
        return QStringLiteral("Ещё");
    case note:
        return QStringLiteral("Примечание");
    default:
        return {};
    }
}

QModelIndex BatchResultModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column < 0 || column >= kColumnCount)
        return {};
    if (!parent.isValid())
        return row < m_report.rows.size() ? createIndex(row, column, kTopLevel) : QModelIndex();
    if (parent.internalId() != kTopLevel || parent.row() >= m_report.rows.size())
        return {};
    if (row >= m_report.rows[parent.row()].all.size())
        return {};
    return createIndex(row, column, static_cast<quintptr>(parent.row()) + 1);
}

QModelIndex BatchResultModel::parent(const QModelIndex& child) const {
    if (!child.isValid() || child.internalId() == kTopLevel)
        return {};
    return createIndex(static_cast<int>(child.internalId() - 1), 0, kTopLevel);
}

int BatchResultModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid())
        return static_cast<int>(m_report.rows.size());
    if (parent.internalId() != kTopLevel || parent.column() != 0 || parent.row() >= m_report.rows.size())
        return 0;
    return static_cast<int>(m_report.rows[parent.row()].all.size());
}

int BatchResultModel::columnCount(const QModelIndex&) const {
    return kColumnCount;
}

QVariant BatchResultModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::DisplayRole)
        return columnTitle(section);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue<Qt::Alignment>((isNumeric(section) ? Qt::AlignRight : Qt::AlignLeft) |
                                                  Qt::AlignVCenter);
    return {};
}

QVariant BatchResultModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue<Qt::Alignment>((isNumeric(index.column()) ? Qt::AlignRight : Qt::AlignLeft) |
                                                  Qt::AlignVCenter);
    const int lineIndex = lineOf(index);
    if (lineIndex < 0 || lineIndex >= m_report.rows.size())
        return {};
    const BatchRow& row = m_report.rows[lineIndex];
    if (index.internalId() == kTopLevel)
        return lineData(row, index.column(), role);
    return offerData(row, row.all.at(index.row()), index.column(), role);
}

QVariant BatchResultModel::lineData(const BatchRow& row, int column, int role) const {
    const BatchLine& l = row.result.line;
    if (role == Qt::FontRole)
        return {};
    if (!row.best) {
        if (role == Qt::ForegroundRole && column == name) {
            const bool failed = row.result.state == BatchLineResult::State::finished ||
                                row.result.state == BatchLineResult::State::skipped;
            return failed ? QColor(200, 60, 40) : QGuiApplication::palette().color(QPalette::PlaceholderText);
        }
        if (role == Qt::ToolTipRole && column == name)
            return row.problem;
        if (role != Qt::DisplayRole)
            return {};
        switch (column) {
        case line:
            return l.lineNumber;
        case request:
            return l.brand.isEmpty() ? l.article : l.article + QStringLiteral(" · ") + l.brand;
        case quantity:
            return QString::number(l.quantity);
        case name:
            return row.problem;
        case others:
            return row.all.isEmpty() ? QString() : QString::number(row.otherOffers());
        default:
            return {};
        }
    }
    switch (column) {
    case line:
        return role == Qt::DisplayRole ? QVariant(l.lineNumber) : QVariant();
    case request:
        return role == Qt::DisplayRole
                   ? QVariant(l.brand.isEmpty() ? l.article : l.article + QStringLiteral(" · ") + l.brand)
                   : QVariant();
    case quantity:
        return role == Qt::DisplayRole ? QVariant(QString::number(l.quantity)) : QVariant();
    case others:
        if (role == Qt::DisplayRole)
            return QString::number(row.otherOffers());
        if (role == Qt::ToolTipRole)
            return QStringLiteral("Других предложений: %1. Раскройте строку, чтобы увидеть все и выбрать другое.")
                .arg(row.otherOffers());
        return {};
    case note:
        if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
            return row.problem;
        if (role == Qt::ForegroundRole && !row.enoughStock)
            return QColor(200, 110, 0);
        return {};
    default:
        break;
    }
    return offerData(row, *row.best, column, role);
}

QVariant BatchResultModel::offerData(const BatchRow& row, const SupplierOffer& o, int column, int role) const {
    const double markup = m_report.markupPercent;
    // Under an expanded line the chosen offer stands out.
    if (role == Qt::FontRole && row.best && row.best->id() == o.id() && row.all.size() > 1) {
        QFont font;
        font.setBold(true);
        return font;
    }
    if (role == OfferIDRole)
        return o.id();
    if (role == Qt::ToolTipRole) {
        if (column == price)
            return QStringLiteral("Закупка: ") + purchasePriceTooltip(o);
        if (column == supplier && o.warehouse)
            return QStringLiteral("Склад: ") + *o.warehouse;
        return {};
    }
    if (role != Qt::DisplayRole)
        return {};
    switch (column) {
    case brand:
        return o.brand;
    case article:
        return o.article;
    case name:
        return o.name;
    case price:
        return priceDisplay(o, markup);
    case sum:
        return PFCurrencyDisplay::price(
            (PriceDisplay::shownPrice(o.price, markup) * Decimal(row.result.line.quantity)).toFixed(2), o.currency);
    case delivery:
        return deliveryDaysText(o.deliveryDescription, o.deliveryDate, m_now);
    case stock:
        return stockText(o);
    case supplier:
        return o.supplierName;
    default:
        return {};
    }
}
