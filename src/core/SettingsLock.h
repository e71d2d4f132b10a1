#pragma once

#include <QString>

#include <chrono>

// The lock every Orelia process takes around one change of the settings file: re-read, change,
// write. It is the operating system's lock on "<settings file>.flock", so a process killed while
// holding it leaves nothing held behind. The lock file itself stays (an empty file, 0600).
class SettingsLock {
public:
    // Waits at most `patience` for another process to finish its change.
    explicit SettingsLock(const QString& settingsFile,
                          std::chrono::milliseconds patience = std::chrono::milliseconds(5000));
    ~SettingsLock();

    SettingsLock(const SettingsLock&) = delete;
    SettingsLock& operator=(const SettingsLock&) = delete;

    bool isHeld() const { return m_fd >= 0; }
    static QString lockFileName(const QString& settingsFile) { return settingsFile + QStringLiteral(".flock"); }

private:
    int m_fd = -1;
};
