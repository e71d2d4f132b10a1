#include "AutoligaPortalError.h"

QString AutoligaPortalError::description() const {
    switch (m_kind) {
    case Kind::http:
        // A server error says nothing about the buyer's login; a refusal does.
        if (m_status >= 500)
            return QStringLiteral("Портал Автолиги: HTTP %1, сбой на стороне портала.").arg(m_status);
        return QStringLiteral("Портал Автолиги: HTTP %1. Проверьте учётные данные портала.").arg(m_status);
    case Kind::missingCredentials:
        return QStringLiteral("Укажите логин и пароль портала Автолиги в настройках поставщика.");
    case Kind::invalidResponse:
        return QStringLiteral("Портал Автолиги вернул ответ неизвестного формата.");
    case Kind::invalidAddress:
        return QStringLiteral("Не удалось сформировать адрес запроса к порталу Автолиги.");
    case Kind::unreadable:
        return QStringLiteral("Портал Автолиги: %1.").arg(m_detail);
    case Kind::webPage:
        return QStringLiteral("Портал Автолиги вернул веб-страницу вместо ответа (HTTP %1).").arg(m_status);
    }
    return {};
}
