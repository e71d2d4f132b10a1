#include "CopiedNumber.h"

#include "core/UserDefaults.h"

#include <QRegularExpression>

namespace CopiedNumber {

bool storedWithPoint(const UserDefaults& defaults) {
    return defaults.boolValue(UserDefaultsKeys::copyNumbersWithPoint).value_or(false);
}

void storeWithPoint(UserDefaults& defaults, bool withPoint) {
    defaults.setBool(UserDefaultsKeys::copyNumbersWithPoint, withPoint);
}

QChar decimalMark(bool withPoint, const QLocale& locale) {
    const QString mark = locale.decimalPoint();
    return withPoint || mark.size() != 1 ? QChar(u'.') : mark.front();
}

QChar storedDecimalMark(const UserDefaults& defaults) {
    return decimalMark(storedWithPoint(defaults));
}

QString withMark(const QString& number, QChar mark) {
    static const QRegularExpression pattern(QStringLiteral("^-?\\d+\\.\\d+%?$"));
    if (mark == u'.' || !pattern.match(number).hasMatch())
        return number;
    return QString(number).replace(u'.', mark);
}

} // namespace CopiedNumber
