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

} // namespace TextUtils
