#include "BatchReport.h"

#include "cart/CartStore.h"
#include "core/TextUtils.h"
#include "export/TableExport.h"
#include "offertable/DeliveryDisplay.h"
#include "offertable/PriceDisplay.h"

#include <limits>

namespace {

// How a measure compares two offers: below zero when a is better.
using Measure = int (*)(const SupplierOffer&, const SupplierOffer&, const QDateTime&);

int byPrice(const SupplierOffer& a, const SupplierOffer& b, const QDateTime&) {
    const auto order = a.price <=> b.price;
    return order < 0 ? -1 : order > 0 ? 1 : 0;
}

int byDelivery(const SupplierOffer& a, const SupplierOffer& b, const QDateTime& now) {
    const double x = a.deliverySortValue(now);
    const double y = b.deliverySortValue(now);
    return x < y ? -1 : x > y ? 1 : 0;
}

int byRisk(const SupplierOffer& a, const SupplierOffer& b, const QDateTime&) {
    const double x = a.rejectsSortValue();
    const double y = b.rejectsSortValue();
    return x < y ? -1 : x > y ? 1 : 0;
}

std::array<Measure, 3> measuresOf(BestOfferRule rule) {
    switch (rule) {
    case BestOfferRule::fastest:
        return {byDelivery, byPrice, byRisk};
    case BestOfferRule::lowestRisk:
        return {byRisk, byPrice, byDelivery};
    case BestOfferRule::cheapest:
        break;
    }
    return {byPrice, byDelivery, byRisk};
}

bool coversQuantity(const SupplierOffer& offer, std::int64_t quantity) {
    return !offer.availableQuantity || *offer.availableQuantity >= quantity;
}

bool sameBrand(const QString& offerBrand, const QString& wanted) {
    const QString a = TextUtils::canonicalPartNumber(offerBrand);
    const QString b = TextUtils::canonicalPartNumber(wanted);
    if (a == b)
        return true;
    const QString& shorter = a.size() < b.size() ? a : b;
    const QString& longer = a.size() < b.size() ? b : a;
    // "MANN" and "MANN-FILTER" are one maker; "VA" is not "VAG".
    return shorter.size() >= 4 && longer.startsWith(shorter);
}

std::int64_t saturatingAdd(std::int64_t a, std::int64_t b) {
    if (a > std::numeric_limits<std::int64_t>::max() - b)
        return std::numeric_limits<std::int64_t>::max();
    return a + b;
}

} // namespace

namespace BestOfferRules {

QString key(BestOfferRule rule) {
    switch (rule) {
    case BestOfferRule::fastest:
        return QStringLiteral("fastest");
    case BestOfferRule::lowestRisk:
        return QStringLiteral("risk");
    case BestOfferRule::cheapest:
        break;
    }
    return QStringLiteral("cheapest");
}

std::optional<BestOfferRule> fromKey(QStringView key) {
    for (const auto rule : {BestOfferRule::cheapest, BestOfferRule::fastest, BestOfferRule::lowestRisk}) {
        if (key == BestOfferRules::key(rule))
            return rule;
    }
    return std::nullopt;
}

QString title(BestOfferRule rule) {
    switch (rule) {
    case BestOfferRule::fastest:
        return QStringLiteral("Самое быстрое");
    case BestOfferRule::lowestRisk:
        return QStringLiteral("Наименьший риск отказа");
    case BestOfferRule::cheapest:
        break;
    }
    return QStringLiteral("Самое дешёвое");
}

} // namespace BestOfferRules

std::optional<SupplierOffer> BatchReport::bestOffer(const QList<SupplierOffer>& candidates, BestOfferRule rule,
                                                    std::int64_t quantity, const QDateTime& now) {
    const bool anyCovers = std::any_of(candidates.begin(), candidates.end(),
                                       [quantity](const auto& o) { return coversQuantity(o, quantity); });
    const auto measures = measuresOf(rule);
    const SupplierOffer* best = nullptr;
    for (const SupplierOffer& offer : candidates) {
        if (anyCovers && !coversQuantity(offer, quantity))
            continue;
        if (!best) {
            best = &offer;
            continue;
        }
        for (const Measure measure : measures) {
            const int order = measure(offer, *best, now);
            if (order < 0)
                best = &offer;
            if (order != 0)
                break;
        }
    }
    return best ? std::optional<SupplierOffer>(*best) : std::nullopt;
}

QList<SupplierOffer> BatchReport::ofBrand(const QList<SupplierOffer>& offers, const QString& brand) {
    if (TextUtils::canonicalPartNumber(brand).isEmpty())
        return offers;
    QList<SupplierOffer> out;
    for (const SupplierOffer& offer : offers) {
        if (sameBrand(offer.brand, brand))
            out.append(offer);
    }
    return out;
}

