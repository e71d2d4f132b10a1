#pragma once

#include "core/SupplierAccount.h"
#include "core/SupplierSearchProviding.h"

#include <QObject>

#include <exception>
#include <memory>

class CredentialStore;
class TradeSoftHTTPAPI;

// The TradeSoft suppliers of one search, asked together: one producer list for all of them, then
// one price list for every supplier and brand, each supplier's entries matched back by its provider
// id. What fails for one supplier (its login, its answer) costs that supplier alone; what fails for
// the call costs every supplier in it.
class TradeSoftAccountSearch : public QObject, public std::enable_shared_from_this<TradeSoftAccountSearch> {
    Q_OBJECT

public:
    struct Outcome {
        QList<SupplierOffer> offers;
        SupplierSearchReport report;
        // Set when the supplier's search failed.
        std::exception_ptr error;
    };

    TradeSoftAccountSearch(TradeSoftHTTPAPI& api, CredentialStore& credentials, QList<SupplierAccount> accounts);

    // The part of the account at `index`; the first call starts the search for everyone.
    QCoro::Task<Outcome> outcome(QString article, qsizetype index);

Q_SIGNALS:
    void finished();

private:
    static QCoro::Task<> run(std::shared_ptr<TradeSoftAccountSearch> self, QString article);
    QCoro::Task<> search(QString article);

    TradeSoftHTTPAPI& m_api;
    CredentialStore& m_credentials;
    QList<SupplierAccount> m_accounts;
    QList<Outcome> m_outcomes;
    bool m_started = false;
    bool m_done = false;
};

// One TradeSoft supplier's part of a shared search, as a provider.
class TradeSoftAccountProvider final : public SupplierSearchProviding {
public:
    TradeSoftAccountProvider(std::shared_ptr<TradeSoftAccountSearch> search, qsizetype index,
                             SupplierDescriptor descriptor);

    const SupplierDescriptor& descriptor() const override { return m_descriptor; }
    QCoro::Task<QList<SupplierOffer>> search(QString article) override;
    SupplierSearchReport lastSearchReport() const override { return m_report; }

private:
    std::shared_ptr<TradeSoftAccountSearch> m_search;
    qsizetype m_index;
    SupplierDescriptor m_descriptor;
    SupplierSearchReport m_report;
};
