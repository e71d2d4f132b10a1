#pragma once

#include "core/SupplierSearchProviding.h"

#include <QDateTime>

#include <exception>

class AutopiterClient;
struct AutopiterPriceItem;

// What one Autopiter search brought back: the offers, and how many of its price
// requests (one per catalogue article priced) failed, so that a caller can say that
// some answers are missing.
struct AutopiterSearchReport {
    QList<SupplierOffer> offers;
    int totalRequests = 0;
    int failedRequests = 0;
    // The failure of the first failing request in catalogue order; null when none failed.
    std::exception_ptr firstFailure;
    QString firstFailureDescription;
};

// Autopiter as a search provider: the catalogue articles that carry the number (the
// exact matches, or all of them when none matches exactly), then every article's
// prices with analogues, at once, each price row turned into a SupplierOffer.
class AutopiterProvider final : public SupplierSearchProviding, public SupplierConnectionChecking {
public:
    explicit AutopiterProvider(AutopiterClient& client);

    const SupplierDescriptor& descriptor() const override;
    // Fails when the catalogue step fails, or when every price request failed (with the
    // first one's error); otherwise a failing price request costs only its own rows.
    QCoro::Task<QList<SupplierOffer>> search(QString article) override;
    // The same search, with every price failure counted instead of thrown. The
    // catalogue step still throws.
    QCoro::Task<AutopiterSearchReport> searchReport(QString article);
    // Logs in afresh with the stored credentials.
    QCoro::Task<void> checkConnection() override;

    static SupplierOffer normalize(const AutopiterPriceItem& item,
                                   const QDateTime& now = QDateTime::currentDateTimeUtc());

private:
    AutopiterClient& m_client;
};
