#include "TradeSoftError.h"

QString TradeSoftError::description() const {
    switch (m_kind) {
    case Kind::httpStatus:
        return QStringLiteral("TradeSoft вернул HTTP %1.").arg(m_status);
    case Kind::api:
        return m_message;
    case Kind::missingCredentials:
        return QStringLiteral("Не указаны данные TradeSoft / Автолиги.");
    case Kind::invalidURL:
        return m_message.isEmpty() ? QStringLiteral("Некорректный адрес TradeSoft.")
                                   : QStringLiteral("Некорректный адрес TradeSoft. ") + m_message;
    case Kind::invalidResponse:
        return QStringLiteral("TradeSoft вернул ответ неизвестного формата.");
    }
    return {};
}
