#include "BatchReport.h"

#include "cart/CartStore.h"
#include "core/TextUtils.h"
#include "export/TableExport.h"
#include "offertable/DeliveryDisplay.h"
#include "offertable/PriceDisplay.h"

#include <limits>

namespace {

std::int64_t saturatingAdd(std::int64_t a, std::int64_t b) {
    if (a > std::numeric_limits<std::int64_t>::max() - b)
        return std::numeric_limits<std::int64_t>::max();
    return a + b;
}

} // namespace

bool BatchRow::isAskedFor(const SupplierOffer& offer) const {
    return BatchChoice::isAskedFor(offer, askedArticle, result.line.brand);
}

BatchReport BatchReport::evaluate(const QList<BatchLineResult>& results, const BatchChoice& choice,
                                  const OfferTableSettings& settings, double markupPercent, const QDateTime& now,
                                  const QHash<QString, QString>& chosen) {
    BatchReport report;
    report.choice = choice;
    report.markupPercent = markupPercent;
    const auto cheapestFirst = offerSortOrder(PFOfferSortColumn::price, true);

    for (const BatchLineResult& result : results) {
        BatchRow row;
        row.result = result;
        const BatchLine& line = result.line;
        row.askedArticle = result.searchedArticle.isEmpty() ? TextUtils::trimmed(line.article) : result.searchedArticle;
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
            row.all =
                sortedOffers(applyRejectFilter(result.offers, settings.rejectFilterEnabled, settings.rejectThreshold),
                             cheapestFirst, now);
            const QString pick = chosen.value(BatchChoice::lineKey(line));
            const auto picked = std::find_if(row.all.begin(), row.all.end(),
                                             [&pick](const SupplierOffer& o) { return o.id() == pick; });
            if (!pick.isEmpty() && picked != row.all.end()) {
                row.best = *picked;
                row.pickedByHand = true;
            } else if (result.offers.isEmpty()) {
                row.miss = result.errorMessage.isNull() ? BatchChoice::Miss::notFound : BatchChoice::Miss::failed;
                row.problem = !result.errorMessage.isNull() ? result.errorMessage
                              : !result.statusMessage.isEmpty()
                                  ? result.statusMessage
                                  : QStringLiteral("По артикулу %1 предложения не найдены.").arg(line.article);
            } else if (row.all.isEmpty()) {
                row.miss = BatchChoice::Miss::riskFiltered;
                row.problem =
                    QStringLiteral("Все предложения (%1) скрыты фильтром риска отказа").arg(result.offers.size());
            } else {
                const BatchChoice::Outcome outcome = choice.choose(row.all, line, row.askedArticle, now);
                row.best = outcome.offer;
                row.miss = outcome.miss;
                row.problem = outcome.problem;
            }
            break;
        }
        }

        if (row.best) {
            const SupplierOffer& best = *row.best;
            const Decimal quantity(line.quantity);
            row.unitPrice = PriceDisplay::shownPrice(best.price, markupPercent);
            row.lineTotal = row.unitPrice * quantity;
            row.purchaseTotal = best.price * quantity;
            row.enoughStock = !best.availableQuantity || *best.availableQuantity >= line.quantity;
            row.analogue = !row.isAskedFor(best);
            QStringList notes;
            if (row.analogue)
                notes.append(row.analogueMark());
            if (row.pickedByHand)
                notes.append(QStringLiteral("выбрано вручную"));
            if (!row.enoughStock)
                notes.append(QStringLiteral("На складе %1 из %2 шт.").arg(*best.availableQuantity).arg(line.quantity));
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
    QList<const BatchRow*> firstRows;
    QHash<QString, std::int64_t> quantities;
    for (const BatchRow& row : rows) {
        if (!row.best)
            continue;
        const QString id = row.best->id();
        if (!quantities.contains(id))
            firstRows.append(&row);
        quantities[id] = saturatingAdd(quantities.value(id), row.result.line.quantity);
    }
    CartOutcome outcome;
    for (const BatchRow* row : firstRows) {
        const SupplierOffer& offer = *row->best;
        const std::int64_t quantity = quantities.value(offer.id());
        if (cart.add(offer, quantity, row->askedArticle)) {
            ++outcome.added;
        } else if (cart.contains(offer)) {
            ++outcome.updated;
            cart.setQuantity(offer.id(), quantity);
        }
    }
    return outcome;
}
