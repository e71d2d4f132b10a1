#include "AutoligaPortalError.h"

QString AutoligaPortalError::description() const {
    switch (m_kind) {
    case Kind::http:
        return QStringLiteral("Портал Автолиги: HTTP %1. Проверьте учётные данные портала.").arg(m_status);
    case Kind::missingCredentials:
        return QStringLiteral("Укажите логин и пароль портала Автолиги в настройках поставщика.");
    case Kind::invalidResponse:
        return QStringLiteral("Портал Автолиги вернул ответ неизвестного формата.");
    case Kind::invalidAddress:
        return m_hint.isEmpty() ? QStringLiteral("Не удалось сформировать адрес запроса к порталу Автолиги.")
                                : QStringLiteral("Не удалось сформировать адрес запроса к порталу Автолиги. ") + m_hint;
    case Kind::missingAddress:
        return QStringLiteral("Не указан адрес портала Автолиги: введите его в «Настройки» → Автолига → «Адрес "
                              "сервиса».");
    }
    return {};
}
