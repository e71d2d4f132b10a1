#pragma once

#include <QString>
#include <QStringView>

#include <boost/multiprecision/cpp_dec_float.hpp>

#include <compare>
#include <cstdint>
#include <optional>

// An exact base-10 number (50 significant digits). Prices and refusal rates are
// kept in it so that what a supplier sends is what the user sees and pays.
// NaN and infinities are never Decimals: every way in rejects them.
class Decimal {
public:
    Decimal() = default;
    Decimal(std::int64_t value); // NOLINT(google-explicit-constructor): integers are exact
    Decimal(int value)
        : Decimal(static_cast<std::int64_t>(value)) {}

    // Exact parse of "[+-]digits[.digits][e[+-]digits]" (also ".5" and "5."); no blanks,
    // no thousands separators, no decimal comma.
    static std::optional<Decimal> parse(QStringView text);
    // Through the shortest text that reads back as the same double: 0.1 becomes exactly 0.1.
    static std::optional<Decimal> fromDouble(double value);

    // The correctly rounded nearest double (worked out once, when the value is made: every
    // sort of the offer table asks for it).
    double toDouble() const { return m_double; }
    // Plain text without exponent and without trailing zeros: "1234.56", "-0.5", "100".
    QString toString() const;
    // Rounded half away from zero to `fractionDigits` places and written with exactly that many
    // (no exponent, no grouping): 1234.5 gives "1234.50" for 2 and "1235" for 0.
    QString toFixed(int fractionDigits) const;

    bool isZero() const;
    bool isNegative() const;
    bool isInteger() const;
    // Smallest integer not less than this value.
    Decimal ceil() const;

    Decimal operator+(const Decimal& other) const;
    Decimal operator-(const Decimal& other) const;
    Decimal operator*(const Decimal& other) const;
    // Division by zero gives std::nullopt instead of an infinity.
    std::optional<Decimal> dividedBy(const Decimal& divisor) const;
    Decimal operator-() const;

    bool operator==(const Decimal& other) const;
    std::strong_ordering operator<=>(const Decimal& other) const;

    // Agrees with ==: 2.5 and 2.50 hash alike.
    size_t hash(size_t seed) const;

private:
    using Backend = boost::multiprecision::number<boost::multiprecision::cpp_dec_float<50>>;
    explicit Decimal(Backend value)
        : m_value(std::move(value))
        , m_double(nearestDouble(m_value)) {}
    static double nearestDouble(const Backend& value);

    Backend m_value{0};
    double m_double = 0.0;
};

inline size_t qHash(const Decimal& value, size_t seed = 0) {
    return value.hash(seed);
}
