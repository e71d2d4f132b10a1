#include "TradeSoftError.h"

#include "core/TextUtils.h"

QString TradeSoftError::description() const {
    switch (m_kind) {
    case Kind::httpStatus:
        return QStringLiteral("TradeSoft вернул HTTP %1.").arg(m_status);
    case Kind::api:
        // The service's own words, as one line of reasonable length.
        return TextUtils::serverText(m_message);
    case Kind::missingCredentials:
        return QStringLiteral("Не указаны данные TradeSoft / Автолиги.");
    case Kind::invalidURL:
        return QStringLiteral("Некорректный адрес TradeSoft.");
    case Kind::invalidResponse:
        return QStringLiteral("TradeSoft вернул ответ неизвестного формата.");
    case Kind::unreadable:
        return QStringLiteral("TradeSoft: %1.").arg(m_message);
    case Kind::webPage:
        return QStringLiteral("TradeSoft вернул веб-страницу вместо ответа (HTTP %1).").arg(m_status);
    }
    return {};
}
