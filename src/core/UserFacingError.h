#pragma once

#include <QString>

#include <exception>

// Base of every error whose text is shown to the user as it stands (in Russian).
class UserFacingError : public std::exception {
public:
    virtual QString description() const = 0;
    const char* what() const noexcept override;

private:
    mutable QByteArray m_what;
};

// An error that is nothing but its text.
class PlainUserFacingError : public UserFacingError {
public:
    explicit PlainUserFacingError(QString text)
        : m_text(std::move(text)) {}
    QString description() const override { return m_text; }

private:
    QString m_text;
};
