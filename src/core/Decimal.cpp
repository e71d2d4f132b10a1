#include "Decimal.h"

#include <QHashFunctions>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace {

// Far beyond any price or percentage, but keeps the backend well inside its range.
constexpr long kMaxAbsExponent = 100000;

struct Scientific {
    bool negative = false;
    std::string digits; // significant digits, no leading or trailing zeros; empty for zero
    long exponent = 0;  // value = 0.d1d2d3... * 10^exponent
};

} // namespace

Decimal::Decimal(std::int64_t value)
    : m_value(value)
    , m_double(static_cast<double>(value)) {}

std::optional<Decimal> Decimal::parse(QStringView text) {
    const qsizetype n = text.size();
    qsizetype i = 0;
    std::string ascii;
    ascii.reserve(static_cast<size_t>(n));
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        if (text[i] == u'-')
            ascii.push_back('-');
        ++i;
    }
    qsizetype mantissaDigits = 0;
    while (i < n && text[i] >= u'0' && text[i] <= u'9') {
        ascii.push_back(static_cast<char>(text[i].unicode()));
        ++i;
        ++mantissaDigits;
    }
    if (i < n && text[i] == u'.') {
        ascii.push_back('.');
        ++i;
        while (i < n && text[i] >= u'0' && text[i] <= u'9') {
            ascii.push_back(static_cast<char>(text[i].unicode()));
            ++i;
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0)
        return std::nullopt;
    long exponent = 0;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        bool negativeExponent = false;
        if (i < n && (text[i] == u'+' || text[i] == u'-')) {
            negativeExponent = text[i] == u'-';
            ++i;
        }
        qsizetype exponentDigits = 0;
        while (i < n && text[i] >= u'0' && text[i] <= u'9') {
            if (exponent <= kMaxAbsExponent * 10)
                exponent = exponent * 10 + (text[i].unicode() - u'0');
            ++i;
            ++exponentDigits;
        }
        if (exponentDigits == 0)
            return std::nullopt;
        if (exponent > kMaxAbsExponent)
            return std::nullopt;
        if (negativeExponent)
            exponent = -exponent;
        ascii += 'e';
        ascii += std::to_string(exponent);
    }
    if (i != n)
        return std::nullopt;
    if (ascii.back() == '.')
        ascii.pop_back();
    if (ascii.front() == '.' || (ascii.size() > 1 && ascii[0] == '-' && ascii[1] == '.'))
        ascii.insert(ascii.front() == '-' ? 1 : 0, "0");
    try {
        Backend value(ascii);
        if (!boost::multiprecision::isfinite(value))
            return std::nullopt;
        return Decimal(std::move(value));
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::optional<Decimal> Decimal::fromDouble(double value) {
    if (!std::isfinite(value))
        return std::nullopt;
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    if (result.ec != std::errc())
        return std::nullopt;
    return parse(QString::fromLatin1(buffer, result.ptr - buffer));
}

namespace {

template <typename Backend> Scientific scientific(const Backend& value) {
    Scientific out;
    if (value.is_zero())
        return out;
    // Scientific form with all the digits the backend holds: "-1.234500000e+03".
    const std::string text = value.str(0, std::ios_base::scientific);
    size_t pos = 0;
    if (text[pos] == '-') {
        out.negative = true;
        ++pos;
    }
    const size_t ePos = text.find('e', pos);
    for (size_t k = pos; k < ePos; ++k) {
        if (text[k] >= '0' && text[k] <= '9')
            out.digits.push_back(text[k]);
    }
    const long exponent = std::stol(text.substr(ePos + 1));
    const size_t firstNonZero = out.digits.find_first_not_of('0');
    if (firstNonZero == std::string::npos) {
        out.digits.clear();
        out.negative = false;
        return out;
    }
    out.digits.erase(0, firstNonZero);
    out.exponent = exponent + 1 - static_cast<long>(firstNonZero);
    const size_t lastNonZero = out.digits.find_last_not_of('0');
    out.digits.erase(lastNonZero + 1);
    return out;
}

} // namespace

QString Decimal::toString() const {
    const Scientific s = scientific(m_value);
    if (s.digits.empty())
        return QStringLiteral("0");
    std::string out;
    if (s.negative)
        out.push_back('-');
    const long len = static_cast<long>(s.digits.size());
    if (s.exponent <= 0) {
        out += "0.";
        out.append(static_cast<size_t>(-s.exponent), '0');
        out += s.digits;
    } else if (s.exponent >= len) {
        out += s.digits;
        out.append(static_cast<size_t>(s.exponent - len), '0');
    } else {
        out += s.digits.substr(0, static_cast<size_t>(s.exponent));
        out.push_back('.');
        out += s.digits.substr(static_cast<size_t>(s.exponent));
    }
    return QString::fromLatin1(out.data(), static_cast<qsizetype>(out.size()));
}

QString Decimal::toFixed(int fractionDigits) const {
    const int places = std::max(0, fractionDigits);
    const Backend scaled = m_value * boost::multiprecision::pow(Backend(10), places);
    const Backend half("0.5");
    const Backend rounded = scaled.sign() < 0 ? Backend(-boost::multiprecision::floor(-scaled + half))
                                              : Backend(boost::multiprecision::floor(scaled + half));
    QString digits = Decimal(rounded).toString();
    const bool negative = digits.startsWith(u'-');
    if (negative)
        digits.remove(0, 1);
    if (places == 0)
        return negative ? u'-' + digits : digits;
    if (digits.size() <= places)
        digits = QString(places + 1 - digits.size(), u'0') + digits;
    digits.insert(digits.size() - places, u'.');
    return negative ? u'-' + digits : digits;
}

double Decimal::nearestDouble(const Backend& value) {
    // Fast path for the usual prices and rates: value = m / 10^k with |m| <= 2^53 and small k.
    // Both are exact doubles, and IEEE division rounds the exact quotient correctly.
    static constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10};
    static const Backend kExactLimit(9007199254740992LL); // 2^53
    Backend scaled = boost::multiprecision::abs(value);
    for (const double power : kPowersOfTen) {
        if (scaled > kExactLimit)
            break;
        if (scaled.backend().isint()) {
            const double magnitude = static_cast<double>(scaled.backend().extract_signed_long_long()) / power;
            return value.sign() < 0 ? -magnitude : magnitude;
        }
        scaled *= 10;
    }

    const Scientific s = scientific(value);
    if (s.digits.empty())
        return 0.0;
    std::string text;
    if (s.negative)
        text.push_back('-');
    text += "0.";
    text += s.digits;
    text += 'e';
    text += std::to_string(s.exponent);
    double result = 0.0;
    const auto parsed = std::from_chars(text.data(), text.data() + text.size(), result);
    if (parsed.ec == std::errc::result_out_of_range) {
        // Beyond the double range: saturate rather than produce an infinity or garbage.
        if (s.exponent > 0)
            return s.negative ? -std::numeric_limits<double>::max() : std::numeric_limits<double>::max();
        return s.negative ? -0.0 : 0.0;
    }
    return result;
}

