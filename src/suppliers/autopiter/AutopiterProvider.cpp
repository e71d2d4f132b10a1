#include "AutopiterProvider.h"

#include "AutopiterClient.h"
#include "AutopiterXmlParser.h"
#include "core/OfferRanges.h"
#include "core/Offload.h"
#include "core/UserFacingError.h"

#include <QSet>

#include <exception>
#include <memory>
#include <vector>

namespace {

struct PriceCollection {
    // Rows in the order their answers arrived.
    QList<AutopiterPriceItem> items;
    qsizetype skippedOffers = 0;
    // One slot per request, in catalogue order; set when that request failed.
    std::vector<std::exception_ptr> failures;
};

// Upper case, with every character that is neither a letter (with its marks) nor a
// digit dropped, in any script: "oc-90" and "OC 90" compare equal.
QString canonicalNumber(QStringView text) {
    QString result;
    for (const char32_t c : text.toString().toUpper().toUcs4()) {
        if (QChar::isLetterOrNumber(c) || QChar::isMark(c))
            result.append(QString::fromUcs4(&c, 1));
    }
    return result;
}

// An answer's rows, read off the window's thread: its text checked to be UTF-8, then parsed.
template <typename Parse> auto parsedOffThread(QByteArray body, QString operation, Parse parse) {
    return offload([body = std::move(body), operation = std::move(operation), parse] {
        AutopiterClient::answerText(body, operation);
        return parse(body);
    });
}

// One catalogue article's prices, appended when they arrive. A failure here costs this
// article's rows only and is kept for the report. The login was checked by the catalogue
// request of the same search.
QCoro::Task<> collectPrices(AutopiterClient& client, std::int64_t articleID, size_t slot,
                            std::shared_ptr<PriceCollection> collected) {
    try {
        auto request = client.getPrice(articleID, 1, false);
        QByteArray body = co_await std::move(request);
        auto parsing = parsedOffThread(std::move(body), QStringLiteral("GetPriceId"), &AutopiterXmlParser::priceItems);
        QList<AutopiterPriceItem> items = co_await std::move(parsing);
        // No more than a search keeps: the rest is counted, not held.
        const qsizetype room = std::max<qsizetype>(0, SearchLimits::maxOffersPerSearch - collected->items.size());
        if (items.size() > room) {
            collected->skippedOffers += items.size() - room;
            items.resize(room);
        }
        collected->items.append(std::move(items));
    } catch (const UserFacingError&) {
        collected->failures[slot] = std::current_exception();
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

} // namespace

AutopiterProvider::AutopiterProvider(AutopiterClient& client)
    : m_client(client) {}

std::chrono::milliseconds AutopiterProvider::searchBudget() const {
    return m_client.searchBudget();
}

const SupplierDescriptor& AutopiterProvider::descriptor() const {
    return SupplierDescriptors::autopiter();
}

QCoro::Task<QList<SupplierOffer>> AutopiterProvider::search(QString article) {
    m_report = {};
    const QString query = article.trimmed().toUpper();
    if (query.isEmpty())
        co_return {};
    // Without an account nothing is sent: the service is not asked whether an old login holds.
    auto credentials = m_client.requireStoredCredentials();
    co_await std::move(credentials);

    auto catalogRequest = m_client.findCatalog(query);
    QByteArray catalogBody = co_await std::move(catalogRequest);
    auto catalogParsing =
        parsedOffThread(std::move(catalogBody), QStringLiteral("FindCatalog"), &AutopiterXmlParser::catalogItems);
    const QList<AutopiterCatalogItem> catalog = co_await std::move(catalogParsing);

    const QString wanted = canonicalNumber(query);
    QList<AutopiterCatalogItem> chosen;
    for (const auto& row : catalog) {
        if (canonicalNumber(row.number) == wanted)
            chosen.append(row);
    }
    if (chosen.isEmpty())
        chosen = catalog;
    if (chosen.isEmpty())
        co_return {};
    // A catalogue of hundreds of rows is asked for its first ones only; the rest are named.
    if (chosen.size() > SearchLimits::maxRequestsPerSupplier) {
        m_report.skippedRequests = static_cast<int>(chosen.size() - SearchLimits::maxRequestsPerSupplier);
        chosen.resize(SearchLimits::maxRequestsPerSupplier);
    }

    auto collected = std::make_shared<PriceCollection>();
    collected->failures.resize(static_cast<size_t>(chosen.size()));
    std::vector<QCoro::Task<>> children;
    children.reserve(static_cast<size_t>(chosen.size()));
    for (qsizetype i = 0; i < chosen.size(); ++i)
        children.push_back(collectPrices(m_client, chosen[i].articleID, static_cast<size_t>(i), collected));
    for (auto& child : children)
        co_await std::move(child);

    std::exception_ptr firstFailure;
    int failed = 0;
    for (const auto& failure : collected->failures) {
        if (!failure)
            continue;
        ++failed;
        if (!firstFailure)
            firstFailure = failure;
    }
    // One article that fails does not end the search; all of them failing is no "nothing found".
    if (failed == chosen.size())
        std::rethrow_exception(firstFailure);
    m_report.totalRequests = static_cast<int>(chosen.size());
    m_report.failedRequests = failed;
    m_report.skippedOffers = collected->skippedOffers;
    if (firstFailure)
        m_report.firstFailure = descriptionOf(firstFailure);

    // The first row of every detail id wins; thousands of rows are mapped off the window's thread.
    auto mapping = offload([items = std::move(collected->items), now = QDateTime::currentDateTimeUtc()] {
        QList<SupplierOffer> offers;
        QSet<QString> seen;
        for (const auto& item : items) {
            if (seen.contains(item.detailUID))
                continue;
            seen.insert(item.detailUID);
            // A price of nothing (or of a fortune) would sort first (or last) and be ordered by mistake.
            SupplierOffer offer = normalize(item, now);
            if (OfferRanges::apply(offer, now))
                offers.append(std::move(offer));
        }
        return offers;
    });
    co_return co_await std::move(mapping);
}

QCoro::Task<void> AutopiterProvider::checkConnection() {
    m_client.clearAuthorization();
    auto check = m_client.ensureAuthorized();
    co_await std::move(check);
}

SupplierOffer AutopiterProvider::normalize(const AutopiterPriceItem& item, const QDateTime& now) {
    static const Decimal hundred(100);
    SupplierOffer offer;
    offer.supplierID = QString::fromUtf16(SupplierDescriptors::autopiterID);
    offer.supplierName = QStringLiteral("Autopiter");
    offer.supplierOfferKey = item.detailUID;
    offer.brand = item.catalogName;
    offer.article = item.number;
    offer.name = item.name;
    offer.price = item.salePrice;
    offer.currency = item.currency;
    offer.availableQuantity = item.availableQuantity;
    offer.minimumQuantity = item.minimumQuantity;
    offer.warehouse = item.region;
    if (item.daysSupply)
        offer.deliveryDescription = QString::number(*item.daysSupply) + QStringLiteral(" дн.");
    offer.deliveryDate = item.deliveryDate;
    if (const auto& percent = item.successfulOrdersPercent; percent && *percent >= Decimal(0) && *percent <= hundred)
        offer.rejectRate = hundred - *percent;
    offer.updatedAt = now;
    return offer;
}
