#include "JsonDecoding.h"

#include <QLocale>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>
#include <vector>

namespace Json {

namespace {

[[noreturn]] void corrupted(const QString& why, bool atEnd = false) {
    throw DecodingError{DecodingError::Kind::dataCorrupted, QString(), CodingPath(),
                        QStringLiteral("The given data was not valid JSON. %1").arg(why), atEnd};
}

} // namespace

struct Node {
    // Strings: the bytes between the quotes; numbers: the number as written.
    quint32 start = 0;
    quint32 length = 0;
    // Index one past this node's subtree: the next sibling.
    quint32 end = 0;
    // Entries of an array, members of an object (each member is a key node and a value node).
    quint32 count = 0;
    Value::Type type = Value::Type::null;
    // Strings: holds an escape sequence. Booleans: the value.
    bool flag = false;
};

struct Document {
    QByteArray source;
    std::vector<Node> nodes;
};

namespace {

// Reads a document twice: once to validate it and count its nodes, once to fill an array
// of exactly that many, so that building never reallocates.
class Parser {
public:
    Parser(QByteArrayView text, std::vector<Node>* nodes)
        : m_text(text)
        , m_nodes(nodes) {}

    quint32 document() {
        skipSpace();
        parseValue(0);
        skipSpace();
        if (m_pos != m_text.size())
            fail("Garbage at end");
        return m_count;
    }

private:
    [[noreturn]] void fail(const char* what) const {
        corrupted(QStringLiteral("%1 around character %2.").arg(QLatin1StringView(what)).arg(m_pos), atEnd());
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

    // A new node; nullptr while only counting.
    Node* add(Value::Type type) {
        ++m_count;
        if (!m_nodes)
            return nullptr;
        Node& node = m_nodes->emplace_back();
        node.type = type;
        return &node;
    }

    quint32 index() const { return m_count; }

    void parseValue(int depth) {
        if (depth > maxDepth)
            throw LimitError{QStringLiteral("nested deeper than %1 levels").arg(maxDepth)};
        if (atEnd())
            fail("Unexpected end of data");
        switch (peek()) {
        case '{':
            parseContainer(Value::Type::object, depth);
            break;
        case '[':
            parseContainer(Value::Type::array, depth);
            break;
        case '"':
            parseString();
            break;
        case 't':
            expectWord("true");
            if (Node* node = add(Value::Type::boolean)) {
                node->flag = true;
                node->end = index();
            }
            break;
        case 'f':
            expectWord("false");
            if (Node* node = add(Value::Type::boolean))
                node->end = index();
            break;
        case 'n':
            expectWord("null");
            if (Node* node = add(Value::Type::null))
                node->end = index();
            break;
        default:
            parseNumber();
        }
    }

    void parseContainer(Value::Type type, int depth) {
        const bool object = type == Value::Type::object;
        const char close = object ? '}' : ']';
        const quint32 self = index();
        add(type);
        ++m_pos;
        quint32 entries = 0;
        skipSpace();
        if (peek() == close) {
            ++m_pos;
        } else {
            for (;;) {
                if (++entries > static_cast<quint32>(maxElements))
                    throw LimitError{QStringLiteral("more than %1 entries in one container").arg(maxElements)};
                skipSpace();
                if (object) {
                    if (peek() != '"')
                        fail("Expected a key");
                    parseString();
                    skipSpace();
                    if (peek() != ':')
                        fail("Expected ':'");
                    ++m_pos;
                    skipSpace();
                }
                parseValue(depth + 1);
                skipSpace();
                if (peek() == ',') {
                    ++m_pos;
                    continue;
                }
                if (peek() == close) {
                    ++m_pos;
                    break;
                }
                fail(object ? "Expected ',' or '}'" : "Expected ',' or ']'");
            }
        }
        if (m_nodes) {
            Node& node = (*m_nodes)[self];
            node.count = entries;
            node.end = index();
        }
    }

    void parseString() {
        ++m_pos;
        const qsizetype start = m_pos;
        bool escaped = false;
        for (;;) {
            if (atEnd())
                fail("Unterminated string");
            const char c = m_text[m_pos];
            if (c == '"')
                break;
            if (static_cast<unsigned char>(c) < 0x20)
                fail("Control character in string");
            if (c != '\\') {
                ++m_pos;
                continue;
            }
            escaped = true;
            ++m_pos;
            switch (peek()) {
            case '"':
            case '\\':
            case '/':
            case 'b':
            case 'f':
            case 'n':
            case 'r':
            case 't':
                ++m_pos;
                break;
            case 'u':
                ++m_pos;
                for (int i = 0; i < 4; ++i, ++m_pos) {
                    if (!std::isxdigit(static_cast<unsigned char>(peek())))
                        fail("Bad escape");
                }
                break;
            default:
                fail("Bad escape");
            }
        }
        if (Node* node = add(Value::Type::string)) {
            node->start = static_cast<quint32>(start);
            node->length = static_cast<quint32>(m_pos - start);
            node->flag = escaped;
            node->end = index();
        }
        ++m_pos;
    }

    void parseNumber() {
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
        if (Node* node = add(Value::Type::number)) {
            node->start = static_cast<quint32>(start);
            node->length = static_cast<quint32>(m_pos - start);
            node->end = index();
        }
    }

    QByteArrayView m_text;
    std::vector<Node>* m_nodes;
    qsizetype m_pos = 0;
    quint32 m_count = 0;
};

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return c - 'A' + 10;
}

// The contents of a string token the parser has validated.
QString decodeToken(QByteArrayView raw, bool escaped) {
    if (!escaped)
        return QString::fromUtf8(raw);
    QString result;
    result.reserve(raw.size());
    qsizetype runStart = 0;
    qsizetype i = 0;
    auto flush = [&] { result += QString::fromUtf8(raw.sliced(runStart, i - runStart)); };
    while (i < raw.size()) {
        if (raw[i] != '\\') {
            ++i;
            continue;
        }
        flush();
        const char e = raw[i + 1];
        i += 2;
        switch (e) {
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
        case 'u': {
            char16_t code = 0;
            for (int k = 0; k < 4; ++k)
                code = static_cast<char16_t>((code << 4) | hexDigit(raw[i + k]));
            result += QChar(code);
            i += 4;
            break;
        }
        default: // '"', '\\', '/'
            result += QChar::fromLatin1(e);
        }
        runStart = i;
    }
    flush();
    return result;
}

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

Value::Type Value::type() const {
    return m_document ? m_document->nodes[m_index].type : Type::null;
}

bool Value::boolean() const {
    return m_document && m_document->nodes[m_index].type == Type::boolean && m_document->nodes[m_index].flag;
}

QString Value::text() const {
    if (!m_document)
        return {};
    const Node& node = m_document->nodes[m_index];
    const QByteArrayView raw = QByteArrayView(m_document->source).sliced(node.start, node.length);
    if (node.type == Type::string)
        return decodeToken(raw, node.flag);
    if (node.type == Type::number)
        return QString::fromLatin1(raw);
    return {};
}

qsizetype Value::size() const {
    return m_document ? m_document->nodes[m_index].count : 0;
}

QList<Value> Value::elements() const {
    QList<Value> list;
    if (type() != Type::array)
        return list;
    const Node& node = m_document->nodes[m_index];
    list.reserve(node.count);
    for (quint32 i = m_index + 1; i < node.end; i = m_document->nodes[i].end)
        list.append(Value(m_document, i));
    return list;
}

QList<std::pair<QString, Value>> Value::members() const {
    QList<std::pair<QString, Value>> list;
    if (type() != Type::object)
        return list;
    const Node& node = m_document->nodes[m_index];
    list.reserve(node.count);
    for (quint32 key = m_index + 1; key < node.end;) {
        const quint32 value = m_document->nodes[key].end;
        list.append({Value(m_document, key).text(), Value(m_document, value)});
        key = m_document->nodes[value].end;
    }
    return list;
}

std::optional<Value> Value::member(QStringView key) const {
    if (type() != Type::object)
        return std::nullopt;
    const QByteArray wanted = key.toUtf8();
    const Node& node = m_document->nodes[m_index];
    std::optional<quint32> found;
    for (quint32 k = m_index + 1; k < node.end;) {
        const Node& keyNode = m_document->nodes[k];
        const quint32 value = keyNode.end;
        const QByteArrayView raw = QByteArrayView(m_document->source).sliced(keyNode.start, keyNode.length);
        if (keyNode.flag ? decodeToken(raw, true) == key : raw == QByteArrayView(wanted))
            found = value;
        k = m_document->nodes[value].end;
    }
    if (!found)
        return std::nullopt;
    return Value(m_document, *found);
}

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

Value parse(const QByteArray& utf8) {
    const qsizetype offset = utf8.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    if (utf8.size() >= static_cast<qsizetype>(std::numeric_limits<quint32>::max()))
        throw LimitError{QStringLiteral("document too large")};
    auto document = std::make_shared<Document>();
    document->source = offset ? utf8.sliced(offset) : utf8;
    const quint32 count = Parser(QByteArrayView(document->source), nullptr).document();
    document->nodes.reserve(count);
    Parser(QByteArrayView(document->source), &document->nodes).document();
    return Value(std::move(document), 0);
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