bool Decimal::isZero() const {
    return m_value.is_zero();
}
bool Decimal::isNegative() const {
    return m_value.sign() < 0;
}
bool Decimal::isInteger() const {
    return boost::multiprecision::floor(m_value) == m_value;
}
Decimal Decimal::ceil() const {
    return Decimal(Backend(boost::multiprecision::ceil(m_value)));
}

Decimal Decimal::operator+(const Decimal& other) const {
    return Decimal(Backend(m_value + other.m_value));
}
Decimal Decimal::operator-(const Decimal& other) const {
    return Decimal(Backend(m_value - other.m_value));
}
Decimal Decimal::operator*(const Decimal& other) const {
    return Decimal(Backend(m_value * other.m_value));
}
Decimal Decimal::operator-() const {
    return Decimal(Backend(-m_value));
}

std::optional<Decimal> Decimal::dividedBy(const Decimal& divisor) const {
    if (divisor.isZero())
        return std::nullopt;
    return Decimal(Backend(m_value / divisor.m_value));
}

bool Decimal::operator==(const Decimal& other) const {
    return m_value == other.m_value;
}

std::strong_ordering Decimal::operator<=>(const Decimal& other) const {
    if (m_value < other.m_value)
        return std::strong_ordering::less;
    if (m_value > other.m_value)
        return std::strong_ordering::greater;
    return std::strong_ordering::equal;
}

size_t Decimal::hash(size_t seed) const {
    // Equal values have the same canonical digits and exponent, whatever their spelling.
    const Scientific s = scientific(m_value);
    size_t h = qHashMulti(seed, s.negative, s.exponent);
    return qHashBits(s.digits.data(), s.digits.size(), h);
}
