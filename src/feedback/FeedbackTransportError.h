#pragma once

#include "core/UserFacingError.h"

#include <QString>

#include <optional>

// Why one submission failed.
class FeedbackTransportError : public UserFacingError {
public:
    enum class Kind { server, transport, invalidResponse };

    static FeedbackTransportError server(int statusCode, std::optional<QString> message) {
        return FeedbackTransportError(Kind::server, statusCode, std::move(message));
    }
    // `text` is the platform's description of the network failure.
    static FeedbackTransportError transport(QString text) {
        return FeedbackTransportError(Kind::transport, 0, std::move(text));
    }
    static FeedbackTransportError invalidResponse() { return FeedbackTransportError(Kind::invalidResponse, 0, {}); }

    Kind kind() const { return m_kind; }
    int statusCode() const { return m_statusCode; }
    std::optional<QString> message() const { return m_message; }
    QString description() const override;

private:
    FeedbackTransportError(Kind kind, int statusCode, std::optional<QString> message)
        : m_kind(kind)
        , m_statusCode(statusCode)
        , m_message(std::move(message)) {}

    Kind m_kind;
    int m_statusCode;
    std::optional<QString> m_message;
};
