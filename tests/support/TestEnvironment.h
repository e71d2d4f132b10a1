#pragma once

#include "core/UserDefaults.h"

#include <QByteArray>
#include <QTemporaryDir>

#include <memory>

// A private home for one test: HOME and XDG_STATE_HOME point into a temporary
// directory, QStandardPaths is in test mode, and settings live in a file of their own.
// Restores the environment when destroyed.
class TestEnvironment {
public:
    TestEnvironment();
    ~TestEnvironment();

    QString home() const { return m_dir.path(); }
    QString settingsPath() const { return m_dir.filePath(QStringLiteral("settings.ini")); }
    // A fresh UserDefaults over the same settings file each time it is called.
    std::unique_ptr<UserDefaults> makeDefaults() const { return UserDefaults::atPath(settingsPath()); }
    QString performanceLogText() const;

private:
    QTemporaryDir m_dir;
    QByteArray m_oldHome;
    QByteArray m_oldState;
};
