#include "CartExport.h"

#include "offertable/DeliveryDisplay.h"

namespace CartExport {

Decimal priceOf(const CartItem& item) {
    return Decimal::fromDouble(item.unitPrice).value_or(Decimal());
}

ExportTable table(const QList<SupplierCartGroup>& groups) {
    ExportTable table;
    table.title = QStringLiteral("Корзина");
    table.columns = {QStringLiteral("Поставщик"),    QStringLiteral("Производитель"), QStringLiteral("Артикул"),
                     QStringLiteral("Наименование"), QStringLiteral("Кол-во"),        QStringLiteral("Цена, руб."),
                     QStringLiteral("Сумма, руб."),  QStringLiteral("Доставка"),      QStringLiteral("Склад")};
    const auto text = [](const QString& value) { return ExportCell::ofText(value); };
    Decimal total;
    for (const SupplierCartGroup& group : groups) {
        Decimal groupTotal;
        for (const CartItem& item : group.items) {
            const Decimal price = priceOf(item);
            const Decimal sum = price * Decimal(item.quantity);
            groupTotal = groupTotal + sum;
            table.rows.append({text(group.supplierName), text(item.brand), text(item.article), text(item.name),
                               ExportCell::ofInteger(item.quantity), ExportCell::ofNumber(price, 2),
                               ExportCell::ofNumber(sum, 2), text(deliveryDaysText(item.deliveryTime, std::nullopt)),
                               text(item.warehouse.value_or(QString()))});
        }
        total = total + groupTotal;
        table.footer.append({text(QStringLiteral("Итого ") + group.supplierName),
                             {},
                             {},
                             {},
                             {},
                             {},
                             ExportCell::ofNumber(groupTotal, 2)});
    }
    if (groups.size() > 1)
        table.footer.append(
            {text(QStringLiteral("Итого по корзине")), {}, {}, {}, {}, {}, ExportCell::ofNumber(total, 2)});
    return table;
}

QString orderText(const SupplierCartGroup& group, QChar decimalMark) {
    QString text;
    for (const CartItem& item : group.items) {
        const QString price = priceOf(item).toFixed(2).replace(u'.', decimalMark);
        text += QStringList{item.article, item.brand, QString::number(item.quantity), price}.join(u'\t') + u'\n';
    }
    return text;
}

} // namespace CartExport
