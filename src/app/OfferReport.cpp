#include "OfferReport.h"

#include "core/TextUtils.h"
#include "offertable/DeliveryDisplay.h"
#include "offertable/OfferRowHighlight.h"
#include "offertable/PriceDisplay.h"
#include "offertable/UsefulResultsStatus.h"

#include <QJsonArray>
#include <QLocale>

namespace OfferReport {

namespace {

QJsonValue orNull(const std::optional<QString>& v) {
    return v ? QJsonValue(*v) : QJsonValue();
}
QJsonValue orNull(const std::optional<std::int64_t>& v) {
    // JSON numbers are doubles: beyond 2^53 an integer would change, so it goes out as text.
    if (!v)
        return QJsonValue();
    constexpr std::int64_t kExact = std::int64_t(1) << 53;
    if (*v > kExact || *v < -kExact)
        return QJsonValue(QString::number(*v));
    return QJsonValue(static_cast<qint64>(*v));
}
QJsonValue orNull(const std::optional<Decimal>& v) {
    return v ? QJsonValue(v->toString()) : QJsonValue();
}
QJsonValue orNull(const std::optional<bool>& v) {
    return v ? QJsonValue(*v) : QJsonValue();
}
QJsonValue orNull(const std::optional<QDateTime>& v) {
    return v ? QJsonValue(v->toString(Qt::ISODateWithMs)) : QJsonValue();
}
QJsonValue textOrNull(const QString& v) {
    return v.isNull() ? QJsonValue() : QJsonValue(v);
}

// One line of at most `width` characters: a line break in a supplier's text never starts a
// line of its own in the table.
QString cut(const QString& text, qsizetype width) {
    return TextUtils::singleLine(text, width);
}

} // namespace

QStringList columnTitles() {
    return {QStringLiteral("Производитель"), QStringLiteral("Артикул"),  QStringLiteral("Наименование"),
            QStringLiteral("Цена"),          QStringLiteral("Кол-во"),   QStringLiteral("Доставка"),
            QStringLiteral("Риск отказа"),   QStringLiteral("Поставщик")};
}

QStringList rowCells(const SupplierOffer& offer, double markupPercent, const QDateTime& now) {
    return {offer.brand,      offer.article,
            offer.name,       priceDisplay(offer, markupPercent),
            stockText(offer), deliveryDaysText(offer.deliveryDescription, offer.deliveryDate, now),
            riskText(offer),  offer.supplierName};
}

QString alignedTable(const QStringList& header, const QList<QStringList>& rows, qsizetype maxCellWidth) {
    QList<QStringList> all{header};
    for (const auto& row : rows) {
        QStringList cells;
        for (const auto& cell : row)
            cells.append(cut(cell, maxCellWidth));
        all.append(cells);
    }
    QList<qsizetype> widths(header.size(), 0);
    for (const auto& row : all) {
        for (qsizetype c = 0; c < row.size() && c < widths.size(); ++c)
            widths[c] = std::max(widths[c], row[c].size());
    }
    QString out;
    for (const auto& row : all) {
        QString line;
        for (qsizetype c = 0; c < row.size(); ++c) {
            if (c > 0)
                line += QStringLiteral("  ");
            line += c + 1 < row.size() ? row[c].leftJustified(widths[c]) : row[c];
        }
        out += line + u'\n';
    }
    return out;
}

QJsonObject offerJson(const SupplierOffer& o, double markupPercent, const QDateTime& now) {
    QJsonObject display{
        {QStringLiteral("price"), priceDisplay(o, markupPercent)},
        {QStringLiteral("priceCopy"), priceCopyValue(o, markupPercent)},
        {QStringLiteral("tooltip"), priceHoverText(o, markupPercent)},
        {QStringLiteral("delivery"), deliveryDaysText(o.deliveryDescription, o.deliveryDate, now)},
        {QStringLiteral("stock"), stockText(o)},
        {QStringLiteral("risk"), riskText(o)},
        {QStringLiteral("highlightRank"), OfferRowHighlight::rank(o)},
    };
    return QJsonObject{
        {QStringLiteral("id"), o.id()},
        {QStringLiteral("supplierID"), o.supplierID},
        {QStringLiteral("supplierName"), o.supplierName},
        {QStringLiteral("supplierOfferKey"), o.supplierOfferKey},
        {QStringLiteral("brand"), o.brand},
        {QStringLiteral("article"), o.article},
        {QStringLiteral("name"), o.name},
        {QStringLiteral("price"), o.price.toString()},
        {QStringLiteral("currency"), o.currency},
        {QStringLiteral("availableQuantity"), orNull(o.availableQuantity)},
        {QStringLiteral("minimumQuantity"), orNull(o.minimumQuantity)},
        {QStringLiteral("packageQuantity"), orNull(o.packageQuantity)},
        {QStringLiteral("warehouse"), orNull(o.warehouse)},
        {QStringLiteral("deliveryDescription"), orNull(o.deliveryDescription)},
        {QStringLiteral("deliveryDate"), orNull(o.deliveryDate)},
        {QStringLiteral("rejectRate"), orNull(o.rejectRate)},
        {QStringLiteral("isReturnable"), orNull(o.isReturnable)},
        {QStringLiteral("updatedAt"), o.updatedAt.toString(Qt::ISODateWithMs)},
        {QStringLiteral("rowHighlightColor"), orNull(o.rowHighlightColor)},
        {QStringLiteral("display"), display},
    };
}

QJsonObject searchJson(const SearchOutcome& outcome, const QDateTime& now) {
    QJsonArray offers;
    for (const auto& offer : outcome.snapshot.displayed)
        offers.append(offerJson(offer, outcome.markupPercent, now));
    return QJsonObject{
        {QStringLiteral("article"), outcome.article},
        {QStringLiteral("status"), textOrNull(outcome.status)},
        {QStringLiteral("error"), textOrNull(outcome.error)},
        {QStringLiteral("duration"), textOrNull(outcome.duration)},
        {QStringLiteral("total"), outcome.snapshot.total},
        {QStringLiteral("usefulCount"), outcome.snapshot.usefulCount},
        {QStringLiteral("usefulHidden"), outcome.snapshot.usefulHidden},
        {QStringLiteral("rejectHidden"), outcome.snapshot.rejectHidden},
        {QStringLiteral("offers"), offers},
    };
}

QString searchText(const SearchOutcome& outcome, const QDateTime& now) {
    QString out;
    if (!outcome.snapshot.displayed.isEmpty()) {
        QList<QStringList> rows;
        for (const auto& offer : outcome.snapshot.displayed)
            rows.append(rowCells(offer, outcome.markupPercent, now));
        out += alignedTable(columnTitles(), rows);
        out += u'\n';
        OfferTableSettings settings; // only the counts matter for the summary line
        const auto status = UsefulResultsStatus::of(outcome.snapshot, settings);
        QString summary = status.summary;
        if (status.usefulHidden)
            summary += u' ' + *status.usefulHidden;
        if (status.rejectHidden)
            summary += u' ' + *status.rejectHidden;
        out += summary + u'\n';
    }
    if (!outcome.status.isNull())
        out += outcome.status + u'\n';
    if (!outcome.error.isNull())
        out += outcome.error + u'\n';
    if (!outcome.duration.isNull())
        out += outcome.duration + u'\n';
    return out;
}

Decimal cartTotal(const QList<CartItem>& items) {
    Decimal total;
    for (const auto& item : items) {
        const auto price = Decimal::fromDouble(item.unitPrice);
        if (price)
            total = total + *price * Decimal(item.quantity);
    }
    return total;
}

QString money(const Decimal& amount) {
    QLocale russian(QLocale::Russian, QLocale::Russia);
    // Rounded half up to kopecks from the exact value; no binary rounding on the way.
    const Decimal kopecks = (amount * Decimal(100) + *Decimal::parse(u"0.5"));
    Decimal whole = kopecks.ceil();
    if (whole != kopecks)
        whole = whole - Decimal(1);
    const QString digits = whole.toString();
    const bool negative = digits.startsWith(u'-');
    QString abs = negative ? digits.mid(1) : digits;
    abs = abs.rightJustified(3, u'0');
    const QString rubles = abs.left(abs.size() - 2);
    const QString kop = abs.right(2);
    QString grouped;
    for (qsizetype i = 0; i < rubles.size(); ++i) {
        if (i > 0 && (rubles.size() - i) % 3 == 0)
            grouped += QChar(0x00A0);
        grouped += rubles[i];
    }
    return (negative ? QStringLiteral("-") : QString()) + grouped + u',' + kop + QStringLiteral(" руб.");
}

QJsonObject cartJson(const QList<SupplierCartGroup>& groups, std::int64_t totalItemCount) {
    QJsonArray groupArray;
    Decimal total;
    for (const auto& group : groups) {
        QJsonArray items;
        for (const auto& item : group.items)
            items.append(item.toJson());
        const Decimal groupTotal = cartTotal(group.items);
        total = total + groupTotal;
        groupArray.append(QJsonObject{{QStringLiteral("supplierID"), group.supplierID},
                                      {QStringLiteral("supplierName"), group.supplierName},
                                      {QStringLiteral("items"), items},
                                      {QStringLiteral("total"), groupTotal.toString()}});
    }
    return QJsonObject{{QStringLiteral("groups"), groupArray},
                       {QStringLiteral("totalItemCount"), QString::number(totalItemCount)},
                       {QStringLiteral("total"), total.toString()}};
}

QString cartText(const QList<SupplierCartGroup>& groups, std::int64_t totalItemCount) {
    if (groups.isEmpty())
        return QStringLiteral("Корзина пуста.\n");
    QString out;
    Decimal total;
    for (const auto& group : groups) {
        out += group.supplierName + u'\n';
        QList<QStringList> rows;
        for (const auto& item : group.items) {
            const Decimal price = Decimal::fromDouble(item.unitPrice).value_or(Decimal());
            // An analogue a list put here says what it stands in for.
            const QString name =
                item.isAnalogue() ? item.analogueMark() + QStringLiteral(" · ") + item.name : item.name;
            rows.append({item.brand, item.article, name, QString::number(item.quantity) + QStringLiteral(" шт."),
                         money(price), money(price * Decimal(item.quantity))});
        }
        out += alignedTable({QStringLiteral("Производитель"), QStringLiteral("Артикул"), QStringLiteral("Наименование"),
                             QStringLiteral("Кол-во"), QStringLiteral("Цена"), QStringLiteral("Сумма")},
                            rows);
        const Decimal groupTotal = cartTotal(group.items);
        total = total + groupTotal;
        out += QStringLiteral("Итого по поставщику: ") + money(groupTotal) + QStringLiteral("\n\n");
    }
    out += QStringLiteral("Всего позиций: ") + QString::number(totalItemCount) + QStringLiteral(" · на сумму ") +
           money(total) + u'\n';
    return out;
}

} // namespace OfferReport
