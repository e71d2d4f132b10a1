#include "AbcpProvider.h"

#include "core/OfferRanges.h"
#include "core/Offload.h"
#include "core/TextUtils.h"

#include <QMap>
#include <QSet>

#include <exception>
#include <memory>
#include <vector>

namespace {

struct BrandAnswers {
    // By brand position, so that the order of the offers does not depend on timing.
    QMap<qsizetype, QList<SupplierOffer>> offers;
    QMap<qsizetype, std::exception_ptr> failures;
    qsizetype skipped = 0;
    // Offers kept so far, and those beyond what a search keeps.
    qsizetype kept = 0;
    qsizetype skippedOffers = 0;
};

QCoro::Task<> collectBrand(AbcpClient& client, AbcpCredentials credentials, SupplierAccount account, AbcpBrand hit,
                           QString article, qsizetype position, std::shared_ptr<BrandAnswers> answers) {
    try {
        qsizetype skipped = 0;
        auto request = AbcpProvider::offers(client, credentials, account, hit.number.isEmpty() ? article : hit.number,
                                            hit.brand, &skipped);
        answers->offers.insert(position, co_await std::move(request));
        answers->skipped += skipped;
    } catch (const UserFacingError&) {
        answers->failures.insert(position, std::current_exception());
    }
}

QString descriptionOf(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const UserFacingError& e) {
        return e.description();
    }
    return {};
}

// Hours as whole days, a started day counting as one.
std::int64_t days(std::int64_t hours) {
    return hours / 24 + (hours % 24 > 0 ? 1 : 0);
}

} // namespace

AbcpProvider::AbcpProvider(AbcpClient client, CredentialStore& credentials, SupplierDescriptor descriptor,
                           SupplierAccount account)
    : m_client(std::move(client))
    , m_credentials(credentials)
    , m_descriptor(std::move(descriptor))
    , m_account(std::move(account)) {}

QString AbcpProvider::offerKey(const QString& itemKey, const QString& supplierCode) {
    return itemKey + u'|' + supplierCode;
}

QCoro::Task<QList<SupplierOffer>> AbcpProvider::offers(AbcpClient& client, AbcpCredentials credentials,
                                                       SupplierAccount account, QString number, QString brand,
                                                       qsizetype* skipped) {
    auto request = client.articles(std::move(credentials), number, brand);
    AbcpArticles answer = co_await std::move(request);
    // Thousands of rows are mapped off the window's thread.
    auto mapping = offload([answer = std::move(answer), account, now = QDateTime::currentDateTimeUtc()] {
        std::pair<QList<SupplierOffer>, qsizetype> mapped{{}, answer.skipped};
        for (const AbcpOffer& offer : answer.offers) {
            if (auto normalized = normalize(offer, account, now))
                mapped.first.append(std::move(*normalized));
            else
                ++mapped.second;
        }
        return mapped;
    });
    auto [result, dropped] = co_await std::move(mapping);
    if (skipped)
        *skipped = dropped;
    co_return result;
}

