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

} // namespace TextUtils
