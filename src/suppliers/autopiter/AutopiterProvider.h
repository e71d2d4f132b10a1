#pragma once

#include "core/SupplierSearchProviding.h"

#include <QDateTime>

class AutopiterClient;
struct AutopiterPriceItem;

// Autopiter as a search provider: the catalogue articles that carry the number (the
// exact matches, or all of them when none matches exactly), then every article's
// prices with analogues, at once, each price row turned into a SupplierOffer.
class AutopiterProvider final : public SupplierSearchProviding, public SupplierConnectionChecking {
public:
    explicit AutopiterProvider(AutopiterClient& client);

    const SupplierDescriptor& descriptor() const override;
    // Fails when the catalogue step fails, or when every price request fails (with the
    // first article's error); a price request that fails while others answer costs only
    // its own rows, and lastSearchReport() says so.
    QCoro::Task<QList<SupplierOffer>> search(QString article) override;
    SupplierSearchReport lastSearchReport() const override { return m_report; }
    std::chrono::milliseconds searchBudget() const override;
    // Logs in afresh with the stored credentials.
    QCoro::Task<void> checkConnection() override;

    static SupplierOffer normalize(const AutopiterPriceItem& item,
                                   const QDateTime& now = QDateTime::currentDateTimeUtc());

private:
    AutopiterClient& m_client;
    SupplierSearchReport m_report;
};
