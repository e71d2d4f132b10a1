#include "AutoligaOrderRevalidator.h"

#include "suppliers/autoliga/AutoligaProvider.h"

using namespace OrderRevalidation;

namespace {

std::optional<QString> blankAbsent(const std::optional<QString>& text) {
    if (!text || text->trimmed().isEmpty())
        return std::nullopt;
    return text->trimmed();
}

// "{label}: {old} → {new}" when the two differ, "не указан" standing for an absent side.
void compareText(QStringList& changes, const QString& label, const std::optional<QString>& before,
                 const std::optional<QString>& after) {
    const auto old = blankAbsent(before);
    const auto now = blankAbsent(after);
    if (old != now)
        changes.append(QStringLiteral("%1: %2 → %3").arg(label, orNotStated(old), orNotStated(now)));
}

} // namespace

QString AutoligaRevalidationError::description() const {
    return QStringLiteral("Для позиции %1 отсутствует itemHash TradeSoft.\nПолучите предложение заново через поиск.")
        .arg(m_article);
}

QStringList AutoligaOrderRevalidator::changes(const CartItem& item, const SupplierOffer& fresh) {
    QStringList changes;
    const double price = fresh.price.toDouble();
    if (pricesDiffer(item.unitPrice, price))
        changes.append(QStringLiteral("Цена: %1 → %2").arg(money(item.unitPrice), money(price)));
    if (!fresh.availableQuantity) {
        changes.append(QStringLiteral("Автолига не вернула актуальный остаток."));
    } else {
        const std::int64_t amount = *fresh.availableQuantity;
        if (amount < item.quantity)
            changes.append(QStringLiteral("Доступно %1 шт., в корзине %2 шт.").arg(amount).arg(item.quantity));
        else if (item.availableQuantity && *item.availableQuantity != amount)
            changes.append(QStringLiteral("Остаток: %1 → %2 шт.").arg(*item.availableQuantity).arg(amount));
    }
    compareText(changes, QStringLiteral("Срок доставки"), item.deliveryTime, fresh.deliveryDescription);
    compareText(changes, QStringLiteral("Склад"), item.warehouse, fresh.warehouse);
    return changes;
}

QCoro::Task<QList<AutoligaRevalidatedItem>> AutoligaOrderRevalidator::revalidate(QList<CartItem> items) {
    QList<AutoligaRevalidatedItem> results;
    for (const CartItem& item : items) {
        if (item.supplierID.toLower() != u"autoliga")
            continue;
        const QString hash = item.supplierOfferKey.value_or(QString()).trimmed();
        if (hash.isEmpty())
            throw AutoligaRevalidationError(item.article);
        auto check = m_provider.preOrderCheck(item.article, item.brand, hash);
        const std::optional<AutoligaPreOrderOffer> fresh = co_await std::move(check);
        AutoligaRevalidatedItem result{item, OrderRevalidationState::unavailable, std::nullopt, std::nullopt, {}};
        if (!fresh) {
            result.changes = {QStringLiteral("Исходное предложение Автолиги больше не найдено.")};
        } else if (fresh->unusablePrice) {
            result.state = OrderRevalidationState::unconfirmed;
            result.itemID = fresh->itemID;
            result.changes = {QStringLiteral("TradeSoft вернул позицию без пригодной цены.")};
        } else {
            result.currentOffer = fresh->offer;
            result.itemID = fresh->itemID;
            result.changes = changes(item, fresh->offer);
            result.state = result.changes.isEmpty() ? OrderRevalidationState::current : OrderRevalidationState::changed;
        }
        results.append(std::move(result));
    }
    co_return results;
}
