#include "PFCartFreshnessChecker.h"

#include "AutoEuroOrderRevalidator.h"
#include "AutoligaOrderRevalidator.h"
#include "net/NetworkError.h"
#include "search/SearchConnectors.h"
#include "suppliers/autoeuro/AutoEuroClient.h"
#include "suppliers/autoeuro/AutoEuroProvider.h"
#include "suppliers/autoliga/AutoligaPortalSearchContext.h"
#include "suppliers/autopiter/AutopiterError.h"

#include <QHash>
#include <QRegularExpression>

namespace {

namespace Status = CartFreshnessStatus;

PFCartFreshness unconfirmed(const QString& reason) {
    return {Status::unconfirmed, {reason}};
}

QString sourceOfferKey(const CartItem& item) {
    const QString key = item.supplierOfferKey.value_or(QString()).trimmed();
    return key.isEmpty() ? item.offerID.trimmed() : key;
}

} // namespace

PFCartFreshnessChecker::PFCartFreshnessChecker(AutoEuroClient& autoEuro, SearchConnectorFactory& connectors,
                                               AutoligaProvider& autoliga,
                                               const AutoligaPortalSearchContext& portalOrigins)
    : m_autoEuro(autoEuro)
    , m_connectors(connectors)
    , m_autoliga(autoliga)
    , m_portalOrigins(portalOrigins) {}

