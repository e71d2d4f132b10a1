#include "AutopiterProvider.h"

#include "AutopiterClient.h"
#include "AutopiterXmlParser.h"
#include "core/OfferRanges.h"
#include "core/UserFacingError.h"

#include <QSet>

#include <exception>
#include <memory>
#include <vector>

namespace {

struct PriceCollection {
    // Rows in the order their answers arrived.
    QList<AutopiterPriceItem> items;
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

// One catalogue article's prices, appended when they arrive. A failure here costs this
// article's rows only and is kept for the report.
QCoro::Task<> collectPrices(AutopiterClient& client, std::int64_t articleID, size_t slot,
                            std::shared_ptr<PriceCollection> collected) {
    try {
        auto request = client.getPriceXML(articleID, 1);
        const QString xml = co_await std::move(request);
        collected->items.append(AutopiterXmlParser::priceItems(xml.toUtf8()));
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

const SupplierDescriptor& AutopiterProvider::descriptor() const {
    return SupplierDescriptors::autopiter();
}

QCoro::Task<QList<SupplierOffer>> AutopiterProvider::search(QString article) {
    m_report = {};
    const QString query = article.trimmed().toUpper();
    if (query.isEmpty())
        co_return {};

    auto catalogRequest = m_client.findCatalogXML(query);
    const QString catalogXML = co_await std::move(catalogRequest);
    const QList<AutopiterCatalogItem> catalog = AutopiterXmlParser::catalogItems(catalogXML.toUtf8());

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
    if (firstFailure)
        m_report.firstFailure = descriptionOf(firstFailure);

    // The first row of every detail id wins.
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QList<SupplierOffer> offers;
    QSet<QString> seen;
    for (const auto& item : collected->items) {
        if (seen.contains(item.detailUID))
            continue;
        seen.insert(item.detailUID);
        // A price of nothing (or of a fortune) would sort first (or last) and be ordered by mistake.
        SupplierOffer offer = normalize(item, now);
        if (OfferRanges::apply(offer, now))
            offers.append(std::move(offer));
    }
    co_return offers;
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
