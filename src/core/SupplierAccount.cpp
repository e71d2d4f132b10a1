#include "SupplierAccount.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace Qt::StringLiterals;

namespace {

// Russian letters as they are usually written in Latin ones (passport style).
QString latin(QChar c) {
    static const QString from = u"абвгдеёжзийклмнопрстуфхцчшщъыьэюя"_s;
    static const char* const to[] = {"a",  "b",  "v",  "g",  "d",    "e", "e", "zh", "z", "i",  "y",
                                     "k",  "l",  "m",  "n",  "o",    "p", "r", "s",  "t", "u",  "f",
                                     "kh", "ts", "ch", "sh", "shch", "",  "y", "",   "e", "yu", "ya"};
    const qsizetype at = from.indexOf(c);
    return at < 0 ? QString() : QString::fromLatin1(to[at]);
}

bool isIDCharacter(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'-' || c == u'_' || c == u'.';
}

} // namespace

QString SupplierAccount::slug(QStringView text) {
    QString result;
    bool dash = false;
    for (const QChar raw : text.toString().toLower()) {
        QString piece;
        if ((raw >= u'a' && raw <= u'z') || (raw >= u'0' && raw <= u'9'))
            piece = raw;
        else
            piece = latin(raw);
        if (piece.isEmpty()) {
            // Anything else (a space, a sign, another script) parts words.
            dash = !result.isEmpty();
            continue;
        }
        if (dash)
            result += u'-';
        dash = false;
        result += piece;
    }
    if (result.size() > 40) {
        result.truncate(40);
        while (result.endsWith(u'-'))
            result.chop(1);
    }
    return result;
}

bool SupplierAccount::isUsableID(QStringView id) {
    if (id.isEmpty() || id.size() > 100 || !isIDCharacter(id.front()) || id.front() == u'-')
        return false;
    return std::all_of(id.begin(), id.end(), isIDCharacter);
}

QByteArray SupplierAccount::encodeList(const QList<SupplierAccount>& accounts) {
    QJsonArray list;
    for (const SupplierAccount& a : accounts) {
        QJsonObject o{{u"id"_s, a.id},
                      {u"platform"_s, a.platform},
                      {u"name"_s, a.name},
                      {u"color"_s, a.color},
                      {u"enabled"_s, a.enabled}};
        if (!a.address.isEmpty())
            o.insert(u"address"_s, a.address);
        if (!a.provider.isEmpty())
            o.insert(u"provider"_s, a.provider);
        list.append(o);
    }
    return QJsonDocument(list).toJson(QJsonDocument::Compact);
}

std::optional<QList<SupplierAccount>> SupplierAccount::decodeList(const QByteArray& data) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    QList<SupplierAccount> accounts;
    for (const QJsonValue& value : document.array()) {
        const QJsonObject o = value.toObject();
        SupplierAccount a;
        a.id = o.value(u"id"_s).toString();
        a.platform = o.value(u"platform"_s).toString();
        a.name = o.value(u"name"_s).toString().trimmed();
        a.address = o.value(u"address"_s).toString();
        a.provider = o.value(u"provider"_s).toString();
        a.color = std::clamp(o.value(u"color"_s).toInt(), 0, 1000);
        a.enabled = o.value(u"enabled"_s).toBool(true);
        // An id must be one of ours and name its platform; one seen already is not another account.
        const bool known = std::any_of(accounts.begin(), accounts.end(),
                                       [&a](const SupplierAccount& other) { return other.id == a.id; });
        if (!isUsableID(a.id) || a.platform.isEmpty() || !a.id.startsWith(a.platform + u'-') || a.name.isEmpty() ||
            known)
            continue;
        accounts.append(a);
    }
    return accounts;
}
