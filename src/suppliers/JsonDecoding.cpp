#include "JsonDecoding.h"

#include <cctype>
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

} // namespace Json
