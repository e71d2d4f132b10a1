#include "PerformanceLog.h"

#include "PrivateFiles.h"
#include "TextUtils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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

QString previousFilePath() {
    return filePath() + QStringLiteral(".1");
}

void append(const QString& message) {
    // Every entry is one line: supplier texts inside a message cannot start a line of their own.
    const QString line = u'[' + QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz")) + QStringLiteral("] ") +
                         TextUtils::singleLine(message, maxMessageLength) + u'\n';
    if (!PrivateFiles::ensureDirectory(directory()))
        return;
    const QString path = filePath();
    // Two files at most: the log and the one before it.
    if (QFile::exists(path) && QFileInfo(path).size() >= maxFileSize) {
        QFile::remove(previousFilePath());
        QFile::rename(path, previousFilePath());
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return;
    PrivateFiles::restrict(path);
    file.write(line.toUtf8());
}

QString seconds(double value) {
    return QString::asprintf("%.3f", value);
}

} // namespace PerformanceLog
