#pragma once

#include "net/Http.h"

#include <QByteArray>
#include <QCoroTask>
#include <QObject>
#include <QUrl>

#include <exception>
#include <memory>

class CredentialStore;
class QNetworkAccessManager;
class ServiceEndpoints;

// The private browser session of one portal search: cookies in memory only, the warm-up that
// collects the portal's session cookies, then the sign-in. start() sets both off at once; they
// run on their own while the caller does other things, and the search step waits for them and
// asks on the same session. Nothing of one session reaches another.
class AutoligaPortalSession : public QObject {
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds requestTimeout{60000};
    static constexpr std::chrono::milliseconds resourceTimeout{65000};
    // Silence allowed within one exchange, and the whole exchange.
    struct Timeouts {
        std::chrono::milliseconds request = requestTimeout;
        std::chrono::milliseconds resource = resourceTimeout;
        // The whole portal part of one search, once the brand is known.
        std::chrono::milliseconds budget = requestTimeout;
    };

    // The credentials and endpoints must outlive the sign-in.
    static std::shared_ptr<AutoligaPortalSession> start(CredentialStore& credentials, const ServiceEndpoints& endpoints,
                                                        Timeouts timeouts);
    ~AutoligaPortalSession() override;

    // Waits for the sign-in; throws what it failed with (AutoligaPortalError, KeychainError,
    // NetworkError), as often as it is asked.
    QCoro::Task<> signedIn();
    // The search address without its query; valid once signedIn() has returned.
    QUrl searchURL() const { return m_searchURL; }
    // The body of an answer on this session whose status lies in 200..highestAccepted.
    // `answersJson`: the answer must not be a web page.
    QCoro::Task<QByteArray> fetch(Http::Request request, int highestAccepted, bool answersJson = false);
    // Forgets the cookies and closes the connections at once. Only between exchanges.
    void close();

Q_SIGNALS:
    void signInFinished();

private:
    explicit AutoligaPortalSession(Timeouts timeouts);
    static QCoro::Task<> signIn(std::shared_ptr<AutoligaPortalSession> self, CredentialStore& credentials,
                                const ServiceEndpoints& endpoints);
    QCoro::Task<> warmUpAndSignIn(CredentialStore& credentials, const ServiceEndpoints& endpoints);

    std::unique_ptr<QNetworkAccessManager> m_network;
    Timeouts m_timeouts;
    QUrl m_searchURL;
    bool m_done = false;
    std::exception_ptr m_error;
};
