#include "ServiceEndpoints.h"

#include <QtGlobal>

namespace {

QString builtIn(ServiceEndpoints::Service service) {
    using S = ServiceEndpoints::Service;
    switch (service) {
    case S::autoEuro:
        return QStringLiteral(ORELIA_BUILTIN_AUTOEURO_URL);
    case S::autopiter:
        return QStringLiteral(ORELIA_BUILTIN_AUTOPITER_URL);
    case S::tradeSoft:
        return QStringLiteral(ORELIA_BUILTIN_TRADESOFT_URL);
    case S::autoligaPortal:
        return QStringLiteral(ORELIA_BUILTIN_AUTOLIGA_PORTAL_URL);
    case S::feedback:
        return QStringLiteral(ORELIA_BUILTIN_FEEDBACK_URL);
    }
    return {};
}

bool isUsableOrigin(const QUrl& url) {
    return url.isValid() && (url.scheme() == u"http" || url.scheme() == u"https") && !url.host().isEmpty() &&
           !url.hasQuery() && !url.hasFragment();
}

} // namespace

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
    }
    return {};
}

ServiceEndpoints ServiceEndpoints::fromEnvironment() {
    ServiceEndpoints endpoints;
    for (const Service service :
         {Service::autoEuro, Service::autopiter, Service::tradeSoft, Service::autoligaPortal, Service::feedback}) {
        const QByteArray name = environmentVariable(service).toLatin1();
        const bool overridden = qEnvironmentVariableIsSet(name.constData());
        const QString text = overridden ? qEnvironmentVariable(name.constData()) : builtIn(service);
        const QUrl url(text.trimmed(), QUrl::StrictMode);
        endpoints.setOrigin(service, url);
        if (overridden && !text.trimmed().isEmpty() && !isUsableOrigin(url))
            endpoints.m_problems.insert(service, QStringLiteral("Проверьте %1: «%2» — это не адрес http(s)-сервиса.")
                                                     .arg(environmentVariable(service), text.trimmed()));
    }
    return endpoints;
}

QUrl ServiceEndpoints::origin(Service service) const {
    const QUrl url = m_origins.value(service);
    return isUsableOrigin(url) ? url : QUrl();
}

void ServiceEndpoints::setOrigin(Service service, const QUrl& origin) {
    m_origins.insert(service, origin);
    m_problems.remove(service);
}

QString ServiceEndpoints::problem(Service service) const {
    return m_problems.value(service);
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
