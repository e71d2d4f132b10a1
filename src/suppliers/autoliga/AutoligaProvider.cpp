#include "AutoligaProvider.h"

#include "core/OfferRanges.h"
#include "core/SupplierDescriptor.h"
#include "core/TextUtils.h"
#include "suppliers/JsonDecoding.h"
#include "TradeSoftHTTPAPI.h"

#include <algorithm>

AutoligaProvider::AutoligaProvider(TradeSoftHTTPAPI& api)
    : m_api(api) {}

std::optional<SupplierOffer> AutoligaProvider::normalize(const TradeSoftPriceItem& item,
                                                         const std::optional<QString>& fallbackOfferKey,
                                                         const QDateTime& now) {
    if (!(item.price > 0))
        return std::nullopt;
    const auto price = Decimal::fromDouble(item.price);
    if (!price)
        return std::nullopt;

    const SupplierDescriptor& descriptor = SupplierDescriptors::autoliga();
    SupplierOffer offer;
    offer.supplierID = descriptor.id;
    offer.supplierName = descriptor.displayName;
    offer.brand = TextUtils::trimmed(item.producer);
    offer.article = TextUtils::trimmed(item.code);
    offer.name = TextUtils::trimmed(item.caption);

    const QString hash = TextUtils::trimmed(item.itemHash);
    if (!hash.isEmpty())
        offer.supplierOfferKey = hash;
    else if (fallbackOfferKey && !fallbackOfferKey->isEmpty())
        offer.supplierOfferKey = *fallbackOfferKey;
    else
        offer.supplierOfferKey =
            QStringList{offer.brand, offer.article, Json::shortestText(item.price), item.direction.value_or(QString()),
                        item.deliveryDaysMax ? QString::number(*item.deliveryDaysMax) : QString()}
                .join(u'|');

    const auto& min = item.deliveryDaysMin;
    const auto& max = item.deliveryDaysMax;
    if (min && max && *min != *max)
        offer.deliveryDescription = QStringLiteral("%1-%2 дн.").arg(*min).arg(*max);
    else if (min)
        offer.deliveryDescription = QStringLiteral("%1 дн.").arg(*min);
    else if (max)
        offer.deliveryDescription = QStringLiteral("%1 дн.").arg(*max);
    else if (const QString days = TextUtils::trimmed(item.deliveryDays.value_or(QString())); !days.isEmpty())
        offer.deliveryDescription = days + QStringLiteral(" дн.");

    offer.price = *price;
    const QString currency = TextUtils::trimmed(item.currencyCode);
    offer.currency = currency.isEmpty() ? QStringLiteral("RUB") : currency;
    offer.availableQuantity = item.availableQuantity();
    offer.minimumQuantity = item.minimumQuantity;
    if (item.direction)
        offer.warehouse = TextUtils::trimmed(*item.direction);
    offer.isReturnable = item.isReturnable();
    offer.updatedAt = now;
    if (!OfferRanges::apply(offer, now))
        return std::nullopt;
    return offer;
}

QCoro::Task<std::optional<AutoligaPreOrderOffer>> AutoligaProvider::preOrderCheck(QString article, QString producer,
                                                                                  QString itemHash) {
    const QString code = TextUtils::trimmed(article);
    const QString brand = TextUtils::trimmed(producer);
    const QString hash = TextUtils::trimmed(itemHash);
    if (code.isEmpty() || brand.isEmpty() || hash.isEmpty())
        co_return std::nullopt;

    auto search = m_api.preOrderSearch(code, brand, hash, QString::fromUtf16(tradeSoftProviderID));
    const QList<TradeSoftPriceItem> rows = co_await std::move(search);
    if (rows.isEmpty())
        co_return std::nullopt;

    auto chosen = std::find_if(rows.begin(), rows.end(), [&](const TradeSoftPriceItem& row) {
        return !row.itemHash.isEmpty() && row.itemHash == hash;
    });
    if (chosen == rows.end())
        chosen = std::find_if(rows.begin(), rows.end(), [&](const TradeSoftPriceItem& row) {
            return row.code.compare(code, Qt::CaseInsensitive) == 0 &&
                   row.producer.compare(brand, Qt::CaseInsensitive) == 0;
        });
    if (chosen == rows.end())
        chosen = rows.begin();

    auto offer = normalize(*chosen, hash);
    // TradeSoft named the line, but its price is no price: that says nothing of whether it is gone.
    if (!offer)
        co_return AutoligaPreOrderOffer{SupplierOffer(), chosen->itemID, true};
    co_return AutoligaPreOrderOffer{std::move(*offer), chosen->itemID};
}
