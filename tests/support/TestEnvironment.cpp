#include "TestEnvironment.h"

#include "core/PerformanceLog.h"

#include <QFile>
#include <QStandardPaths>

TestEnvironment::TestEnvironment()
    : m_oldHome(qgetenv("HOME"))
    , m_oldState(qgetenv("XDG_STATE_HOME")) {
    QStandardPaths::setTestModeEnabled(true);
    qputenv("HOME", m_dir.path().toUtf8());
    qputenv("XDG_STATE_HOME", m_dir.filePath(QStringLiteral("state")).toUtf8());
}

TestEnvironment::~TestEnvironment() {
    qputenv("HOME", m_oldHome);
    if (m_oldState.isEmpty())
        qunsetenv("XDG_STATE_HOME");
    else
        qputenv("XDG_STATE_HOME", m_oldState);
}

QString TestEnvironment::performanceLogText() const {
    QFile file(PerformanceLog::filePath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}
