#include "TextUtils.h"

#include <QStringList>

#include <algorithm>
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

namespace {

// Embeddings, overrides and isolates, and the marks that steer them: they reorder what a
// terminal or an editor shows.
bool isBidiControl(char16_t u) {
    return (u >= 0x202a && u <= 0x202e) || (u >= 0x2066 && u <= 0x2069) || u == 0x200e || u == 0x200f || u == 0x061c;
}

bool isLineSeparator(char16_t u) {
    return u == 0x2028 || u == 0x2029;
}

} // namespace

QString forTerminal(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool unsafe = (isControl(c) && c != u'\t' && c != u'\n') || isBidiControl(u) || isLineSeparator(u);
        out.append(unsafe ? QChar(QChar::ReplacementCharacter) : c);
    }
    return out;
}

QString singleLine(QStringView text, qsizetype maxLength) {
    QString out;
    out.reserve(std::min(text.size(), maxLength + 1));
    bool pendingSpace = false;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (isBidiControl(u))
            continue;
        if (c.isSpace() || isControl(c) || isLineSeparator(u)) {
            pendingSpace = !out.isEmpty();
            continue;
        }
        if (pendingSpace)
            out.append(u' ');
        pendingSpace = false;
        out.append(c);
        if (out.size() > maxLength)
            break;
    }
    if (out.size() > maxLength) {
        out.truncate(std::max<qsizetype>(maxLength - 1, 0));
        // Never end on half of a surrogate pair.
        if (!out.isEmpty() && out.back().isHighSurrogate())
            out.chop(1);
        out = out.trimmed() + u'…';
    }
    return out;
}

namespace {

QString decodedEntity(QStringView entity) {
    static const std::pair<const char16_t*, char16_t> named[] = {{u"amp", u'&'},  {u"lt", u'<'},    {u"gt", u'>'},
                                                                 {u"quot", u'"'}, {u"apos", u'\''}, {u"nbsp", u' '}};
    for (const auto& [name, c] : named) {
        if (entity == QStringView(name))
            return QString(QChar(c));
    }
    if (entity.size() > 1 && entity.front() == u'#') {
        bool ok = false;
        const bool hex = entity.size() > 2 && (entity[1] == u'x' || entity[1] == u'X');
        const uint code = entity.sliced(hex ? 2 : 1).toUInt(&ok, hex ? 16 : 10);
        if (ok && code > 0 && code <= 0x10ffff && !(code >= 0xd800 && code <= 0xdfff)) {
            const char32_t c = code;
            return QString::fromUcs4(&c, 1);
        }
    }
    return {};
}

} // namespace

QString withoutMarkup(QStringView text) {
    if (!text.contains(u'<'))
        return text.toString();
    QString out;
    out.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text[i];
        // A tag begins with a letter, "/", "!" or "?" right after "<"; "a < b" is no tag.
        const QChar next = i + 1 < text.size() ? text[i + 1] : QChar();
        if (c == u'<' && (next.isLetter() || next == u'/' || next == u'!' || next == u'?')) {
            const QStringView rest = text.sliced(i);
            if (rest.startsWith(u"<![CDATA[")) {
                const qsizetype end = text.indexOf(u"]]>", i + 9);
                out += text.sliced(i + 9, (end < 0 ? text.size() : end) - i - 9);
                i = end < 0 ? text.size() : end + 3;
                continue;
            }
            const bool comment = rest.startsWith(u"<!--");
            const qsizetype end = comment ? text.indexOf(u"-->", i + 4) : text.indexOf(u'>', i + 1);
            if (end < 0)
                break;
            // A tag separates words ("<td>a</td><td>b</td>" reads "a b").
            out += u' ';
            // The text of scripts and styles is no message.
            const QStringView tag = text.sliced(i + 1, end - i - 1).trimmed();
            i = comment ? end + 3 : end + 1;
            for (const QStringView skipped : {QStringView(u"script"), QStringView(u"style")}) {
                if (tag.startsWith(skipped, Qt::CaseInsensitive) &&
                    (tag.size() == skipped.size() || !tag[skipped.size()].isLetterOrNumber())) {
                    const qsizetype close =
                        text.indexOf(QStringLiteral("</") + skipped.toString(), i, Qt::CaseInsensitive);
                    i = close < 0 ? text.size() : close;
                }
            }
            continue;
        }
        if (c == u'&') {
            const qsizetype semicolon = text.indexOf(u';', i + 1);
            if (semicolon > i && semicolon - i <= 10) {
                const QString decoded = decodedEntity(text.sliced(i + 1, semicolon - i - 1));
                if (!decoded.isEmpty()) {
                    out += decoded;
                    i = semicolon + 1;
                    continue;
                }
            }
        }
        out += c;
        ++i;
    }
    return out;
}

QString serverText(QStringView text) {
    return singleLine(withoutMarkup(text));
}

bool isWebPage(const QByteArray& body, const QByteArray& contentType) {
    const QByteArray type = contentType.trimmed().toLower();
    if (type.startsWith("text/html") || type.startsWith("application/xhtml"))
        return true;
    QByteArray head = body.left(1024).trimmed().toLower();
    if (head.startsWith("\xef\xbb\xbf"))
        head = head.mid(3).trimmed();
    return head.startsWith("<!doctype html") || head.startsWith("<html") || head.startsWith("<head") ||
           head.startsWith("<body") || (head.startsWith("<!--") && head.contains("<html"));
}

} // namespace TextUtils
