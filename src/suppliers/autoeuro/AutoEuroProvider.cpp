#include "AutoEuroProvider.h"

#include "AutoEuroClient.h"
#include "core/TextUtils.h"

#include <QSet>

#include <exception>
#include <memory>
#include <vector>

namespace {

// One brand's offers, appended to `collected` when they arrive so that the merged
// list follows completion order. A failure here costs this brand only.
QCoro::Task<> collectBrandOffers(AutoEuroClient& client, AutoEuroBrand brand, QString deliveryKey, QString supplierName,
                                 std::shared_ptr<QList<SupplierOffer>> collected) {
    QList<AutoEuroOffer> offers;
    try {
        auto request = client.offers(brand.brand, brand.code, deliveryKey);
        offers = co_await std::move(request);
    } catch (const UserFacingError&) {
        co_return;
    }
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (const auto& offer : offers) {
        if (auto normalized = AutoEuroProvider::normalize(offer, supplierName, now))
            collected->append(std::move(*normalized));
    }
}

} // namespace

AutoEuroProvider::AutoEuroProvider(AutoEuroClient& client)
    : m_client(client) {}

const SupplierDescriptor& AutoEuroProvider::descriptor() const {
    return SupplierDescriptors::autoEuro();
}

QCoro::Task<QList<SupplierOffer>> AutoEuroProvider::search(QString article) {
    const QString query = TextUtils::trimmedUpper(article);
    if (query.isEmpty())
        co_return {};

    auto brandsTask = m_client.brands(query);
    auto deliveryTask = m_client.chelyabinskDelivery();
    // Both lookups are awaited before either result is used: a missing delivery point
    // fails the search even when there is no brand.
    QList<AutoEuroBrand> brands;
    std::optional<AutoEuroDelivery> delivery;
    std::exception_ptr failure;
    try {
        brands = co_await std::move(brandsTask);
    } catch (const UserFacingError&) {
        failure = std::current_exception();
    }
    try {
        delivery = co_await std::move(deliveryTask);
    } catch (const UserFacingError&) {
        if (!failure)
            failure = std::current_exception();
    }
    if (failure)
        std::rethrow_exception(failure);
    if (brands.isEmpty())
        co_return {};

    const QString supplierName = descriptor().displayName;
    auto collected = std::make_shared<QList<SupplierOffer>>();
    std::vector<QCoro::Task<>> children;
    children.reserve(brands.size());
    for (const auto& brand : brands)
        children.push_back(collectBrandOffers(m_client, brand, delivery->delivery_key, supplierName, collected));
    for (auto& child : children)
        co_await std::move(child);

    QList<SupplierOffer> result;
    QSet<QString> seen;
    for (auto& offer : *collected) {
        const QString id = offer.id();
        if (seen.contains(id))
            continue;
        seen.insert(id);
        result.append(std::move(offer));
    }
    co_return result;
}

QCoro::Task<void> AutoEuroProvider::checkConnection() {
    auto request = m_client.payers();
    co_await std::move(request);
}

std::optional<SupplierOffer> AutoEuroProvider::normalize(const AutoEuroOffer& offer, const QString& supplierName,
                                                         const QDateTime& now) {
    if (!offer.offer_key || !offer.price)
        return std::nullopt;
    const QString key = TextUtils::trimmed(*offer.offer_key);
    if (key.isEmpty())
        return std::nullopt;
    const auto price = Decimal::fromDouble(offer.price->value);
    if (!price)
        return std::nullopt;

    SupplierOffer result;
    result.supplierID = QString::fromUtf16(SupplierDescriptors::autoEuroID);
    result.supplierName = supplierName;
    result.supplierOfferKey = key;
    result.brand = offer.brand.value_or(QString());
    result.article = offer.code.value_or(QString());
    result.name = offer.name.value_or(QString());
    result.price = *price;
    result.currency = offer.currency.value_or(QStringLiteral("RUB"));
    if (offer.amount)
        result.availableQuantity = offer.amount->value;
    if (offer.packing)
        result.packageQuantity = offer.packing->value;
    result.warehouse = offer.warehouse_name;
    if (offer.delivery_time)
        result.deliveryDescription = offer.delivery_time->value;
    if (offer.rejects)
        result.rejectRate = Decimal::fromDouble(offer.rejects->value);
    if (offer.return_)
        result.isReturnable = offer.return_->value != 0;
    result.updatedAt = now;
    return result;
}