QCoro::Task<PFCartFreshnessMap> PFCartFreshnessChecker::check(SupplierCartGroup group) {
    const QString supplier = group.supplierID.toLower();
    // A transport failure says nothing of whom it met: the section's text names the service.
    if (supplier == u"autoeuro") {
        try {
            auto task = checkAutoEuro(group.items);
            co_return co_await std::move(task);
        } catch (const NetworkError& error) {
            throw error.named(QStringLiteral("AutoEuro"));
        }
    }
    if (supplier == u"autopiter") {
        try {
            auto task = checkAutopiter(group.items);
            co_return co_await std::move(task);
        } catch (const NetworkError& error) {
            throw error.named(QStringLiteral("Autopiter"));
        }
    }
    if (supplier == u"autoliga") {
        auto task = checkAutoliga(group.items);
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
    case OrderRevalidationState::unconfirmed:
        return {Status::unconfirmed, changes};
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
    for (const auto& result : results) {
        PFCartFreshness verdict = fromRevalidation(result.state, result.changes, true);
        if (result.currentOffer) {
            const QString name = result.cartItem.supplierName;
            if (const auto offer =
                    AutoEuroProvider::normalize(*result.currentOffer, name, QDateTime::currentDateTimeUtc()))
                verdict.fresh = CartFreshTerms::of(*offer);
        }
        verdicts.insert(result.cartItem.id, std::move(verdict));
    }
    co_return verdicts;
}

QCoro::Task<PFCartFreshnessMap> PFCartFreshnessChecker::checkAutopiter(QList<CartItem> items) {
    PFCartFreshnessMap verdicts;
    // One search per article, however many lines share it.
    QHash<QString, QList<SupplierOffer>> searches;
    // Articles whose search came back without a result (a SOAP fault, say): why.
    QHash<QString, QString> unanswered;
    for (const CartItem& item : items) {
        const QString key = sourceOfferKey(item);
        if (item.article.trimmed().isEmpty() || key.isEmpty()) {
            verdicts.insert(item.id, unconfirmed(QStringLiteral(
                                         "Нет артикула или идентификатора исходного предложения Autopiter.")));
            continue;
        }
        const QString article = item.article.trimmed().toUpper();
        if (!searches.contains(article) && !unanswered.contains(article)) {
            try {
                std::shared_ptr<SupplierSearchProviding> provider = m_connectors.makeAutopiter();
                auto search = provider->search(article);
                searches.insert(article, co_await std::move(search));
            } catch (const AutopiterError& error) {
                // An answer that says nothing of the offers: these lines cannot be confirmed, but
                // nothing says they are gone. Other failures end the check as usual.
                if (!error.isAnswerWithoutResult())
                    throw;
                unanswered.insert(article, error.description());
            }
        }
        if (unanswered.contains(article)) {
            verdicts.insert(item.id, unconfirmed(unanswered.value(article)));
            continue;
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

bool PFCartFreshnessChecker::isPositionalPortalID(const QString& rowID) {
    // The group key may be any text, numbers included ("0:1"); the index is decimal.
    static const QRegularExpression positional(QStringLiteral("^.*:\\d+$"),
                                               QRegularExpression::DotMatchesEverythingOption);
    return positional.match(rowID).hasMatch();
}

QCoro::Task<PFCartFreshnessMap> PFCartFreshnessChecker::checkAutoliga(QList<CartItem> items) {
    static const QString portalPrefix = QStringLiteral("portal-selection:");
    const QString notChecked = QStringLiteral("Старое предложение Автолиги не удалось проверить.");
    PFCartFreshnessMap verdicts;
    // One portal search per stored question, however many lines came from it.
    QHash<std::pair<QString, QString>, QList<SupplierOffer>> searches;
    for (const CartItem& item : items) {
        const QString key = item.supplierOfferKey.value_or(QString());
        if (!key.startsWith(portalPrefix)) {
            // Without an article or brand the pre-order check has nothing to ask: that is no
            // proof that the offer is gone.
            if (key.trimmed().isEmpty() || item.article.trimmed().isEmpty() || item.brand.trimmed().isEmpty()) {
                verdicts.insert(item.id, unconfirmed(notChecked));
                continue;
            }
            AutoligaOrderRevalidator revalidator(m_autoliga);
            QList<AutoligaRevalidatedItem> results;
            try {
                auto revalidation = revalidator.revalidate({item});
                results = co_await std::move(revalidation);
            } catch (const NetworkError& error) {
                throw error.named(QStringLiteral("TradeSoft"));
            }
            if (results.isEmpty()) {
                verdicts.insert(item.id, unconfirmed(notChecked));
            } else {
                PFCartFreshness verdict = fromRevalidation(results.first().state, results.first().changes, false);
                if (const auto& offer = results.first().currentOffer)
                    verdict.fresh = CartFreshTerms::of(*offer);
                verdicts.insert(item.id, std::move(verdict));
            }
            continue;
        }
        if (isPositionalPortalID(key.mid(portalPrefix.size()))) {
            verdicts.insert(item.id, unconfirmed(QStringLiteral("Портал не предоставил постоянный ID позиции; точная "
                                                                "проверка невозможна.")));
            continue;
        }
        const auto origin = m_portalOrigins.lookup(key);
        if (!origin) {
            verdicts.insert(item.id, unconfirmed(QStringLiteral("Не удалось определить исходный запрос портала.")));
            continue;
        }
        if (!searches.contains(*origin)) {
            try {
                std::shared_ptr<PortalOfferSearching> portal = m_connectors.makeAutoligaPortal();
                auto search = portal->search(origin->first, origin->second);
                searches.insert(*origin, co_await std::move(search));
            } catch (const NetworkError& error) {
                throw error.named(QStringLiteral("Портал Автолиги"));
            }
        }
        const QList<SupplierOffer>& fresh = searches[*origin];
        const auto found = std::find_if(fresh.begin(), fresh.end(),
                                        [&key](const SupplierOffer& offer) { return offer.supplierOfferKey == key; });
        if (found == fresh.end())
            verdicts.insert(item.id, unconfirmed(QStringLiteral("Исходная позиция не идентифицирована в новом ответе "
                                                                "портала. Это не доказывает отсутствие товара.")));
        else
            verdicts.insert(item.id, compare(item, *found));
    }
    co_return verdicts;
}

PFCartFreshness PFCartFreshnessChecker::compare(const CartItem& item, const SupplierOffer& offer) {
    QStringList details;
    bool unavailable = false;
    const double price = offer.price.toDouble();
    if (OrderRevalidation::pricesDiffer(item.unitPrice, price))
        details.append(QStringLiteral("Цена: %1 руб. → %2 руб.")
                           .arg(OrderRevalidation::plainRubles(item.unitPrice), OrderRevalidation::plainRubles(price)));

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
    return {status, details, CartFreshTerms::of(offer)};
}
