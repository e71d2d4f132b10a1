#pragma once

#include <QString>
#include <QStringView>

namespace TextUtils {

// Trimmed of white space and line breaks at both ends.
QString trimmed(QStringView text);
// Trimmed and upper-cased: the form of a search query, a brand key or a grouping key.
QString trimmedUpper(QStringView text);
// Upper case, letters and digits only: "oc-90" and "OC 90" both give "OC90".
QString canonicalPartNumber(QStringView text);

// Without control characters (C0, DEL, C1): what a search sends and logs, whatever was typed
// or pasted into the field.
QString withoutControlCharacters(QStringView text);
// The search query: control characters removed, trimmed, upper-cased.
QString searchQuery(QStringView text);
// An article typed on the Russian keyboard layout, in Latin letters: when every letter is Latin
// or one of the Cyrillic letters with a Latin twin (А В Е К М Н О Р С Т У Х, either case), those
// are replaced by their twins ("ОС 90" gives "OC 90"). Any other Cyrillic letter (or a letter of
// another script) means the article is meant as typed, and it comes back unchanged.
QString latinLookalikes(QStringView text);
// What the search says when it did so: "Кириллица заменена: ОС 90 → OC 90 (О, С)", naming each
// replaced letter once.
QString lookalikesNote(const QString& typed, const QString& searched);
// Safe to write to a terminal: control characters other than tab and line feed (ESC among
// them), bidirectional overrides and isolates, and the Unicode line and paragraph separators
// replaced with U+FFFD, so supplier text cannot move the cursor, clear the screen or make a
// line read backwards.
QString forTerminal(QStringView text);

// One line for the buyer or the log, made of outside text: every run of white space, line
// breaks and control characters becomes one space, bidirectional controls go, the ends are
// trimmed, and a text longer than `maxLength` is cut with "…".
QString singleLine(QStringView text, qsizetype maxLength = 300);
// The text of an HTML or XML fragment without its tags, comments and CDATA markers; the
// few entities a server writes (&amp; &lt; &gt; &quot; &apos; &nbsp; and numeric ones) decoded.
// Text without a tag comes back as it is.
QString withoutMarkup(QStringView text);
// A server's own words fit for an error text: without markup, on one line, at most 300 characters.
QString serverText(QStringView text);
// Whether an answer is a web page (an HTML document) rather than what an API sends: by its
// Content-Type when given, else by how the body begins.
bool isWebPage(const QByteArray& body, const QByteArray& contentType = {});

} // namespace TextUtils
