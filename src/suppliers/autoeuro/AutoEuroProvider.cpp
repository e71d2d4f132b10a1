#include "AutoEuroProvider.h"

#include "AutoEuroClient.h"
#include "core/OfferRanges.h"
#include "core/Offload.h"
#include "core/TextUtils.h"

#include <QMap>
#include <QSet>

#include <exception>
#include <memory>
#include <vector>

namespace {

// What the per-brand requests of one search collect, in the order they finish.
struct BrandAnswers {
    QList<SupplierOffer> offers;
    qsizetype skippedRecords = 0;
    qsizetype skippedOffers = 0;
    // Failures by brand position, so that "the first brand's error" does not depend on timing.
    QMap<qsizetype, std::exception_ptr> failures;
};

// One brand's offers, appended when they arrive. A failure here costs this brand only.
QCoro::Task<> collectBrandOffers(AutoEuroClient& client, AutoEuroBrand brand, qsizetype position, QString deliveryKey,
                                 QString supplierName, std::shared_ptr<BrandAnswers> answers) {
    AutoEuroClient::OfferAnswer answer;
    try {
        auto request = client.offerAnswer(brand.brand, brand.code, deliveryKey);
        answer = co_await std::move(request);
    } catch (const UserFacingError&) {
        answers->failures.insert(position, std::current_exception());
        co_return;
    }
    answers->skippedRecords += answer.skippedRecords;
    // Thousands of records are mapped off the window's thread.
    auto mapping = offload([records = std::move(answer.offers), supplierName, now = QDateTime::currentDateTimeUtc()] {
        QList<SupplierOffer> offers;
        offers.reserve(records.size());
        for (const auto& offer : records) {
            if (auto normalized = AutoEuroProvider::normalize(offer, supplierName, now))
                offers.append(std::move(*normalized));
        }
        return offers;
    });
    QList<SupplierOffer> offers = co_await std::move(mapping);
    // No more than a search keeps: the rest is counted, not held.
    const qsizetype room = std::max<qsizetype>(0, SearchLimits::maxOffersPerSearch - answers->offers.size());
    if (offers.size() > room) {
        answers->skippedOffers += offers.size() - room;
        offers.resize(room);
    }
    answers->offers.append(std::move(offers));
}

QString descriptionOf(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const UserFacingError& e) {
        return e.description();
    }
    return {};
}

} // namespace

AutoEuroProvider::AutoEuroProvider(AutoEuroClient& client)
    : m_client(client) {}

std::chrono::milliseconds AutoEuroProvider::searchBudget() const {
    return m_client.searchBudget();
}

const SupplierDescriptor& AutoEuroProvider::descriptor() const {
    return SupplierDescriptors::autoEuro();
}

QCoro::Task<QList<SupplierOffer>> AutoEuroProvider::search(QString article) {
    m_report = {};
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
    // A number that hundreds of brands carry is asked of its first ones only; the rest are named.
    if (brands.size() > SearchLimits::maxRequestsPerSupplier) {
        m_report.skippedRequests = static_cast<int>(brands.size() - SearchLimits::maxRequestsPerSupplier);
        brands.resize(SearchLimits::maxRequestsPerSupplier);
    }

    const QString supplierName = descriptor().displayName;
    auto answers = std::make_shared<BrandAnswers>();
    std::vector<QCoro::Task<>> children;
    children.reserve(brands.size());
    for (qsizetype i = 0; i < brands.size(); ++i)
        children.push_back(
            collectBrandOffers(m_client, brands.at(i), i, delivery->delivery_key, supplierName, answers));
    for (auto& child : children)
        co_await std::move(child);

    // One brand that fails does not end the search; all of them failing is no "nothing found".
    if (answers->failures.size() == brands.size())
        std::rethrow_exception(answers->failures.first());
    m_report.totalRequests = static_cast<int>(brands.size());
    m_report.failedRequests = static_cast<int>(answers->failures.size());
    if (!answers->failures.isEmpty())
        m_report.firstFailure = descriptionOf(answers->failures.first());
    m_report.skippedRecords = answers->skippedRecords;
    m_report.skippedOffers = answers->skippedOffers;

    QList<SupplierOffer> result;
    QSet<QString> seen;
    for (auto& offer : answers->offers) {
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
    // A price of nothing or less would sort as the best offer of all.
    if (!price || *price <= Decimal(0))
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
    if (offer.amount && offer.amount->value >= 0)
        result.availableQuantity = offer.amount->value;
    if (offer.packing && offer.packing->value >= 1)
        result.packageQuantity = offer.packing->value;
    result.warehouse = offer.warehouse_name;
    if (offer.delivery_time)
        result.deliveryDescription = offer.delivery_time->value;
    if (offer.rejects && offer.rejects->value >= 0 && offer.rejects->value <= 100)
        result.rejectRate = Decimal::fromDouble(offer.rejects->value);
    if (offer.return_)
        result.isReturnable = offer.return_->value != 0;
    result.updatedAt = now;
    if (!OfferRanges::apply(result, now))
        return std::nullopt;
    return result;
}