BatchReport BatchReport::evaluate(const QList<BatchLineResult>& results, BestOfferRule rule,
                                  const OfferTableSettings& settings, double markupPercent, const QDateTime& now,
                                  const QHash<int, QString>& chosen) {
    BatchReport report;
    report.rule = rule;
    report.markupPercent = markupPercent;
    OfferTableSettings useful = settings;
    useful.showingAllOffers = false;
    OfferTableSettings everything = settings;
    everything.showingAllOffers = true;

    for (qsizetype i = 0; i < results.size(); ++i) {
        BatchRow row;
        row.result = results[i];
        const BatchLineResult& result = row.result;
        const BatchLine& line = result.line;
        switch (result.state) {
        case BatchLineResult::State::waiting:
            row.problem = QStringLiteral("Ожидает проценки");
            break;
        case BatchLineResult::State::searching:
            row.problem = QStringLiteral("Ищем оригинал и аналоги…");
            break;
        case BatchLineResult::State::skipped:
            row.problem = QStringLiteral("Не проценено: проценка остановлена");
            break;
        case BatchLineResult::State::finished: {
            row.shown = makeOffersSnapshot(result.offers, useful, now).displayed;
            row.all = makeOffersSnapshot(result.offers, everything, now).displayed;
            const QList<SupplierOffer> candidates = ofBrand(row.shown, line.brand);
            const QString pick = chosen.value(static_cast<int>(i));
            const auto picked = std::find_if(row.all.begin(), row.all.end(),
                                             [&pick](const SupplierOffer& o) { return o.id() == pick; });
            if (!pick.isEmpty() && picked != row.all.end())
                row.best = *picked;
            else if (!candidates.isEmpty())
                row.best = bestOffer(candidates, rule, line.quantity, now);
            else if (result.offers.isEmpty())
                row.problem = !result.errorMessage.isNull() ? result.errorMessage
                              : !result.statusMessage.isEmpty()
                                  ? result.statusMessage
                                  : QStringLiteral("По артикулу %1 предложения не найдены.").arg(line.article);
            else if (row.shown.isEmpty())
                row.problem =
                    QStringLiteral("Все предложения (%1) скрыты фильтром риска отказа").arg(result.offers.size());
            else
                row.problem = QStringLiteral("Нет предложений производителя %1 (других предложений: %2)")
                                  .arg(line.brand)
                                  .arg(row.all.size());
            break;
        }
        }

        if (row.best) {
            const SupplierOffer& best = *row.best;
            const Decimal quantity(line.quantity);
            row.unitPrice = PriceDisplay::shownPrice(best.price, markupPercent);
            row.lineTotal = row.unitPrice * quantity;
            row.purchaseTotal = best.price * quantity;
            row.enoughStock = coversQuantity(best, line.quantity);
            const QString asked = result.searchedArticle.isEmpty() ? line.article : result.searchedArticle;
            row.analogue = TextUtils::canonicalPartNumber(best.article) != TextUtils::canonicalPartNumber(asked);
            QStringList notes;
            if (!row.enoughStock)
                notes.append(QStringLiteral("На складе %1 из %2 шт.").arg(*best.availableQuantity).arg(line.quantity));
            if (row.analogue)
                notes.append(QStringLiteral("Аналог"));
            notes += result.supplierFailures;
            row.problem = notes.join(QStringLiteral(" · "));

            ++report.pricedLines;
            report.total = report.total + row.lineTotal;
            report.purchaseTotal = report.purchaseTotal + row.purchaseTotal;
            auto supplier =
                std::find_if(report.suppliers.begin(), report.suppliers.end(),
                             [&best](const BatchSupplierTotal& t) { return t.supplierID == best.supplierID; });
            if (supplier == report.suppliers.end()) {
                report.suppliers.append({best.supplierID, best.supplierName, 0, 0, Decimal(), Decimal()});
                supplier = std::prev(report.suppliers.end());
            }
            ++supplier->lines;
            supplier->quantity = saturatingAdd(supplier->quantity, line.quantity);
            supplier->total = supplier->total + row.lineTotal;
            supplier->purchaseTotal = supplier->purchaseTotal + row.purchaseTotal;
        }
        report.rows.append(std::move(row));
    }
    return report;
}

QString BatchReport::money(const Decimal& amount) {
    const QString fixed = amount.toFixed(2);
    const bool negative = fixed.startsWith(u'-');
    const QString digits = negative ? fixed.mid(1) : fixed;
    const qsizetype point = digits.indexOf(u'.');
    const QString whole = digits.left(point);
    QString grouped;
    for (qsizetype i = 0; i < whole.size(); ++i) {
        if (i > 0 && (whole.size() - i) % 3 == 0)
            grouped += QChar(0x00A0);
        grouped += whole[i];
    }
    return (negative ? QStringLiteral("-") : QString()) + grouped + u',' + digits.mid(point + 1) +
           QStringLiteral(" руб.");
}

