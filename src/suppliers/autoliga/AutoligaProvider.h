#pragma once

#include "core/SupplierOffer.h"
#include "TradeSoftModels.h"

#include <QCoroTask>
#include <QDateTime>
#include <QString>

#include <optional>
#include <string>

class TradeSoftHTTPAPI;
class UserDefaults;

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

    // The identifier saved in `defaults` (the Автолига sheet) is used instead of the built-in one.
    explicit AutoligaProvider(TradeSoftHTTPAPI& api, const UserDefaults* defaults = nullptr);

    // The saved identifier when it is a usable one, else the built-in one.
    static QString providerID(const UserDefaults* defaults);
    // Letters, digits, "_", "-" and "." only, at most 64 of them: what TradeSoft's provider names are.
    static bool isUsableProviderID(QStringView id);
    QString providerID() const { return providerID(m_defaults); }

    // Nothing for a row without a positive price. The offer key is the row's item hash, else
    // the fallback, else brand|article|price|direction|maximum days.
    static std::optional<SupplierOffer> normalize(const TradeSoftPriceItem& item,
                                                  const std::optional<QString>& fallbackOfferKey,
                                                  const QDateTime& now = QDateTime::currentDateTimeUtc());
    // The same for another supplier reached through TradeSoft.
    static std::optional<SupplierOffer> normalize(const TradeSoftPriceItem& item,
                                                  const std::optional<QString>& fallbackOfferKey,
                                                  const QString& supplierID, const QString& supplierName,
                                                  const QDateTime& now);
    // What a pre-order answer says of the line with this item hash (all three trimmed, none blank):
    // the row with the hash, else the one with the article and brand, else the first; nothing when
    // the answer has no row.
    static std::optional<AutoligaPreOrderOffer> preOrderOffer(const QList<TradeSoftPriceItem>& rows,
                                                              const QString& article, const QString& producer,
                                                              const QString& itemHash, const QString& supplierID,
                                                              const QString& supplierName);
    // Nothing, without asking TradeSoft, when any input is blank; nothing when the answer has no
    // row. The row is the one with the item hash, else the one with the article and brand, else
    // the first; when its price is unusable the result says so (unusablePrice).
    QCoro::Task<std::optional<AutoligaPreOrderOffer>> preOrderCheck(QString article, QString producer,
                                                                    QString itemHash);

private:
    TradeSoftHTTPAPI& m_api;
    const UserDefaults* m_defaults;
};
