#include "PFCartFreshnessChecker.h"

#include "AutoEuroOrderRevalidator.h"
#include "search/SearchConnectors.h"
#include "suppliers/autoeuro/AutoEuroClient.h"

#include <QHash>

namespace {

namespace Status = CartFreshnessStatus;

PFCartFreshness unconfirmed(const QString& reason) {
    return {Status::unconfirmed, {reason}};
}

QString sourceOfferKey(const CartItem& item) {
    const QString key = item.supplierOfferKey.value_or(QString()).trimmed();
    return key.isEmpty() ? item.offerID.trimmed() : key;
}

QString rubles(double amount) {
    return QString::asprintf("%.2f", amount).replace(u'.', u',');
}

} // namespace

PFCartFreshnessChecker::PFCartFreshnessChecker(AutoEuroClient& autoEuro, SearchConnectorFactory& connectors)
    : m_autoEuro(autoEuro)
    , m_connectors(connectors) {}

QCoro::Task<PFCartFreshnessMap> PFCartFreshnessChecker::check(SupplierCartGroup group) {
    const QString supplier = group.supplierID.toLower();
    if (supplier == u"autoeuro") {
        auto task = checkAutoEuro(group.items);
        co_return co_await std::move(task);
    }
    if (supplier == u"autopiter") {
        auto task = checkAutopiter(group.items);
        co_return co_await std::move(task);
    }
    PFCartFreshnessMap verdicts;
    for (const CartItem& item : group.items)
        verdicts.insert(item.id, unconfirmed(QStringLiteral("Проверка для этого поставщика не предусмотрена.")));
    co_return verdicts;
}

PFCartFreshness PFCartFreshnessChecker::fromRevalidation(OrderRevalidationState state, const QStringList& changes,
                                                         bool autoEuro) {
    switch (state) {
    case OrderRevalidationState::current:
        return {Status::current, changes};
    case OrderRevalidationState::changed:
        return {Status::termsChanged, changes};
    case OrderRevalidationState::unavailable:
        break;
    }
    if (autoEuro) {
        // "Not found again" is no proof that the offer is gone.
        static const QStringList notFound = {QStringLiteral("исходное предложение"), QStringLiteral("исходная позиция"),
                                             QStringLiteral("не найден"), QStringLiteral("не обнаружен"),
                                             QStringLiteral("не удалось найти")};
        for (const QString& change : changes) {
            const QString lower = change.toLower();
            for (const QString& words : notFound) {
                if (lower.contains(words))
                    return {Status::unconfirmed, changes};
            }
        }
    }
    return {Status::offerUnavailable, changes};
}

QCoro::Task<PFCartFreshnessMap> PFCartFreshnessChecker::checkAutoEuro(QList<CartItem> items) {
    auto deliveryLookup = m_autoEuro.chelyabinskDelivery();
    const AutoEuroDelivery delivery = co_await std::move(deliveryLookup);
    AutoEuroOrderRevalidator revalidator(m_autoEuro);
    auto revalidation = revalidator.revalidate(items, delivery);
    const QList<AutoEuroRevalidatedItem> results = co_await std::move(revalidation);
    PFCartFreshnessMap verdicts;
    for (const auto& result : results)
        verdicts.insert(result.cartItem.id, fromRevalidation(result.state, result.changes, true));
    co_return verdicts;
}

QCoro::Task<PFCartFreshnessMap> PFCartFreshnessChecker::checkAutopiter(QList<CartItem> items) {
    PFCartFreshnessMap verdicts;
    // One search per article, however many lines share it.
    QHash<QString, QList<SupplierOffer>> searches;
    for (const CartItem& item : items) {
        const QString key = sourceOfferKey(item);
        if (item.article.trimmed().isEmpty() || key.isEmpty()) {
            verdicts.insert(item.id, unconfirmed(QStringLiteral(
                                         "Нет артикула или идентификатора исходного предложения Autopiter.")));
            continue;
        }
        const QString article = item.article.trimmed().toUpper();
        if (!searches.contains(article)) {
            std::shared_ptr<SupplierSearchProviding> provider = m_connectors.makeAutopiter();
            auto search = provider->search(article);
            searches.insert(article, co_await std::move(search));
        }
        QList<SupplierOffer> matches;
        for (const SupplierOffer& offer : searches.value(article)) {
            if (offer.supplierOfferKey == key)
                matches.append(offer);
        }
        if (matches.size() == 1)
            verdicts.insert(item.id, compare(item, matches.first()));
        else if (matches.isEmpty())
            verdicts.insert(item.id,
                            unconfirmed(QStringLiteral("Исходное предложение не найдено повторным поиском. "
                                                       "Это не подтверждает отсутствие товара у поставщика.")));
        else
            verdicts.insert(
                item.id, unconfirmed(QStringLiteral("Исходное предложение не удалось однозначно найти в новом ответе "
                                                    "Autopiter.")));
    }
    co_return verdicts;
}

PFCartFreshness PFCartFreshnessChecker::compare(const CartItem& item, const SupplierOffer& offer) {
    QStringList details;
    bool unavailable = false;
    const double price = offer.price.toDouble();
    if (OrderRevalidation::pricesDiffer(item.unitPrice, price))
        details.append(QStringLiteral("Цена: %1 руб. → %2 руб.").arg(rubles(item.unitPrice), rubles(price)));

    if (!offer.availableQuantity) {
        details.append(QStringLiteral("Поставщик не подтвердил доступный остаток."));
    } else {
        const std::int64_t stock = *offer.availableQuantity;
        if (item.availableQuantity && *item.availableQuantity != stock)
            details.append(QStringLiteral("Остаток: %1 → %2 шт.").arg(*item.availableQuantity).arg(stock));
        if (stock < item.quantity) {
            details.append(QStringLiteral("Доступно %1 шт.; выбрано %2 шт.").arg(stock).arg(item.quantity));
            unavailable = stock == 0;
        }
    }

    if (!offer.deliveryDescription || offer.deliveryDescription->isEmpty())
        details.append(QStringLiteral("Поставщик не подтвердил срок доставки."));
    else if (offer.deliveryDescription != item.deliveryTime)
        details.append(QStringLiteral("Доставка: %1 → %2")
                           .arg(item.deliveryTime.value_or(QStringLiteral("—")), *offer.deliveryDescription));

    if (offer.name != item.name)
        details.append(QStringLiteral("Изменилось наименование позиции."));

    const QString status = unavailable ? Status::unavailable : details.isEmpty() ? Status::current : Status::changed;
    return {status, details};
}
