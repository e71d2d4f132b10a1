#include "AutoEuroOrderRevalidator.h"

#include "suppliers/autoeuro/AutoEuroClient.h"

using namespace OrderRevalidation;

QString AutoEuroOrderDraftError::description() const {
    switch (m_kind) {
    case Kind::missingOfferKey:
        return QStringLiteral("Для позиции %1 отсутствует настоящий offer_key AutoEuro.\nПозицию необходимо заново "
                              "получить через поиск перед оформлением.")
            .arg(m_article);
    case Kind::invalidQuantity:
        return QStringLiteral("Некорректное количество для позиции %1.").arg(m_article);
    case Kind::invalidPrice:
        return QStringLiteral("Некорректная цена для позиции %1.").arg(m_article);
    case Kind::emptyCart:
        return QStringLiteral("Корзина AutoEuro пуста.");
    case Kind::noPayer:
        return QStringLiteral("AutoEuro не вернул доступного плательщика.");
    case Kind::noDelivery:
        return QStringLiteral("Не найден способ получения AutoEuro для Челябинска.");
    }
    return {};
}

QStringList AutoEuroOrderRevalidator::changes(const CartItem& item, const AutoEuroOffer& fresh) {
    QStringList changes;
    if (!fresh.price)
        changes.append(QStringLiteral("AutoEuro не вернул актуальную цену."));
    else if (pricesDiffer(item.unitPrice, fresh.price->value))
        changes.append(QStringLiteral("Цена: %1 → %2").arg(money(item.unitPrice), money(fresh.price->value)));

    if (!fresh.amount) {
        changes.append(QStringLiteral("AutoEuro не вернул актуальный остаток."));
    } else {
        const std::int64_t amount = fresh.amount->value;
        if (amount < item.quantity)
            changes.append(QStringLiteral("Доступно %1 шт., в корзине %2 шт.").arg(amount).arg(item.quantity));
        else if (item.availableQuantity && *item.availableQuantity != amount)
            changes.append(QStringLiteral("Остаток: %1 → %2 шт.").arg(*item.availableQuantity).arg(amount));
    }

    const auto blankAbsent = [](const std::optional<QString>& text) -> std::optional<QString> {
        if (!text || text->trimmed().isEmpty())
            return std::nullopt;
        return text->trimmed();
    };
    const auto oldDelivery = blankAbsent(item.deliveryTime);
    const auto newDelivery =
        blankAbsent(fresh.delivery_time ? std::optional<QString>(fresh.delivery_time->value) : std::nullopt);
    if (oldDelivery != newDelivery)
        changes.append(
            QStringLiteral("Срок доставки: %1 → %2").arg(orNotStated(oldDelivery), orNotStated(newDelivery)));
    return changes;
}

QCoro::Task<QList<AutoEuroRevalidatedItem>> AutoEuroOrderRevalidator::revalidate(QList<CartItem> items,
                                                                                 AutoEuroDelivery delivery) {
    QList<AutoEuroRevalidatedItem> results;
    for (const CartItem& item : items) {
        if (item.supplierID != u"autoeuro")
            continue;
        const QString key = item.supplierOfferKey.value_or(QString()).trimmed();
        if (key.isEmpty())
            throw AutoEuroOrderDraftError(AutoEuroOrderDraftError::Kind::missingOfferKey, item.article);

        auto lookup = m_client.offers(item.brand, item.article, delivery.delivery_key);
        const QList<AutoEuroOffer> fresh = co_await std::move(lookup);

        AutoEuroRevalidatedItem result{item, OrderRevalidationState::unavailable, std::nullopt, {}};
        const auto match = std::find_if(fresh.begin(), fresh.end(),
                                        [&key](const AutoEuroOffer& offer) { return offer.offer_key == key; });
        if (match == fresh.end()) {
            result.changes = {QStringLiteral("Исходное предложение AutoEuro больше не найдено.")};
        } else {
            result.currentOffer = *match;
            result.changes = changes(item, *match);
            result.state = result.changes.isEmpty() ? OrderRevalidationState::current : OrderRevalidationState::changed;
        }
        results.append(std::move(result));
    }
    co_return results;
}