QList<ExportTable> BatchReport::exportTables(const QDateTime& now) const {
    ExportTable list;
    list.title = QStringLiteral("Проценка");
    list.columns = {QStringLiteral("Строка"),
                    QStringLiteral("Артикул в списке"),
                    QStringLiteral("Производитель в списке"),
                    QStringLiteral("Кол-во"),
                    QStringLiteral("Производитель"),
                    QStringLiteral("Артикул"),
                    QStringLiteral("Наименование"),
                    QStringLiteral("Цена"),
                    QStringLiteral("Сумма"),
                    QStringLiteral("Валюта"),
                    QStringLiteral("Доставка, дн."),
                    QStringLiteral("Остаток"),
                    QStringLiteral("Риск отказа, %"),
                    QStringLiteral("Поставщик"),
                    QStringLiteral("Других предложений"),
                    QStringLiteral("Примечание")};
    ExportTable offers;
    offers.title = QStringLiteral("Все предложения");
    for (const BatchRow& row : rows) {
        const BatchLine& line = row.result.line;
        QList<ExportCell> cells{ExportCell::ofInteger(line.lineNumber), ExportCell::ofText(line.article),
                                ExportCell::ofText(line.brand), ExportCell::ofInteger(line.quantity)};
        if (row.best) {
            const SupplierOffer& o = *row.best;
            const auto days = TableExport::deliveryDays(deliveryDaysText(o.deliveryDescription, o.deliveryDate, now));
            cells += {ExportCell::ofText(o.brand),
                      ExportCell::ofText(o.article),
                      ExportCell::ofText(o.name),
                      ExportCell::ofNumber(row.unitPrice, 2),
                      ExportCell::ofNumber(row.lineTotal, 2),
                      ExportCell::ofText(TableExport::currencyText(o.currency)),
                      days ? ExportCell::ofInteger(*days) : ExportCell(),
                      o.availableQuantity ? ExportCell::ofInteger(*o.availableQuantity) : ExportCell(),
                      o.rejectRate ? ExportCell::ofNumber(*o.rejectRate, 2) : ExportCell(),
                      ExportCell::ofText(o.supplierName)};
        } else {
            for (int i = 0; i < 10; ++i)
                cells.append(ExportCell());
        }
        cells += {ExportCell::ofInteger(row.otherOffers()), ExportCell::ofText(row.problem)};
        list.rows.append(cells);

        const ExportTable lineOffers = TableExport::offersTable(row.all, markupPercent, now);
        if (offers.columns.isEmpty())
            offers.columns = QStringList{list.columns[0], list.columns[1]} + lineOffers.columns;
        for (const auto& offerCells : lineOffers.rows)
            offers.rows.append(
                QList<ExportCell>{ExportCell::ofInteger(line.lineNumber), ExportCell::ofText(line.article)} +
                offerCells);
    }
    if (offers.columns.isEmpty())
        offers.columns = QStringList{list.columns[0], list.columns[1]} + TableExport::offersTable({}, 0, now).columns;

    // Totals by supplier match the supplier column; the overall quantity counts priced lines,
    // those with a line total.
    constexpr qsizetype kQuantity = 3, kLabel = 6, kTotal = 8, kSupplier = 13;
    const auto totalRow = [&list](const QString& label, ExportCell quantity, ExportCell total) {
        QList<ExportCell> cells(list.columns.size());
        cells[kQuantity] = std::move(quantity);
        cells[kLabel] = ExportCell::ofText(label);
        cells[kTotal] = std::move(total);
        return cells;
    };
    std::int64_t quantity = 0;
    for (const BatchSupplierTotal& supplier : suppliers) {
        list.footer.append(
            totalRow(QStringLiteral("Итого: ") + supplier.supplierName,
                     ExportCell::ofTotal(Decimal(supplier.quantity), 0, kSupplier, supplier.supplierName),
                     ExportCell::ofTotal(supplier.total, 2, kSupplier, supplier.supplierName)));
        quantity = saturatingAdd(quantity, supplier.quantity);
    }
    list.footer.append(totalRow(QStringLiteral("Всего: проценено %1 из %2 строк").arg(pricedLines).arg(rows.size()),
                                ExportCell::ofTotal(Decimal(quantity), 0, kTotal), ExportCell::ofTotal(total, 2)));
    return {list, offers};
}

BatchReport::CartOutcome BatchReport::addToCart(CartStore& cart) const {
    QList<SupplierOffer> offers;
    QHash<QString, std::int64_t> quantities;
    for (const BatchRow& row : rows) {
        if (!row.best)
            continue;
        const QString id = row.best->id();
        if (!quantities.contains(id))
            offers.append(*row.best);
        quantities[id] = saturatingAdd(quantities.value(id), row.result.line.quantity);
    }
    CartOutcome outcome;
    for (const SupplierOffer& offer : offers) {
        if (cart.add(offer))
            ++outcome.added;
        else if (cart.contains(offer))
            ++outcome.updated;
        else
            continue; // a price the cart cannot keep
        cart.setQuantity(offer.id(), quantities.value(offer.id()));
    }
    return outcome;
}
