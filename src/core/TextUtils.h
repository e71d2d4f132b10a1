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
// them) replaced with U+FFFD, so supplier text cannot move the cursor or clear the screen.
QString forTerminal(QStringView text);

} // namespace TextUtils
