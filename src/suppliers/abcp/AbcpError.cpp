#include "AbcpError.h"

#include "core/TextUtils.h"

QString AbcpError::description() const {
    switch (m_kind) {
    case Kind::missingCredentials:
        return QStringLiteral("не указаны логин и пароль");
    case Kind::invalidURL:
        return QStringLiteral("не задан адрес API магазина или он неверен: укажите его в «Настройки» → %1").arg(m_text);
    case Kind::api:
        switch (m_code) {
        case 102:
            return QStringLiteral("неверный логин или пароль");
        case 103:
            return QStringLiteral("доступ к API закрыт: попросите менеджера магазина открыть его для вашего логина");
        case 104:
            return QStringLiteral("магазин не узнал сайт, от имени которого пришёл запрос: проверьте адрес API");
        case 303:
            return QStringLiteral("превышен лимит запросов, повторите позже");
        default:
            break;
        }
        if (const QString said = TextUtils::serverText(m_text); !said.isEmpty())
            return QStringLiteral("ошибка %1: %2").arg(m_code).arg(said);
        return QStringLiteral("ошибка %1").arg(m_code);
    case Kind::httpStatus:
        return QStringLiteral("сервер вернул HTTP %1").arg(m_code);
    case Kind::webPage:
        return QStringLiteral("вместо ответа API пришла веб-страница (HTTP %1): проверьте адрес API").arg(m_code);
    case Kind::unreadable:
        return m_text;
    case Kind::invalidResponse:
        return QStringLiteral("некорректный ответ API");
    }
    return {};
}
