#pragma once

#include <QString>

#include <exception>

// Base of every error whose text is shown to the user as it stands (in Russian).
class UserFacingError : public std::exception {
public:
    // What the failure means for the buyer's next step, where the search treats failures alike:
    // nothing stored to sign in with, or no way to reach anyone.
    enum class Cause { other, missingCredentials, noConnection };

    virtual QString description() const = 0;
    virtual Cause cause() const { return Cause::other; }
    const char* what() const noexcept override;

private:
    mutable QByteArray m_what;
};

// An error that is nothing but its text.
class PlainUserFacingError : public UserFacingError {
public:
    explicit PlainUserFacingError(QString text, Cause cause = Cause::other)
        : m_text(std::move(text))
        , m_cause(cause) {}
    QString description() const override { return m_text; }
    Cause cause() const override { return m_cause; }

private:
    QString m_text;
    Cause m_cause;
};