QCoro::Task<QList<SupplierOffer>> AbcpProvider::search(QString article) {
    m_report = {};
    const QString query = TextUtils::trimmedUpper(article);
    if (query.isEmpty())
        co_return {};
    auto load = AbcpCredentials::load(m_credentials, m_account);
    const AbcpCredentials credentials = co_await std::move(load);
    auto lookup = m_client.brands(credentials, query);
    const QList<AbcpBrand> hits = co_await std::move(lookup);

    // Only brands that make this very number: the shop lists look-alikes too.
    const QString wanted = TextUtils::canonicalPartNumber(query);
    QList<AbcpBrand> brands;
    QSet<QString> seen;
    for (const AbcpBrand& hit : hits) {
        const QString number = TextUtils::canonicalPartNumber(hit.numberFix.isEmpty() ? hit.number : hit.numberFix);
        const QString key = hit.brand.toUpper() + u'|' + number;
        if ((number.isEmpty() || number == wanted) && !seen.contains(key)) {
            seen.insert(key);
            brands.append(hit);
        }
    }
    if (brands.isEmpty())
        co_return {};
    // A number that hundreds of brands carry is asked of its first ones only; the rest are named.
    if (brands.size() > SearchLimits::maxRequestsPerSupplier) {
        m_report.skippedRequests = static_cast<int>(brands.size() - SearchLimits::maxRequestsPerSupplier);
        brands.resize(SearchLimits::maxRequestsPerSupplier);
    }

    auto answers = std::make_shared<BrandAnswers>();
    std::vector<QCoro::Task<>> children;
    children.reserve(brands.size());
    for (qsizetype i = 0; i < brands.size(); ++i)
        children.push_back(collectBrand(m_client, credentials, m_account, brands.at(i), query, i, answers));
    for (auto& child : children)
        co_await std::move(child);

    if (answers->failures.size() == brands.size())
        std::rethrow_exception(answers->failures.first());
    m_report.totalRequests = static_cast<int>(brands.size());
    m_report.failedRequests = static_cast<int>(answers->failures.size());
    if (!answers->failures.isEmpty())
        m_report.firstFailure = descriptionOf(answers->failures.first());
    m_report.skippedRecords = answers->skipped;
    m_report.skippedOffers = answers->skippedOffers;

    QList<SupplierOffer> result;
    QSet<QString> ids;
    for (QList<SupplierOffer>& list : answers->offers) {
        for (SupplierOffer& offer : list) {
            const QString id = offer.id();
            if (ids.contains(id))
                continue;
            ids.insert(id);
            result.append(std::move(offer));
        }
    }
    co_return result;
}

std::optional<SupplierOffer> AbcpProvider::normalize(const AbcpOffer& offer, const SupplierAccount& account,
                                                     const QDateTime& now) {
    if (offer.itemKey.isEmpty() || offer.supplierCode.isEmpty())
        return std::nullopt;
    SupplierOffer result;
    result.supplierID = account.id;
    result.supplierName = account.name;
    result.supplierOfferKey = offerKey(offer.itemKey, offer.supplierCode);
    result.brand = offer.brand;
    result.article = offer.number;
    result.name = offer.description;
    result.price = offer.price;
    // The shop prices in its own currency, roubles for the shops of this market.
    result.currency = QStringLiteral("RUB");

    if (const auto stock = offer.availability) {
        static const QMap<std::int64_t, std::pair<const char16_t*, std::int64_t>> approximate = {
            {-1, {u"+", 1}}, {-2, {u"++", 10}}, {-3, {u"+++", 100}}};
        if (*stock >= 0) {
            result.availableQuantity = *stock;
        } else if (approximate.contains(*stock)) {
            result.stockNote = QString::fromUtf16(approximate.value(*stock).first);
            result.availableQuantity = approximate.value(*stock).second;
        } else if (*stock == -10) {
            result.stockNote = QStringLiteral("под заказ");
        }
    }
    if (offer.packing && *offer.packing >= 1)
        result.packageQuantity = *offer.packing;

    const auto& min = offer.deliveryPeriod;
    const auto& max = offer.deliveryPeriodMax;
    if (min && *min == 0 && (!max || *max == 0))
        result.deliveryDescription = SupplierOffer::inStockText();
    else if (min && *min >= 0 && max && days(*max) > days(*min))
        result.deliveryDescription = QStringLiteral("%1-%2 дн.").arg(days(*min)).arg(days(*max));
    else if (min && *min >= 0)
        result.deliveryDescription = QStringLiteral("%1 дн.").arg(days(*min));
    else if (!offer.deadlineReplace.isEmpty())
        result.deliveryDescription = offer.deadlineReplace;

    if (offer.deliveryProbability && *offer.deliveryProbability > 0 && *offer.deliveryProbability <= 100)
        result.rejectRate = Decimal(100) - Decimal::fromDouble(*offer.deliveryProbability).value_or(Decimal(100));
    if (!offer.supplierDescription.isEmpty())
        result.warehouse = offer.supplierDescription;
    if (offer.noReturn)
        result.isReturnable = !*offer.noReturn;
    result.updatedAt = now;
    if (!OfferRanges::apply(result, now))
        return std::nullopt;
    return result;
}
