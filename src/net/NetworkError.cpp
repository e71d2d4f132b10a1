#include "NetworkError.h"

#include "core/TextUtils.h"

namespace {

// "Сервер api.autoeuro.ru" when the host is known, else "Сервер".
QString server(const QString& host) {
    return host.isEmpty() ? QStringLiteral("Сервер") : QStringLiteral("Сервер ") + host;
}

QString proxyHint() {
    return QStringLiteral("Проверьте настройки прокси в системе (или переменные http_proxy и https_proxy).");
}

} // namespace

QString NetworkError::description() const {
    const QString text = ownText();
    return m_service.isEmpty() ? text : m_service + QStringLiteral(": ") + text;
}

QString NetworkError::ownText() const {
    switch (m_code) {
    case QNetworkReply::TimeoutError:
        return QStringLiteral("Сервер не ответил вовремя.");
    case QNetworkReply::ConnectionRefusedError:
        return server(m_host) + QStringLiteral(" отказал в соединении. Проверьте адрес сервиса в настройках "
                                               "поставщика.");
    case QNetworkReply::HostNotFoundError:
        return server(m_host) + QStringLiteral(" не найден. Проверьте подключение к интернету и адрес сервиса в "
                                               "настройках поставщика.");
    case QNetworkReply::RemoteHostClosedError:
        return QStringLiteral("Сервер закрыл соединение раньше, чем передал ответ.");
    case QNetworkReply::SslHandshakeFailedError:
        // Never continued past: nothing of ours was sent over it.
        return QStringLiteral("Соединение с %1 не защищено: %2. Запрос не отправлен.")
            .arg(m_host.isEmpty() ? QStringLiteral("сервером") : m_host,
                 m_detail.isEmpty() ? QStringLiteral("не удалось установить защищённое соединение") : m_detail);
    case QNetworkReply::TooManyRedirectsError:
        return QStringLiteral("Сервер слишком много раз перенаправил запрос.");
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::TemporaryNetworkFailureError:
        return QStringLiteral("Нет подключения к сети.");
    case QNetworkReply::ProxyAuthenticationRequiredError:
        return QStringLiteral("Прокси-сервер требует логин и пароль. Укажите их в настройках прокси системы "
                              "(или в переменной https_proxy: http://логин:пароль@прокси:порт).");
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyConnectionClosedError:
        return QStringLiteral("Прокси-сервер не принял соединение. ") + proxyHint();
    case QNetworkReply::ProxyNotFoundError:
        return QStringLiteral("Прокси-сервер не найден. ") + proxyHint();
    case QNetworkReply::ProxyTimeoutError:
        return QStringLiteral("Прокси-сервер не ответил вовремя. ") + proxyHint();
    default:
        break;
    }
    if (isUnreachable())
        return QStringLiteral("Нет связи с %1: сеть недоступна. Проверьте подключение к интернету.")
            .arg(m_host.isEmpty() ? QStringLiteral("сервером") : m_host);
    return QStringLiteral("Ошибка сети: ") + TextUtils::singleLine(m_text);
}

// Qt names an unreachable host or network only in its text ("Host unreachable").
bool NetworkError::isUnreachable() const {
    return m_code == QNetworkReply::UnknownNetworkError && m_text.contains(u"unreachable", Qt::CaseInsensitive);
}

UserFacingError::Cause NetworkError::cause() const {
    switch (m_code) {
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::TemporaryNetworkFailureError:
        return Cause::noConnection;
    default:
        break;
    }
    return isUnreachable() ? Cause::noConnection : Cause::other;
}
