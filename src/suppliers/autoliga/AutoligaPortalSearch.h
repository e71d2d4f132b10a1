#pragma once

#include "AutoligaPortalSession.h"
#include "search/SearchConnectors.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QRegularExpression>

class AutoligaPortalSearchContext;
class CredentialStore;
class ServiceEndpoints;

// The Autoliga customer portal, asked as a customer's browser would: a private cookie
// session for each search (warm-up, sign-in, search), every usable result row turned into
// a SupplierOffer, and the origin of every offer remembered in the context.
class AutoligaPortalSearch final : public PortalOfferSearching {
public:
    static constexpr std::chrono::milliseconds requestTimeout = AutoligaPortalSession::requestTimeout;
    static constexpr std::chrono::milliseconds resourceTimeout = AutoligaPortalSession::resourceTimeout;
    using Timeouts = AutoligaPortalSession::Timeouts;

    AutoligaPortalSearch(CredentialStore& credentials, const ServiceEndpoints& endpoints,
                         AutoligaPortalSearchContext& context);
    AutoligaPortalSearch(CredentialStore& credentials, const ServiceEndpoints& endpoints,
                         AutoligaPortalSearchContext& context, Timeouts timeouts);

    // Fails with AutoligaPortalError (also for an answer that is no JSON), KeychainError or NetworkError.
    QCoro::Task<QList<SupplierOffer>> search(QString article, QString brand) override;
    // Opens the session and signs in now; the search request waits for the brand. The
    // credentials, endpoints and context must outlive the prepared search.
    std::unique_ptr<PreparedPortalSearch> prepare() override;
    std::chrono::milliseconds searchBudget() const override { return m_timeouts.budget; }

    // The offers of one search answer, groups in ascending key order, rows in answer order;
    // unusable rows are left out. Throws AutoligaPortalError (also for an answer that is no JSON).
    static QList<SupplierOffer> parse(const QByteArray& body, const QDateTime& now = QDateTime::currentDateTimeUtc());
    // The first background colour declared in a row's "cssRule"; the colour is capture 1.
    static const QRegularExpression& backgroundRule();

private:
    CredentialStore& m_credentials;
    const ServiceEndpoints& m_endpoints;
    AutoligaPortalSearchContext& m_context;
    Timeouts m_timeouts;
};
