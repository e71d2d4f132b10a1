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

const QColor kChosen(40, 140, 60);
const QColor kAnalogue(200, 110, 0);
const QColor kFailed(200, 60, 40);

bool isNumeric(int column) {
    return column == BatchResultModel::line || column == BatchResultModel::quantity ||
           column == BatchResultModel::price || column == BatchResultModel::sum ||
           column == BatchResultModel::delivery || column == BatchResultModel::stock;
}

QColor dimmed() {
    return QGuiApplication::palette().color(QPalette::PlaceholderText);
}

QString requestText(const BatchLine& l) {
    return l.brand.isEmpty() ? l.article : l.article + QStringLiteral(" · ") + l.brand;
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
    case state:
        return QStringLiteral("Состояние");
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
    return offerData(row, row.all.at(index.row()), true, index.column(), role);
}

QString BatchResultModel::stateText(const BatchRow& row) {
    switch (row.result.state) {
    case BatchLineResult::State::waiting:
        return QStringLiteral("Ожидает");
    case BatchLineResult::State::searching:
        return QStringLiteral("Ищем…");
    case BatchLineResult::State::skipped:
        return QStringLiteral("Не проценено");
    case BatchLineResult::State::finished:
        break;
    }
    switch (row.miss) {
    case BatchChoice::Miss::notFound:
        return QStringLiteral("Не найдено");
    case BatchChoice::Miss::failed:
        return QStringLiteral("Ошибка");
    case BatchChoice::Miss::riskFiltered:
        return QStringLiteral("Скрыто по риску");
    case BatchChoice::Miss::onlyAnalogues:
        return QStringLiteral("Только аналоги");
    case BatchChoice::Miss::outsideLimits:
        return QStringLiteral("Не по условиям");
    case BatchChoice::Miss::none:
        break;
    }
    if (!row.best)
        return QStringLiteral("Нет предложения");
    if (row.analogue)
        return row.pickedByHand ? QStringLiteral("Аналог, вручную") : QStringLiteral("Аналог");
    return row.pickedByHand ? QStringLiteral("Вручную") : QStringLiteral("Выбрано");
}

QVariant BatchResultModel::stateData(const BatchRow& row, int role) const {
    switch (role) {
    case Qt::DisplayRole:
        return stateText(row);
    case Qt::ToolTipRole: {
        QString tip = row.problem;
        if (!row.all.isEmpty())
            tip += (tip.isEmpty() ? QString() : QStringLiteral("\n")) +
                   QStringLiteral("Предложений: %1. Раскройте строку, чтобы увидеть все и выбрать другое.")
                       .arg(row.all.size());
        return tip;
    }
    case Qt::ForegroundRole:
        if (row.result.state != BatchLineResult::State::finished)
            return row.result.state == BatchLineResult::State::skipped ? kFailed : dimmed();
        return !row.best ? kFailed : row.analogue || !row.enoughStock ? kAnalogue : kChosen;
    default:
        return {};
    }
}

QVariant BatchResultModel::lineData(const BatchRow& row, int column, int role) const {
    const BatchLine& l = row.result.line;
    if (role == Qt::FontRole)
        return {};
    switch (column) {
    case line:
        return role == Qt::DisplayRole ? QVariant(l.lineNumber) : QVariant();
    case request:
        return role == Qt::DisplayRole || role == Qt::ToolTipRole ? QVariant(requestText(l)) : QVariant();
    case quantity:
        return role == Qt::DisplayRole ? QVariant(QString::number(l.quantity)) : QVariant();
    case state:
        return stateData(row, role);
    case note:
        if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
            return row.problem;
        if (role == Qt::ForegroundRole && (!row.best || row.analogue || !row.enoughStock))
            return row.best ? kAnalogue : kFailed;
        return {};
    default:
        break;
    }
    if (!row.best)
        return {};
    return offerData(row, *row.best, false, column, role);
}

QVariant BatchResultModel::offerData(const BatchRow& row, const SupplierOffer& o, bool child, int column,
                                     int role) const {
    const double markup = m_report.markupPercent;
    const bool chosen = row.best && row.best->id() == o.id();
    if (role == OfferIDRole)
        return o.id();
    if (role == Qt::FontRole) {
        // Under an expanded line the chosen offer stands out, and so does the asked-for article.
        QFont font;
        font.setBold((child && chosen) || (column == article && row.isAskedFor(o)));
        return font;
    }
    if (role == Qt::ForegroundRole && child) {
        if (column == state && !row.isAskedFor(o))
            return kAnalogue;
        if (!m_report.choice.keepsLimits(o, row.result.line.quantity, m_now))
            return dimmed();
        return {};
    }
    if (role == Qt::ToolTipRole) {
        if (column == price)
            return QStringLiteral("Закупка: ") + purchasePriceTooltip(o);
        if (column == supplier && o.warehouse)
            return QStringLiteral("Склад: ") + *o.warehouse;
        if (column == state && child && chosen && row.pickedByHand)
            return QStringLiteral("Выбрано вручную; щелчок по предложению, которое выбрало бы правило списка, "
                                  "возвращает выбор по правилу");
        if (child && !m_report.choice.keepsLimits(o, row.result.line.quantity, m_now))
            return QStringLiteral("Не подходит под условия списка: ") +
                   m_report.choice.limitsText(row.result.line.quantity);
        return {};
    }
    if (role != Qt::DisplayRole)
        return {};
    switch (column) {
    case state:
        if (!child)
            return {};
        return chosen ? QStringLiteral("✓ выбрано") : row.isAskedFor(o) ? QString() : row.analogueMark();
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
