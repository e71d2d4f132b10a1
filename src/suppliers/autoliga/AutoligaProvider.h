#pragma once

#include "core/SupplierOffer.h"
#include "TradeSoftModels.h"

#include <QCoroTask>
#include <QDateTime>
#include <QString>

#include <optional>
#include <string>

class TradeSoftHTTPAPI;

// What the pre-order check found: the fresh offer and TradeSoft's id of its row.
struct AutoligaPreOrderOffer {
    SupplierOffer offer;
    std::optional<QString> itemID;
    // The row was found, but its price is no usable number (1e999, NaN, below one kopeck): the
    // offer is then empty, and the line can be neither confirmed nor called gone.
    bool unusablePrice = false;

    bool operator==(const AutoligaPreOrderOffer&) const = default;
};

// Autoliga as a TradeSoft provider: price rows turned into offers, and the check, just
// before an order, that an offer in the cart still exists and what it costs now.
class AutoligaProvider {
public:
    // Autoliga's provider identifier inside TradeSoft.
    static constexpr auto tradeSoftProviderID = u"autoliga74ru0";
    static_assert(std::char_traits<char16_t>::length(tradeSoftProviderID) == 13);

    explicit AutoligaProvider(TradeSoftHTTPAPI& api);

    // Nothing for a row without a positive price. The offer key is the row's item hash, else
    // the fallback, else brand|article|price|direction|maximum days.
    static std::optional<SupplierOffer> normalize(const TradeSoftPriceItem& item,
                                                  const std::optional<QString>& fallbackOfferKey,
                                                  const QDateTime& now = QDateTime::currentDateTimeUtc());
    // Nothing, without asking TradeSoft, when any input is blank; nothing when the answer has no
    // row. The row is the one with the item hash, else the one with the article and brand, else
    // the first; when its price is unusable the result says so (unusablePrice).
    QCoro::Task<std::optional<AutoligaPreOrderOffer>> preOrderCheck(QString article, QString producer,
                                                                    QString itemHash);

private:
    TradeSoftHTTPAPI& m_api;
};
