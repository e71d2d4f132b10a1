#include "PerformanceLog.h"

#include <QDir>
#include <QFile>
#include <QTime>

namespace PerformanceLog {

QString directory() {
#ifdef Q_OS_MACOS
    return QDir::homePath() + QStringLiteral("/Library/Logs/Orelia");
#else
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    // The XDG rules ignore a relative path.
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/state");
    return base + QStringLiteral("/Orelia");
#endif
}

QString filePath() {
    return directory() + QStringLiteral("/Orelia-PERFORMANCE.log");
}

void append(const QString& message) {
    const QString line =
        u'[' + QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz")) + QStringLiteral("] ") + message + u'\n';
    if (!QDir().mkpath(directory()))
        return;
    QFile file(filePath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return;
    file.write(line.toUtf8());
}

QString seconds(double value) {
    return QString::asprintf("%.3f", value);
}

} // namespace PerformanceLog
