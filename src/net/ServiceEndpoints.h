#pragma once

#include <QHash>
#include <QString>
#include <QUrl>

// Where each outside service lives. An origin (scheme, host, port, optional path
// prefix) is built in at configure time and can be overridden by the environment
// variable of the same name; the fixed paths of each protocol are appended to it.
class ServiceEndpoints {
public:
    enum class Service { autoEuro, autopiter, tradeSoft, autoligaPortal, feedback };

    // Built-in origins, each replaced by its environment variable when that is set.
    static ServiceEndpoints fromEnvironment();
    static QString environmentVariable(Service service);

    // Empty when not configured or not a usable http(s) origin.
    QUrl origin(Service service) const;
    // When the environment set this service's address to something unusable, a sentence that
    // names the variable ("Проверьте ORELIA_AUTOEURO_URL: …"), for the connector's error; else empty.
    QString problem(Service service) const;
    void setOrigin(Service service, const QUrl& origin);

    // The origin with path appended ("https://h/p" + "api/v2/json/" = "https://h/p/api/v2/json/");
    // an empty URL when the origin is not configured.
    QUrl url(Service service, QStringView path) const;

    QUrl autoEuroAPI() const { return url(Service::autoEuro, u"api/v2/json/"); }

private:
    QHash<Service, QUrl> m_origins;
    QHash<Service, QString> m_problems;
};
