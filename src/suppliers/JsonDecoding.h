#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <utility>

// A small JSON reader for supplier answers. Unlike QJsonDocument it keeps the text
// of every number, so 1e999 is never an infinity and a 20-digit integer is never a
// rounded double; and decoding failures name the path to the failing value.
namespace Json {

struct Value {
    enum class Type { null, boolean, number, string, array, object };
    Type type = Type::null;
    bool boolean = false;
    // String contents, or the number exactly as written.
    QString text;
    QList<Value> elements;
    QList<std::pair<QString, Value>> members;

    // The last member of that name (later duplicates win); nullptr when absent.
    const Value* member(QStringView key) const;
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

    // "JSON keyNotFound payer_key, path: DATA.Index 0, No value associated with key "payer_key"."
    QString description() const;
};

// Throws DecodingError (dataCorrupted) for text that is not JSON.
Value parse(QByteArrayView utf8);

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
        const Value* v = m_value.member(key);
        if (!v || v->type == Value::Type::null)
            return std::nullopt;
        return decode(*v, m_path + CodingPath{key});
    }

    template <typename Decode>
    auto required(const QString& key, const QString& typeName, Decode decode) const
        -> decltype(decode(Value(), CodingPath())) {
        const Value* v = m_value.member(key);
        if (!v)
            throw DecodingError{DecodingError::Kind::keyNotFound, key, m_path,
                                QStringLiteral("No value associated with key \"%1\".").arg(key)};
        if (v->type == Value::Type::null)
            throw DecodingError{DecodingError::Kind::valueNotFound, typeName, m_path + CodingPath{key},
                                QStringLiteral("Expected %1 value but found null instead.").arg(typeName)};
        return decode(*v, m_path + CodingPath{key});
    }

    const CodingPath& path() const { return m_path; }

private:
    const Value& m_value;
    CodingPath m_path;
};

// A JSON array of records, each decoded by decode(value, path).
template <typename Decode> auto decodeList(const Value& value, const CodingPath& path, Decode decode) {
    using Element = decltype(decode(Value(), CodingPath()));
    if (value.type != Value::Type::array)
        throwTypeMismatch(QStringLiteral("Array"), path,
                          QStringLiteral("Expected to decode Array but found another value instead."));
    QList<Element> list;
    list.reserve(value.elements.size());
    for (qsizetype i = 0; i < value.elements.size(); ++i)
        list.append(decode(value.elements.at(i), path + CodingPath{indexName(i)}));
    return list;
}

} // namespace Json
