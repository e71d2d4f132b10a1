#include "JsonDecoding.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace Json {

namespace {

constexpr int maxDepth = 256;

[[noreturn]] void corrupted(const QString& why) {
    throw DecodingError{DecodingError::Kind::dataCorrupted, QString(), CodingPath(),
                        QStringLiteral("The given data was not valid JSON. %1").arg(why)};
}

class Parser {
public:
    explicit Parser(QByteArrayView text)
        : m_text(text) {}

    Value document() {
        skipSpace();
        Value value = parseValue(0);
        skipSpace();
        if (m_pos != m_text.size())
            fail("Garbage at end");
        return value;
    }

private:
    [[noreturn]] void fail(const char* what) const {
        corrupted(QStringLiteral("%1 around character %2.").arg(QLatin1StringView(what)).arg(m_pos));
    }

    bool atEnd() const { return m_pos >= m_text.size(); }
    char peek() const { return atEnd() ? '\0' : m_text[m_pos]; }

    void skipSpace() {
        while (!atEnd() && (peek() == ' ' || peek() == '\t' || peek() == '\n' || peek() == '\r'))
            ++m_pos;
    }

    void expectWord(const char* word) {
        for (const char* c = word; *c; ++c) {
            if (peek() != *c)
                fail("Invalid literal");
            ++m_pos;
        }
    }

    Value parseValue(int depth) {
        if (depth > maxDepth)
            fail("Too deeply nested");
        if (atEnd())
            fail("Unexpected end of data");
        Value value;
        switch (peek()) {
        case '{':
            value.type = Value::Type::object;
            parseObject(value, depth);
            break;
        case '[':
            value.type = Value::Type::array;
            parseArray(value, depth);
            break;
        case '"':
            value.type = Value::Type::string;
            value.text = parseString();
            break;
        case 't':
            expectWord("true");
            value.type = Value::Type::boolean;
            value.boolean = true;
            break;
        case 'f':
            expectWord("false");
            value.type = Value::Type::boolean;
            break;
        case 'n':
            expectWord("null");
            break;
        default:
            value.type = Value::Type::number;
            value.text = parseNumber();
        }
        return value;
    }

    void parseObject(Value& value, int depth) {
        ++m_pos;
        skipSpace();
        if (peek() == '}') {
            ++m_pos;
            return;
        }
        for (;;) {
            skipSpace();
            if (peek() != '"')
                fail("Expected a key");
            QString key = parseString();
            skipSpace();
            if (peek() != ':')
                fail("Expected ':'");
            ++m_pos;
            skipSpace();
            value.members.append({std::move(key), parseValue(depth + 1)});
            skipSpace();
            if (peek() == ',') {
                ++m_pos;
                continue;
            }
            if (peek() == '}') {
                ++m_pos;
                return;
            }
            fail("Expected ',' or '}'");
        }
    }

    void parseArray(Value& value, int depth) {
        ++m_pos;
        skipSpace();
        if (peek() == ']') {
            ++m_pos;
            return;
        }
        for (;;) {
            skipSpace();
            value.elements.append(parseValue(depth + 1));
            skipSpace();
            if (peek() == ',') {
                ++m_pos;
                continue;
            }
            if (peek() == ']') {
                ++m_pos;
                return;
            }
            fail("Expected ',' or ']'");
        }
    }

    int hex4() {
        if (m_pos + 4 > m_text.size())
            fail("Bad escape");
        int code = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = m_text[m_pos++];
            code <<= 4;
            if (c >= '0' && c <= '9')
                code |= c - '0';
            else if (c >= 'a' && c <= 'f')
                code |= c - 'a' + 10;
            else if (c >= 'A' && c <= 'F')
                code |= c - 'A' + 10;
            else
                fail("Bad escape");
        }
        return code;
    }

    QString parseString() {
        ++m_pos;
        QString result;
        qsizetype runStart = m_pos;
        auto flush = [&] { result += QString::fromUtf8(m_text.sliced(runStart, m_pos - runStart)); };
        for (;;) {
            if (atEnd())
                fail("Unterminated string");
            const char c = m_text[m_pos];
            if (c == '"') {
                flush();
                ++m_pos;
                return result;
            }
            if (static_cast<unsigned char>(c) < 0x20)
                fail("Control character in string");
            if (c != '\\') {
                ++m_pos;
                continue;
            }
            flush();
            ++m_pos;
            const char e = peek();
            ++m_pos;
            switch (e) {
            case '"':
            case '\\':
            case '/':
                result += QChar::fromLatin1(e);
                break;
            case 'b':
                result += u'\b';
                break;
            case 'f':
                result += u'\f';
                break;
            case 'n':
                result += u'\n';
                break;
            case 'r':
                result += u'\r';
                break;
            case 't':
                result += u'\t';
                break;
            case 'u':
                result += QChar(static_cast<char16_t>(hex4()));
                break;
            default:
                fail("Bad escape");
            }
            runStart = m_pos;
        }
    }

    QString parseNumber() {
        const qsizetype start = m_pos;
        auto digits = [&] {
            const qsizetype from = m_pos;
            while (!atEnd() && peek() >= '0' && peek() <= '9')
                ++m_pos;
            return m_pos - from;
        };
        if (peek() == '-')
            ++m_pos;
        if (peek() == '0')
            ++m_pos;
        else if (digits() == 0)
            fail("Invalid value");
        if (peek() == '.') {
            ++m_pos;
            if (digits() == 0)
                fail("Invalid number");
        }
        if (peek() == 'e' || peek() == 'E') {
            ++m_pos;
            if (peek() == '+' || peek() == '-')
                ++m_pos;
            if (digits() == 0)
                fail("Invalid number");
        }
        return QString::fromLatin1(m_text.sliced(start, m_pos - start));
    }

    QByteArrayView m_text;
    qsizetype m_pos = 0;
};

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

const Value* Value::member(QStringView key) const {
    for (qsizetype i = members.size() - 1; i >= 0; --i) {
        if (members.at(i).first == key)
            return &members.at(i).second;
    }
    return nullptr;
}

QString DecodingError::description() const {
    return QStringLiteral("JSON %1, path: %2, %3").arg(kindText(*this), codingPath.join(u'.'), debugDescription);
}

Value parse(QByteArrayView utf8) {
    if (utf8.startsWith("\xEF\xBB\xBF"))
        utf8 = utf8.sliced(3);
    return Parser(utf8).document();
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
    if (value.type != Value::Type::string)
        throwTypeMismatch(QStringLiteral("String"), path,
                          QStringLiteral("Expected to decode String but found another value instead."));
    return value.text;
}

ObjectReader::ObjectReader(const Value& value, CodingPath path)
    : m_value(value)
    , m_path(std::move(path)) {
    if (value.type != Value::Type::object)
        throwTypeMismatch(QStringLiteral("Dictionary"), m_path,
                          QStringLiteral("Expected to decode Dictionary but found another value instead."));
}

} // namespace Json
