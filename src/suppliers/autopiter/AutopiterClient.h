#pragma once

#include <QCoroTask>
#include <QString>
#include <QUrl>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>

class AutopiterPendingLogin;
class CredentialStore;
class QByteArray;
class QNetworkAccessManager;
class QNetworkCookieJar;
class ServiceEndpoints;

// The one door to the Autopiter price service (SOAP 1.1, every request posted to
// "v2/price"). The login lives in the "AuthCoocies" cookie of the client's own cookie
// jar, so it lasts as long as the client. Fails with AutopiterError, KeychainError or
// NetworkError. Lives on the UI thread; AppServices owns the single instance.
class AutopiterClient {
public:
    // Names the operations: "SOAPAction" is this followed by the operation's name.
    static constexpr auto serviceNamespace = u"http://www.autopiter.ru/";

    AutopiterClient(CredentialStore& credentials, const ServiceEndpoints& endpoints);
    ~AutopiterClient();
    AutopiterClient(const AutopiterClient&) = delete;
    AutopiterClient& operator=(const AutopiterClient&) = delete;

    QCoro::Task<> authorize(QString userID, QString password);
    // With the user id (trimmed) and the password (as stored) of the credential store.
    QCoro::Task<> authorizeFromKeychain();
    // Asks the service whether the login still holds and logs in from the store if not.
    QCoro::Task<> ensureAuthorized();
    // Fails with missingCredentials, without any request, when no user id or password is stored.
    QCoro::Task<> requireStoredCredentials();
    // Forgets the login (after the credentials were deleted or changed).
    void clearAuthorization();
    // The service's own answer to "IsAuthorization", without logging in.
    QCoro::Task<bool> isAuthorized();
    // The raw XML of the FindCatalog answer; empty, without any request, for a blank number.
    QCoro::Task<QString> findCatalogXML(QString number);
    // The raw XML of the GetPriceId answer for one catalogue article.
    QCoro::Task<QString> getPriceXML(std::int64_t articleID, int searchCross);
    // The same answers as bytes, not yet checked to be UTF-8 (a search reads them off the window's
    // thread). `checkLogin` false leaves out the login check, for a search that made it already.
    QCoro::Task<QByteArray> findCatalog(QString number);
    QCoro::Task<QByteArray> getPrice(std::int64_t articleID, int searchCross, bool checkLogin = true);
    // The answer as text; not UTF-8 throws invalidSOAPResponse naming the operation.
    static QString answerText(const QByteArray& body, const QString& operation);

    // 45 s unless a test wants to see a hang end sooner.
    void setTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }
    std::chrono::milliseconds timeout() const { return m_timeout; }
    // How long one search gives this supplier for all its requests: the design's time-out of one
    // request unless a test wants a deadline of its own (a shorter request time-out leaves it).
    void setSearchBudget(std::chrono::milliseconds budget) { m_searchBudget = budget; }
    std::chrono::milliseconds searchBudget() const { return m_searchBudget; }

private:
    struct Credentials {
        QString userID;
        QString password;
    };

    QUrl serviceURL() const;
    bool hasAuthorizationCookie() const;
    // The body of a 2xx answer to the operation's envelope.
    QCoro::Task<QByteArray> soapRequest(QString operation, QString body);
    // Waits for any login in flight, then logs in with these credentials (or the stored ones).
    QCoro::Task<> serialLogin(std::optional<Credentials> credentials);
    std::shared_ptr<AutopiterPendingLogin> startLogin(std::optional<Credentials> credentials);
    static QCoro::Task<> runLogin(AutopiterClient& client, std::shared_ptr<AutopiterPendingLogin> pending,
                                  std::optional<Credentials> credentials);
    QCoro::Task<Credentials> storedCredentials();
    QCoro::Task<> login(Credentials credentials);

    CredentialStore& m_credentials;
    const ServiceEndpoints& m_endpoints;
    std::unique_ptr<QNetworkAccessManager> m_network;
    // Owned by m_network.
    QNetworkCookieJar* m_cookies;
    std::chrono::milliseconds m_timeout{45000};
    std::chrono::milliseconds m_searchBudget{45000};
    // The login in flight, shared by every caller that finds the login expired meanwhile.
    std::shared_ptr<AutopiterPendingLogin> m_pendingLogin;
    // Counts the logins that succeeded: a check answered "no" after a newer login
    // must not log in once more (and throw away that login's cookie).
    quint64 m_loginGeneration = 0;
};
