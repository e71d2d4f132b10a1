#include "ServiceEndpoints.h"

#include "core/UserDefaults.h"
#include "ServiceAddress.h"

#include <QtGlobal>

QUrl ServiceEndpoints::compiledOrigin(Service service) {
    QString text;
    switch (service) {
    case Service::autoEuro:
        text = QStringLiteral(ORELIA_BUILTIN_AUTOEURO_URL);
        break;
    case Service::autopiter:
        text = QStringLiteral(ORELIA_BUILTIN_AUTOPITER_URL);
        break;
    case Service::tradeSoft:
        text = QStringLiteral(ORELIA_BUILTIN_TRADESOFT_URL);
        break;
    case Service::autoligaPortal:
        text = QStringLiteral(ORELIA_BUILTIN_AUTOLIGA_PORTAL_URL);
        break;
    case Service::feedback:
        text = QStringLiteral(ORELIA_BUILTIN_FEEDBACK_URL);
        break;
    case Service::abcp:
        break;
    }
    return QUrl(text.trimmed(), QUrl::StrictMode);
}

QString ServiceEndpoints::environmentVariable(Service service) {
    switch (service) {
    case Service::autoEuro:
        return QStringLiteral("ORELIA_AUTOEURO_URL");
    case Service::autopiter:
        return QStringLiteral("ORELIA_AUTOPITER_URL");
    case Service::tradeSoft:
        return QStringLiteral("ORELIA_TRADESOFT_URL");
    case Service::autoligaPortal:
        return QStringLiteral("ORELIA_AUTOLIGA_PORTAL_URL");
    case Service::feedback:
        return QStringLiteral("ORELIA_FEEDBACK_URL");
    case Service::abcp:
        return QStringLiteral("ORELIA_ABCP_URL");
    }
    return {};
}

QString ServiceEndpoints::settingsKey(Service service) {
    switch (service) {
    case Service::autoEuro:
        return UserDefaultsKeys::autoEuroAddress;
    case Service::autopiter:
        return UserDefaultsKeys::autopiterAddress;
    case Service::tradeSoft:
        return UserDefaultsKeys::tradeSoftAddress;
    case Service::autoligaPortal:
        return UserDefaultsKeys::autoligaPortalAddress;
    case Service::feedback:
    case Service::abcp:
        break;
    }
    return {};
}

QString ServiceEndpoints::settingsPlace(Service service) {
    QString sheet = QStringLiteral("Автолига");
    if (service == Service::autoEuro)
        sheet = QStringLiteral("AutoEuro");
    else if (service == Service::autopiter)
        sheet = QStringLiteral("Autopiter");
    return QStringLiteral("«Настройки» → ") + sheet + QStringLiteral(" → «Адрес сервиса»");
}

ServiceEndpoints ServiceEndpoints::fromEnvironment() {
    ServiceEndpoints endpoints;
    for (const Service service : allServices) {
        endpoints.setBuiltIn(service, compiledOrigin(service));
        const QByteArray name = environmentVariable(service).toLatin1();
        if (!qEnvironmentVariableIsSet(name.constData()))
            continue;
        const QString text = qEnvironmentVariable(name.constData()).trimmed();
        endpoints.m_overrides.insert(service, Override{text, QUrl(text, QUrl::StrictMode), Source::environment});
    }
    return endpoints;
}

void ServiceEndpoints::setOrigin(Service service, const QUrl& origin, Source source) {
    m_overrides.insert(service, Override{origin.toString(), origin, source});
}

void ServiceEndpoints::setBuiltIn(Service service, const QUrl& origin) {
    m_builtIn.insert(service, origin);
}

std::optional<QString> ServiceEndpoints::savedText(Service service) const {
    const QString key = settingsKey(service);
    if (!m_saved || key.isEmpty() || !m_saved->contains(key))
        return std::nullopt;
    // A value of another type (a damaged file) is kept as an unusable address, never skipped over.
    return m_saved->stringValue(key).value_or(QString()).trimmed();
}

ServiceEndpoints::Source ServiceEndpoints::source(Service service) const {
    if (const auto it = m_overrides.constFind(service); it != m_overrides.constEnd())
        return it->text.isEmpty() ? Source::none : it->source;
    if (savedText(service))
        return Source::settings;
    return m_builtIn.value(service).isEmpty() ? Source::none : Source::builtIn;
}

QUrl ServiceEndpoints::origin(Service service) const {
    QUrl url;
    if (const auto it = m_overrides.constFind(service); it != m_overrides.constEnd())
        url = it->url;
    else if (const auto saved = savedText(service))
        url = QUrl(*saved, QUrl::StrictMode);
    else
        url = m_builtIn.value(service);
    return ServiceAddress::isUsable(url) ? url : QUrl();
}

QString ServiceEndpoints::problem(Service service) const {
    if (const auto it = m_overrides.constFind(service); it != m_overrides.constEnd()) {
        if (it->source != Source::environment || it->text.isEmpty() || ServiceAddress::isUsable(it->url))
            return {};
        return QStringLiteral("Проверьте %1: «%2» — это не адрес http(s)-сервиса.")
            .arg(environmentVariable(service), it->text);
    }
    const auto saved = savedText(service);
    if (!saved || ServiceAddress::isUsable(QUrl(*saved, QUrl::StrictMode)))
        return {};
    return QStringLiteral("Адрес в настройках («%1») не подходит: исправьте его в %2.")
        .arg(*saved, settingsPlace(service));
}

QUrl ServiceEndpoints::url(Service service, QStringView path) const {
    QUrl base = origin(service);
    if (base.isEmpty())
        return {};
    QString prefix = base.path(QUrl::FullyEncoded);
    if (!prefix.endsWith(u'/'))
        prefix += u'/';
    base.setPath(prefix + path.toString(), QUrl::StrictMode);
    return base.isValid() ? base : QUrl();
}
