#include "FeedbackTransportError.h"

#include "core/TextUtils.h"

QString FeedbackTransportError::description() const {
    switch (m_kind) {
    case Kind::server:
        if (const QString text = TextUtils::serverText(m_message.value_or(QString())); !text.isEmpty())
            return QStringLiteral("Ошибка сервера %1: %2").arg(m_statusCode).arg(text);
        return QStringLiteral("Сервис обратной связи вернул ошибку %1.").arg(m_statusCode);
    case Kind::transport:
        return QStringLiteral("Не удалось отправить обращение: ") + m_message.value_or(QString());
    case Kind::invalidResponse:
        return QStringLiteral("Сервис обратной связи вернул некорректный ответ.");
    }
    return {};
}
