#include "NetworkError.h"

#include "core/TextUtils.h"

namespace {

QString ownText(QNetworkReply::NetworkError code, const QString& technical) {
    switch (code) {
    case QNetworkReply::TimeoutError:
        return QStringLiteral("Сервер не ответил вовремя.");
    case QNetworkReply::ConnectionRefusedError:
        return QStringLiteral("Сервер отказал в соединении.");
    case QNetworkReply::HostNotFoundError:
        return QStringLiteral("Сервер не найден. Проверьте подключение к интернету.");
    case QNetworkReply::RemoteHostClosedError:
        return QStringLiteral("Сервер закрыл соединение раньше, чем передал ответ.");
    case QNetworkReply::SslHandshakeFailedError:
        return QStringLiteral("Не удалось установить защищённое соединение с сервером.");
    case QNetworkReply::TooManyRedirectsError:
        return QStringLiteral("Сервер слишком много раз перенаправил запрос.");
    default:
        break;
    }
    return QStringLiteral("Ошибка сети: ") + TextUtils::singleLine(technical);
}

} // namespace

QString NetworkError::description() const {
    const QString text = ownText(m_code, m_text);
    return m_service.isEmpty() ? text : m_service + QStringLiteral(": ") + text;
}
