#pragma once

#include <QChar>
#include <QLocale>
#include <QString>

class UserDefaults;

// How copied numbers are written. "197.13" pasted into a spreadsheet of a Russian buyer is a
// text there, so a copied price or risk takes the decimal mark of the buyer's locale
// ("197,13"); the setting "Копировать числа с точкой" keeps the point for other programs.
namespace CopiedNumber {

// The stored setting; false (the locale's mark) when missing.
bool storedWithPoint(const UserDefaults& defaults);
void storeWithPoint(UserDefaults& defaults, bool withPoint);
// The mark copied numbers take.
QChar decimalMark(bool withPoint, const QLocale& locale = QLocale());
QChar storedDecimalMark(const UserDefaults& defaults);
// A number written with a point ("197.13", "3.46%") with the mark instead; any other text as it is.
QString withMark(const QString& number, QChar mark);

} // namespace CopiedNumber
