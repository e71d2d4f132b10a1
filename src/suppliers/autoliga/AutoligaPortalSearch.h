#pragma once

#include "search/SearchConnectors.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QRegularExpression>

#include <chrono>

class AutoligaPortalSearchContext;
class CredentialStore;
class ServiceEndpoints;

// The Autoliga customer portal, asked as a customer's browser would: a private cookie
// session for each search (warm-up, sign-in, search), every usable result row turned into
// a SupplierOffer, and the origin of every offer remembered in the context.
class AutoligaPortalSearch final : public PortalOfferSearching {
public:
    static constexpr std::chrono::milliseconds requestTimeout{60000};
    static constexpr std::chrono::milliseconds resourceTimeout{65000};
    // Silence allowed within one exchange, and the whole exchange.
    struct Timeouts {
        std::chrono::milliseconds request;
        std::chrono::milliseconds resource;
    };

    AutoligaPortalSearch(CredentialStore& credentials, const ServiceEndpoints& endpoints,
                         AutoligaPortalSearchContext& context);
    AutoligaPortalSearch(CredentialStore& credentials, const ServiceEndpoints& endpoints,
                         AutoligaPortalSearchContext& context, Timeouts timeouts);

    // Fails with AutoligaPortalError, KeychainError, NetworkError or Json::SyntaxError.
    QCoro::Task<QList<SupplierOffer>> search(QString article, QString brand) override;

    // The offers of one search answer, groups in ascending key order, rows in answer order;
    // unusable rows are left out. Throws AutoligaPortalError or Json::SyntaxError.
    static QList<SupplierOffer> parse(const QByteArray& body, const QDateTime& now = QDateTime::currentDateTimeUtc());
    // The first background colour declared in a row's "cssRule"; the colour is capture 1.
    static const QRegularExpression& backgroundRule();

private:
    CredentialStore& m_credentials;
    const ServiceEndpoints& m_endpoints;
    AutoligaPortalSearchContext& m_context;
    Timeouts m_timeouts;
};
