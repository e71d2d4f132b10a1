#include "NetworkError.h"

QString NetworkError::description() const {
    switch (m_code) {
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
    return QStringLiteral("Ошибка сети: ") + m_text;
}
