#include "TextUtils.h"

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

QString forTerminal(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text)
        out.append(isControl(c) && c != u'\t' && c != u'\n' ? QChar(QChar::ReplacementCharacter) : c);
    return out;
}

} // namespace TextUtils
