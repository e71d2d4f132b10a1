#pragma once

#include "AutoEuroModels.h"
#include "core/UserFacingError.h"

#include <QCoroTask>
#include <QList>
#include <QString>

#include <chrono>
#include <memory>
#include <optional>
#include <utility>

class AutoEuroPendingKeyRead;
class CredentialStore;
class QNetworkAccessManager;
class ServiceEndpoints;

// The one door to the AutoEuro JSON API (v2): reads the API key from the credential
// store, sends GET requests with the key in a header, checks the status and the
// answer's envelope, and returns wire records. Lives on the UI thread; AppServices
// owns the single instance.
class AutoEuroClient {
public:
    class APIError : public UserFacingError {
    public:
        enum class Kind {
            httpStatus,
            api,
            missingAPIKey,
            invalidURL,
            invalidResponse,
            chelyabinskNotFound,
            // 401 or 403: the key was not accepted; with the service's own message when it sent one.
            keyRejected,
        };

        static APIError httpStatus(int code) { return APIError(Kind::httpStatus, code, {}); }
        static APIError keyRejected(int code, QString message) {
            return APIError(Kind::keyRejected, code, std::move(message));
        }
        static APIError api(QString message) { return APIError(Kind::api, 0, std::move(message)); }
        // With the sentence that names a misconfigured address variable, when there is one.
        static APIError invalidURL(QString hint) { return APIError(Kind::invalidURL, 0, std::move(hint)); }
        explicit APIError(Kind kind)
            : APIError(kind, 0, {}) {}

        Kind kind() const { return m_kind; }
        int statusCode() const { return m_status; }
        QString message() const { return m_message; }
        QString description() const override;
        Cause cause() const override {
            return m_kind == Kind::missingAPIKey ? Cause::missingCredentials : Cause::other;
        }

    private:
        APIError(Kind kind, int status, QString message)
            : m_kind(kind)
            , m_status(status)
            , m_message(std::move(message)) {}

        Kind m_kind;
        int m_status;
        QString m_message;
    };

    using QueryItems = QList<std::pair<QString, QString>>;

    // One brand's offers, and how many records of the answer were malformed and left out.
    struct OfferAnswer {
        QList<AutoEuroOffer> offers;
        qsizetype skippedRecords = 0;
    };

    AutoEuroClient(QNetworkAccessManager& network, CredentialStore& credentials, const ServiceEndpoints& endpoints);
    ~AutoEuroClient();

    QCoro::Task<QList<AutoEuroPayer>> payers();
    QCoro::Task<QList<AutoEuroDelivery>> deliveries();
    QCoro::Task<QList<AutoEuroOrderStatus>> orderStatuses();
    QCoro::Task<QList<AutoEuroBrand>> brands(QString article);
    QCoro::Task<QList<AutoEuroOffer>> offers(QString brand, QString code, QString deliveryKey);
    QCoro::Task<OfferAnswer> offerAnswer(QString brand, QString code, QString deliveryKey);
    // The first delivery point whose name contains "Челябинск" in any letter case.
    QCoro::Task<AutoEuroDelivery> chelyabinskDelivery();
    // The next request reads the credential store again (after the key was saved or deleted).
    void invalidateCachedAPIKey();

    // 30 s unless a test wants to see a hang end sooner.
    void setTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }
    std::chrono::milliseconds timeout() const { return m_timeout; }
    // How long one search gives this supplier for all its requests: the design's time-out of one
    // request unless a test wants a deadline of its own (a shorter request time-out leaves it).
    void setSearchBudget(std::chrono::milliseconds budget) { m_searchBudget = budget; }
    std::chrono::milliseconds searchBudget() const { return m_searchBudget; }

private:
    QCoro::Task<QString> apiKey();
    // The body of a 2xx answer to GET path?query.
    QCoro::Task<QByteArray> get(QString path, QueryItems query);
    template <typename Record> QCoro::Task<AutoEuroEnvelope<Record>> envelope(QString path, QueryItems query);
    template <typename Record> QCoro::Task<QList<Record>> list(QString path, QueryItems query);

    QNetworkAccessManager& m_network;
    CredentialStore& m_credentials;
    const ServiceEndpoints& m_endpoints;
    std::chrono::milliseconds m_timeout{30000};
    std::chrono::milliseconds m_searchBudget{30000};
    std::optional<QString> m_cachedAPIKey;
    // Concurrent requests share the one read in flight.
    std::shared_ptr<AutoEuroPendingKeyRead> m_pendingKeyRead;
    // Bumped by invalidateCachedAPIKey(); a read started before does not fill the cache.
    quint64 m_keyGeneration = 0;
};
