#include "AutopiterError.h"

QString AutopiterError::description() const {
    switch (m_kind) {
    case Kind::httpStatus:
        return QStringLiteral("Autopiter вернул HTTP %1.").arg(m_status);
    case Kind::invalidSOAPResponse:
        return QStringLiteral("Некорректный SOAP-ответ Autopiter: ") + m_detail + u'.';
    case Kind::missingCredentials:
        return QStringLiteral("Не указаны User ID или пароль Autopiter.");
    case Kind::invalidHTTPResponse:
        return QStringLiteral("Autopiter вернул некорректный HTTP-ответ.");
    case Kind::authorizationRejected:
        return QStringLiteral("Autopiter отклонил авторизацию.");
    case Kind::missingAuthorizationCookie:
        return QStringLiteral("Autopiter подтвердил авторизацию, но не вернул AuthCoocies.");
    case Kind::invalidURL:
        return m_detail.isEmpty() ? QStringLiteral("Не удалось сформировать адрес Autopiter.")
                                  : QStringLiteral("Не удалось сформировать адрес Autopiter. ") + m_detail;
    }
    return {};
}
