#pragma once

#include <QHash>
#include <QString>
#include <QUrl>

#include <optional>

class UserDefaults;

// Where each outside service lives. The address is looked up whenever a request is built, so an
// address saved in the settings takes effect for the next request. The first layer that has the
// service wins: an override (the environment variable of the same name, or the demo's simulated
// services), then the address the buyer saved in the supplier's settings sheet, then the origin
// built in at configure time. An origin (scheme, host, port, optional path prefix) gets the fixed
// paths of each protocol appended.
class ServiceEndpoints {
public:
    // `abcp` stands for the ABCP shops the buyer added: each has its own address, saved with the
    // account; an override (the environment, the demo) sends every shop to one place.
    enum class Service { autoEuro, autopiter, tradeSoft, autoligaPortal, feedback, abcp };
    // Where the address in use comes from.
    enum class Source { none, builtIn, settings, environment, demo };

    static constexpr Service allServices[] = {Service::autoEuro,       Service::autopiter, Service::tradeSoft,
                                              Service::autoligaPortal, Service::feedback,  Service::abcp};

    // The built-in origins, each overridden by its environment variable when that is set.
    static ServiceEndpoints fromEnvironment();
    static QString environmentVariable(Service service);
    // The origin compiled into this build; empty where there is none (the portal, feedback, ABCP).
    static QUrl compiledOrigin(Service service);
    // The settings key of the address saved in a supplier's sheet; empty for feedback and ABCP.
    static QString settingsKey(Service service);
    // "«Настройки» → AutoEuro → «Адрес сервиса»": where the buyer changes the address.
    static QString settingsPlace(Service service);

    // Saved addresses are read from here at every lookup; nullptr: none are used.
    void setSavedAddresses(const UserDefaults* defaults) { m_saved = defaults; }
    // Wins over every other layer for this service; an empty URL means "no address".
    void setOrigin(Service service, const QUrl& origin, Source source = Source::environment);
    void setBuiltIn(Service service, const QUrl& origin);

    // Empty when not configured or not a usable http(s) origin.
    QUrl origin(Service service) const;
    Source source(Service service) const;
    QUrl builtInOrigin(Service service) const { return m_builtIn.value(service); }
    // When the address in use is unusable (an environment variable, a damaged saved address), a
    // sentence that says where it is set, for the connector's error; else empty.
    QString problem(Service service) const;

    // The origin with path appended ("https://h/p" + "api/v2/json/" = "https://h/p/api/v2/json/");
    // an empty URL when the origin is not configured.
    QUrl url(Service service, QStringView path) const;

    QUrl autoEuroAPI() const { return url(Service::autoEuro, u"api/v2/json/"); }

private:
    struct Override {
        QString text;
        QUrl url;
        Source source = Source::environment;
    };

    // The saved text, when the settings hold a value under the service's key.
    std::optional<QString> savedText(Service service) const;

    QHash<Service, QUrl> m_builtIn;
    QHash<Service, Override> m_overrides;
    const UserDefaults* m_saved = nullptr;
};
