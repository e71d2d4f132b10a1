#include "ServiceAddress.h"

#include <QHostAddress>

namespace ServiceAddress {

namespace {

bool isLoopback(const QUrl& url) {
    const QString host = url.host();
    if (host.compare(u"localhost", Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

} // namespace

bool isUsable(const QUrl& url) {
    return url.isValid() && (url.scheme() == u"http" || url.scheme() == u"https") && !url.host().isEmpty() &&
           url.userInfo().isEmpty() && !url.hasQuery() && !url.hasFragment();
}

bool travelsUnencrypted(const QUrl& url) {
    return isUsable(url) && url.scheme() == u"http" && !isLoopback(url);
}

ServiceAddressCheck check(const QString& text) {
    const QString trimmed = text.trimmed();
    ServiceAddressCheck result;
    if (trimmed.isEmpty()) {
        result.error = QStringLiteral("Введите адрес или нажмите «По умолчанию».");
        return result;
    }
    QUrl url(trimmed, QUrl::StrictMode);
    // The scheme is lower-cased by QUrl; "HTTPS://…" is fine, "ftp://…" and "api.autoeuro.ru" are not.
    if (!url.isValid() || (url.scheme() != u"http" && url.scheme() != u"https")) {
        result.error = QStringLiteral("Адрес должен начинаться с https:// (или http://).");
        return result;
    }
    if (url.host().isEmpty()) {
        result.error = QStringLiteral("В адресе не указан сервер: например, https://api.example.ru/.");
        return result;
    }
    if (!url.userInfo().isEmpty()) {
        result.error = QStringLiteral("Логин и пароль в адрес не записывают: их вводят в полях поставщика.");
        return result;
    }
    if (url.hasQuery() || url.hasFragment()) {
        result.error = QStringLiteral("Адрес сервиса не может содержать «?» или «#».");
        return result;
    }
    // The connectors append their own paths to a base that ends in "/".
    if (!url.path().endsWith(u'/'))
        url.setPath(url.path(QUrl::FullyEncoded) + u'/', QUrl::StrictMode);
    if (!isUsable(url)) {
        result.error = QStringLiteral("Адрес должен начинаться с https:// (или http://).");
        return result;
    }
    result.url = url;
    result.unencrypted = travelsUnencrypted(url);
    return result;
}

QString unencryptedWarning() {
    return QStringLiteral("Адрес без https: логин, пароль и ключ будут передаваться по сети незашифрованными.");
}

} // namespace ServiceAddress
