#include "TextUtils.h"

#include <QStringList>

#include <utility>

namespace TextUtils {

QString trimmed(QStringView text) {
    return text.trimmed().toString();
}

QString trimmedUpper(QStringView text) {
    return text.trimmed().toString().toUpper();
}

QString canonicalPartNumber(QStringView text) {
    const QString upper = text.toString().toUpper();
    QString out;
    out.reserve(upper.size());
    for (const QChar c : upper) {
        if (c.isLetterOrNumber())
            out.append(c);
    }
    return out;
}

namespace {

bool isControl(QChar c) {
    const char16_t u = c.unicode();
    return u < 0x20 || (u >= 0x7f && u <= 0x9f);
}

} // namespace

QString withoutControlCharacters(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (!isControl(c))
            out.append(c);
    }
    return out;
}

QString searchQuery(QStringView text) {
    return trimmedUpper(withoutControlCharacters(text));
}

namespace {

// The Latin twin of a Cyrillic letter that looks the same in capitals, or a null QChar; small
// letters map to small ones, so the rule holds in either case.
QChar latinTwin(QChar c) {
    static constexpr std::pair<char16_t, char16_t> twins[] = {
        {u'А', u'A'}, {u'В', u'B'}, {u'Е', u'E'}, {u'К', u'K'}, {u'М', u'M'}, {u'Н', u'H'}, {u'О', u'O'}, {u'Р', u'P'},
        {u'С', u'C'}, {u'Т', u'T'}, {u'У', u'Y'}, {u'Х', u'X'}, {u'а', u'a'}, {u'в', u'b'}, {u'е', u'e'}, {u'к', u'k'},
        {u'м', u'm'}, {u'н', u'h'}, {u'о', u'o'}, {u'р', u'p'}, {u'с', u'c'}, {u'т', u't'}, {u'у', u'y'}, {u'х', u'x'},
    };
    for (const auto& [cyrillic, latin] : twins) {
        if (c.unicode() == cyrillic)
            return QChar(latin);
    }
    return {};
}

} // namespace

QString latinLookalikes(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (!c.isLetter() || c.script() == QChar::Script_Latin) {
            out.append(c);
            continue;
        }
        const QChar twin = latinTwin(c);
        if (twin.isNull())
            return text.toString();
        out.append(twin);
    }
    return out;
}

QString lookalikesNote(const QString& typed, const QString& searched) {
    QStringList letters;
    for (qsizetype i = 0; i < typed.size() && i < searched.size(); ++i) {
        const QString letter(typed[i]);
        if (typed[i] != searched[i] && !letters.contains(letter))
            letters.append(letter);
    }
    return QStringLiteral("Кириллица заменена: %1 → %2 (%3)").arg(typed, searched, letters.join(QStringLiteral(", ")));
}

QString forTerminal(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text)
        out.append(isControl(c) && c != u'\t' && c != u'\n' ? QChar(QChar::ReplacementCharacter) : c);
    return out;
}

} // namespace TextUtils
