#pragma once

#include "AbcpParser.h"
#include "core/SupplierAccount.h"

#include <QCoroTask>
#include <QUrl>

#include <chrono>
#include <optional>

class CredentialStore;
class QNetworkAccessManager;
class ServiceEndpoints;

// The login and the password's MD5 that every request of one ABCP shop carries.
struct AbcpCredentials {
    QString login;
    // Lower-case hex MD5 of the password's UTF-8 bytes, as the platform wants it.
    QString passwordHash;

    // From "<id>-login" and "<id>-password"; AbcpError (missingCredentials) when either is empty.
    static QCoro::Task<AbcpCredentials> load(CredentialStore& store, SupplierAccount account);
    static QString hash(const QString& password);
};

// One ABCP shop's API: GET requests to the shop's own host, the credentials in the query, every
// answer checked for the platform's error object. Holds nothing between calls.
class AbcpClient {
public:
    static constexpr std::chrono::milliseconds defaultTimeout{30000};

    AbcpClient(QNetworkAccessManager& network, const ServiceEndpoints& endpoints, SupplierAccount account,
               std::chrono::milliseconds timeout = defaultTimeout);

    // Where the account's requests go: an override for every shop (the environment, the demo), else
    // the address saved with the account; empty when that is no usable http(s) address.
    static QUrl baseURL(const ServiceEndpoints& endpoints, const SupplierAccount& account);

    // Nothing found (HTTP 404 with errorCode 301) is an empty list, not a failure.
    QCoro::Task<QList<AbcpBrand>> brands(AbcpCredentials credentials, QString number);
    QCoro::Task<AbcpArticles> articles(AbcpCredentials credentials, QString number, QString brand);
    std::chrono::milliseconds timeout() const { return m_timeout; }
    // user/info: completes when the shop took the credentials.
    QCoro::Task<> userInfo(AbcpCredentials credentials);

private:
    using QueryItems = QList<std::pair<QString, QString>>;
    // The body of a success; nullopt for "nothing found".
    QCoro::Task<std::optional<QByteArray>> get(QString operation, QueryItems query, AbcpCredentials credentials);

    QNetworkAccessManager& m_network;
    const ServiceEndpoints& m_endpoints;
    SupplierAccount m_account;
    std::chrono::milliseconds m_timeout;
};
