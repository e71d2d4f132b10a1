#pragma once

#include "suppliers/JsonDecoding.h"
#include "TradeSoftCredentials.h"
#include "TradeSoftModels.h"

#include <QCoroTask>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <chrono>
#include <optional>

class CredentialStore;
class QNetworkAccessManager;
class ServiceEndpoints;

// The TradeSoft HTTP API: one JSON POST to "3/" per operation, its answer checked for
// errors at the top and in every container entry, the rows read leniently. Holds nothing
// between calls but the references it was given.
class TradeSoftHTTPAPI {
public:
    static constexpr std::chrono::milliseconds timeout{65000};
    static constexpr int preOrderTimeLimit = 50;

    TradeSoftHTTPAPI(QNetworkAccessManager& network, CredentialStore& credentials, const ServiceEndpoints& endpoints);

    // The result rows of every container entry, in answer order. Fails with TradeSoftError (also
    // for an answer that is no JSON or a web page), KeychainError or NetworkError.
    QCoro::Task<QList<Json::Value>> request(QString action, TradeSoftCredentials credentials, QJsonObject containerItem,
                                            std::optional<int> timeLimit);
    // The body of a 2xx answer to one call with the given container (none when absent), for callers
    // that read the answer themselves. Fails as request() does before the answer is read.
    QCoro::Task<QByteArray> post(QString action, TradeSoftCredentials credentials, std::optional<QJsonArray> container,
                                 std::optional<int> timeLimit);
    // Every row of the answer; the item hash is sent only when it is not blank.
    QCoro::Task<QList<TradeSoftPriceItem>> preOrderSearch(QString article, QString producer, QString itemHash,
                                                          QString providerID);
    // The same with credentials already loaded (another provider's login inside them).
    QCoro::Task<QList<TradeSoftPriceItem>> preOrderSearch(QString article, QString producer, QString itemHash,
                                                          QString providerID, TradeSoftCredentials credentials);
    // The non-empty brand names, in answer order.
    QCoro::Task<QList<TradeSoftProducer>> producers(QString article, QString providerID);

    // The result rows of a 2xx answer's body, checked for errors at the top and in every
    // container entry. Throws TradeSoftError (also for an answer that is no JSON).
    static QList<Json::Value> answerRows(const QByteArray& body);
    // The answer's top object, once it is one and says no error; else throws TradeSoftError.
    static Json::Value answerObject(const QByteArray& body);
    // The message of the first error member ("error", "message", "errorMessage",
    // "error_message") that says something; nothing when none does.
    static std::optional<QString> apiError(const Json::Value& object);
    // Lenient readers of one member (nullopt: the member is missing).
    static QString stringValue(const std::optional<Json::Value>& value);
    static std::optional<QString> optionalStringValue(const std::optional<Json::Value>& value);
    // A huge or non-finite number is absent, never wrapped.
    static std::optional<std::int64_t> intValue(const std::optional<Json::Value>& value);
    // 0 when absent or unreadable ("inf" and "nan" included); a decimal comma reads as a point.
    static double priceValue(const std::optional<Json::Value>& value);
    static TradeSoftPriceItem decodePriceItem(const Json::Value& row);

    // 65 s unless a test wants to see a hang end sooner.
    void setTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }
    std::chrono::milliseconds requestTimeout() const { return m_timeout; }

private:
    QNetworkAccessManager& m_network;
    CredentialStore& m_credentials;
    const ServiceEndpoints& m_endpoints;
    std::chrono::milliseconds m_timeout = timeout;
};
