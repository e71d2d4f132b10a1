#pragma once

#include "core/UserFacingError.h"

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>
#include <utility>

// A small JSON reader for supplier answers. Unlike QJsonDocument it keeps the text
// of every number, so 1e999 is never an infinity and a 20-digit integer is never a
// rounded double; and decoding failures name the path to the failing value.
//
// The parsed document is one flat array of 20-byte nodes over the answer's own bytes;
// strings are decoded only when read. A hostile answer of millions of tiny values thus
// costs a small multiple of its size, and a container of more than maxElements entries
// or a document nested deeper than maxDepth is refused before anything is built.
namespace Json {

inline constexpr qsizetype maxElements = 50000;
// Rows (offers, price lines) in one answer: more than one search ever shows. A document with
// more is refused before its rows are decoded, whatever containers they are spread over.
inline constexpr qsizetype maxRows = 20000;
inline constexpr int maxDepth = 256;

struct Document;

// A value inside a parsed document; cheap to copy, keeps the document alive.
class Value {
public:
    enum class Type : quint8 { null, boolean, number, string, array, object };

    // A JSON null outside any document.
    Value() = default;

    Type type() const;
    bool boolean() const;
    // String contents, or the number exactly as written; empty for other types.
    QString text() const;
    // Entries of an array or members of an object.
    qsizetype size() const;
    QList<Value> elements() const;
    // In document order, duplicates included.
    QList<std::pair<QString, Value>> members() const;
    // The last member of that name (later duplicates win).
    std::optional<Value> member(QStringView key) const;

private:
    friend Value parse(const QByteArray& utf8);
    Value(std::shared_ptr<const Document> document, quint32 index)
        : m_document(std::move(document))
        , m_index(index) {}

    std::shared_ptr<const Document> m_document;
    quint32 m_index = 0;
};

using CodingPath = QStringList;

// Why a document could not be turned into records.
struct DecodingError {
    enum class Kind { typeMismatch, valueNotFound, keyNotFound, dataCorrupted };
    Kind kind;
    // The expected type's name, or the missing key.
    QString subject;
    CodingPath codingPath;
    QString debugDescription;
    // A syntax error met at the very end of the text: the document was cut short.
    bool atEndOfText = false;

    // "JSON keyNotFound payer_key, path: DATA.Index 0, No value associated with key "payer_key"."
    QString description() const;
};

// An answer too large in shape to be turned into records: a container of more than
// maxElements entries, or nesting deeper than maxDepth. Connectors treat it as an
// invalid answer.
struct LimitError {
    QString what;
};

// Throws DecodingError (dataCorrupted) for text that is not JSON, LimitError for a
// document beyond the limits above.
// Said of an answer with more rows than maxRows.
QString tooManyRowsText();
Value parse(const QByteArray& utf8);

// Why an answer that is no JSON document could not be read, in the buyer's words: "пустой
// ответ", "ответ оборван", "ответ сжат (gzip), хотя сжатие не запрашивалось" or "ответ не в
// формате JSON".
QString unreadableAnswer(const QByteArray& body, const DecodingError& error);

// Position names in a coding path.
QString indexName(qsizetype index);

// Exact readers of a number's text; nullopt when it is no such number (out of range,
// not finite, or not an integer for int64).
std::optional<std::int64_t> integerValue(QStringView numberText);
std::optional<double> doubleValue(QStringView numberText);
// A decimal number as text ("12", "-1.5e3", ".5"), finite; no hex, no "nan"/"inf".
std::optional<double> parseDecimalDouble(QStringView text);
// Shortest text that reads back as the same double, whole numbers with ".0": 15.0, 12.5, 1e+20.
QString shortestText(double value);

QString decodeString(const Value& value, const CodingPath& path);
[[noreturn]] void throwTypeMismatch(const QString& type, const CodingPath& path, const QString& debug);

// Reads the members of one JSON object. Optional members treat null like a missing key.
class ObjectReader {
public:
    ObjectReader(const Value& value, CodingPath path);

    template <typename Decode>
    auto optional(const QString& key, Decode decode) const -> std::optional<decltype(decode(Value(), CodingPath()))> {
        const std::optional<Value> v = m_value.member(key);
        if (!v || v->type() == Value::Type::null)
            return std::nullopt;
        return decode(*v, m_path + CodingPath{key});
    }

    template <typename Decode>
    auto required(const QString& key, const QString& typeName, Decode decode) const
        -> decltype(decode(Value(), CodingPath())) {
        const std::optional<Value> v = m_value.member(key);
        if (!v)
            throw DecodingError{DecodingError::Kind::keyNotFound, key, m_path,
                                QStringLiteral("No value associated with key \"%1\".").arg(key)};
        if (v->type() == Value::Type::null)
            throw DecodingError{DecodingError::Kind::valueNotFound, typeName, m_path + CodingPath{key},
                                QStringLiteral("Expected %1 value but found null instead.").arg(typeName)};
        return decode(*v, m_path + CodingPath{key});
    }

    const CodingPath& path() const { return m_path; }

private:
    Value m_value;
    CodingPath m_path;
};

// A JSON array of records, each decoded by decode(value, path).
template <typename Decode> auto decodeList(const Value& value, const CodingPath& path, Decode decode) {
    using Element = decltype(decode(Value(), CodingPath()));
    if (value.type() != Value::Type::array)
        throwTypeMismatch(QStringLiteral("Array"), path,
                          QStringLiteral("Expected to decode Array but found another value instead."));
    const QList<Value> elements = value.elements();
    QList<Element> list;
    list.reserve(elements.size());
    for (qsizetype i = 0; i < elements.size(); ++i)
        list.append(decode(elements.at(i), path + CodingPath{indexName(i)}));
    return list;
}

// Records decoded one by one: a record that does not decode is left out and counted.
template <typename Record> struct LenientList {
    QList<Record> records;
    qsizetype skipped = 0;
    // Why the first left-out record failed.
    std::optional<DecodingError> firstFailure;
};

template <typename Decode> auto decodeLenientList(const Value& value, const CodingPath& path, Decode decode) {
    using Element = decltype(decode(Value(), CodingPath()));
    if (value.type() != Value::Type::array)
        throwTypeMismatch(QStringLiteral("Array"), path,
                          QStringLiteral("Expected to decode Array but found another value instead."));
    if (value.size() > maxRows)
        throw LimitError{QStringLiteral("more than %1 rows").arg(maxRows)};
    const QList<Value> elements = value.elements();
    LenientList<Element> list;
    list.records.reserve(elements.size());
    for (qsizetype i = 0; i < elements.size(); ++i) {
        try {
            list.records.append(decode(elements.at(i), path + CodingPath{indexName(i)}));
        } catch (const DecodingError& error) {
            ++list.skipped;
            if (!list.firstFailure)
                list.firstFailure = error;
        }
    }
    return list;
}

} // namespace Json
