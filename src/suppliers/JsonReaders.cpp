#include "JsonDecoding.h"

#include <QLocale>

#include <algorithm>
#include <charconv>
#include <cmath>

// What the decoders build on besides the document itself: the errors' texts, numbers as
// written, strings and objects.
namespace Json {

namespace {

QString kindText(const DecodingError& e) {
    switch (e.kind) {
    case DecodingError::Kind::typeMismatch:
        return QStringLiteral("typeMismatch ") + e.subject;
    case DecodingError::Kind::valueNotFound:
        return QStringLiteral("valueNotFound ") + e.subject;
    case DecodingError::Kind::keyNotFound:
        return QStringLiteral("keyNotFound ") + e.subject;
    case DecodingError::Kind::dataCorrupted:
        return QStringLiteral("dataCorrupted");
    }
    return {};
}

// Whether a finite decimal number as written ("-0.00012e-400") lies strictly between
// -1 and 1, told from its digits alone: out of a double's range it is an underflow
// then, not an overflow.
bool belowOne(QByteArrayView text) {
    qsizetype i = (text.startsWith('-') || text.startsWith('+')) ? 1 : 0;
    // Decimal exponent of the first significant digit, before the written exponent.
    qint64 leading = 0;
    bool significant = false;
    qsizetype integerDigits = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (text[i] != '0')
            significant = true;
        if (significant)
            ++integerDigits;
    }
    if (significant) {
        leading = integerDigits - 1;
    } else if (i < text.size() && text[i] == '.') {
        ++i;
        qint64 zeros = 0;
        while (i < text.size() && text[i] == '0') {
            ++zeros;
            ++i;
        }
        if (i >= text.size() || text[i] < '0' || text[i] > '9')
            return true; // zero
        leading = -zeros - 1;
    } else {
        return true; // zero
    }
    while (i < text.size() && text[i] != 'e' && text[i] != 'E')
        ++i;
    qint64 exponent = 0;
    bool negative = false;
    if (i < text.size()) {
        ++i;
        if (i < text.size() && (text[i] == '-' || text[i] == '+'))
            negative = text[i++] == '-';
        for (; i < text.size(); ++i)
            exponent = std::min<qint64>(exponent * 10 + (text[i] - '0'), qint64(1) << 40);
    }
    return leading + (negative ? -exponent : exponent) < 0;
}

} // namespace

QString DecodingError::description() const {
    return QStringLiteral("JSON %1, path: %2, %3").arg(kindText(*this), codingPath.join(u'.'), debugDescription);
}

QString tooManyRowsText() {
    return QStringLiteral("ответ слишком велик: больше %1 строк").arg(QLocale(QLocale::Russian).toString(maxRows));
}

QString unreadableAnswer(const QByteArray& body, const DecodingError& error) {
    if (body.trimmed().isEmpty())
        return QStringLiteral("пустой ответ");
    if (body.startsWith("\x1f\x8b"))
        return QStringLiteral("ответ сжат (gzip), хотя сжатие не запрашивалось");
    if (error.atEndOfText)
        return QStringLiteral("ответ оборван");
    return QStringLiteral("ответ не в формате JSON");
}

QString indexName(qsizetype index) {
    return QStringLiteral("Index %1").arg(index);
}

std::optional<std::int64_t> integerValue(QStringView numberText) {
    const QByteArray text = numberText.toLatin1();
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.constData(), text.constData() + text.size(), value);
    if (error != std::errc() || end != text.constData() + text.size())
        return std::nullopt;
    return value;
}

std::optional<double> doubleValue(QStringView numberText) {
    const QByteArray text = numberText.toLatin1();
    double value = 0;
    const auto [end, error] = std::from_chars(text.constData(), text.constData() + text.size(), value);
    if (end != text.constData() + text.size() || text.isEmpty())
        return std::nullopt;
    if (error == std::errc::result_out_of_range) {
        // Underflow reads as zero; overflow is no number at all.
        if (!belowOne(text))
            return std::nullopt;
        return text.startsWith('-') ? -0.0 : 0.0;
    }
    if (error != std::errc() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<double> parseDecimalDouble(QStringView text) {
    // [+-]? (digits [. digits?] | . digits) ([eE] [+-]? digits)?
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto isDigit = [&](qsizetype at) { return at < n && text[at] >= u'0' && text[at] <= u'9'; };
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    qsizetype mantissaDigits = 0;
    while (isDigit(i)) {
        ++i;
        ++mantissaDigits;
    }
    if (i < n && text[i] == u'.') {
        ++i;
        while (isDigit(i)) {
            ++i;
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0)
        return std::nullopt;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        if (i < n && (text[i] == u'+' || text[i] == u'-'))
            ++i;
        if (!isDigit(i))
            return std::nullopt;
        while (isDigit(i))
            ++i;
    }
    if (i != n)
        return std::nullopt;
    QString plain = text.toString();
    if (plain.startsWith(u'+'))
        plain.remove(0, 1);
    return doubleValue(plain);
}

QString shortestText(double value) {
    char buffer[64];
    if (!std::isfinite(value))
        return std::isnan(value) ? QStringLiteral("nan") : (value > 0 ? QStringLiteral("inf") : QStringLiteral("-inf"));
    // Plain digits for moderate magnitudes, an exponent beyond (as 1e+16 and 1e-05),
    // so that no digit is printed that the double does not hold.
    auto end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific).ptr;
    const QString scientific = QString::fromLatin1(buffer, end - buffer);
    const int exponent = scientific.mid(scientific.indexOf(u'e') + 1).toInt();
    if (value != 0 && (exponent < -4 || exponent >= 16))
        return scientific;
    end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed).ptr;
    QString text = QString::fromLatin1(buffer, end - buffer);
    if (!text.contains(u'.'))
        text += QStringLiteral(".0");
    return text;
}

void throwTypeMismatch(const QString& type, const CodingPath& path, const QString& debug) {
    throw DecodingError{DecodingError::Kind::typeMismatch, type, path, debug};
}

QString decodeString(const Value& value, const CodingPath& path) {
    if (value.type() != Value::Type::string)
        throwTypeMismatch(QStringLiteral("String"), path,
                          QStringLiteral("Expected to decode String but found another value instead."));
    return value.text();
}

ObjectReader::ObjectReader(const Value& value, CodingPath path)
    : m_value(value)
    , m_path(std::move(path)) {
    if (value.type() != Value::Type::object)
        throwTypeMismatch(QStringLiteral("Dictionary"), m_path,
                          QStringLiteral("Expected to decode Dictionary but found another value instead."));
}

} // namespace Json
