#include "AppVersion.h"

namespace AppVersion {

QString applicationName() {
    return QStringLiteral(ORELIA_NAME);
}

QString desktopFileId() {
    return QStringLiteral(ORELIA_APP_ID);
}

QString version() {
    return QStringLiteral(ORELIA_VERSION).trimmed();
}

QString build() {
    return QStringLiteral(ORELIA_BUILD).trimmed();
}

QString displayText() {
    return displayText(version(), build());
}

QString displayText(const QString& version, const QString& build) {
    auto orDash = [](const QString& part) { return part.isEmpty() ? QStringLiteral("—") : part; };
    return orDash(version) + QStringLiteral(" (") + orDash(build) + u')';
}

QString versionLine() {
    return applicationName() + u' ' + displayText();
}

} // namespace AppVersion
