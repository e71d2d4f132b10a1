#include "AutopiterError.h"

#include "core/TextUtils.h"

namespace {

// The detail, cut to one line, with one full stop after it (none when it ends a sentence itself).
QString sentence(const QString& detail) {
    const QString text = TextUtils::singleLine(detail);
    if (text.endsWith(u'.') || text.endsWith(u'!') || text.endsWith(u'?') || text.endsWith(u'…'))
        return text;
    return text + u'.';
}

} // namespace

QString AutopiterError::description() const {
    switch (m_kind) {
    case Kind::httpStatus:
        return QStringLiteral("Autopiter вернул HTTP %1.").arg(m_status);
    case Kind::invalidSOAPResponse:
    case Kind::noResult:
        return QStringLiteral("Некорректный SOAP-ответ Autopiter: ") + sentence(m_detail);
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
    case Kind::soapFault:
        return QStringLiteral("Autopiter сообщил об ошибке: ") + sentence(m_detail);
    case Kind::webPage:
        return QStringLiteral("Autopiter вернул веб-страницу вместо ответа (HTTP %1).").arg(m_status);
    }
    return {};
}
