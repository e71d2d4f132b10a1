#pragma once

#include <QString>

// The timing log: one line per step of a search, appended to
// ~/Library/Logs/Orelia/Orelia-PERFORMANCE.log on macOS and to
// $XDG_STATE_HOME/Orelia/Orelia-PERFORMANCE.log (default ~/.local/state) elsewhere.
namespace PerformanceLog {

// When the log reaches this size it becomes the previous log (one is kept) and a new one starts.
inline constexpr qint64 maxFileSize = 5 * 1024 * 1024;
inline constexpr qsizetype maxMessageLength = 2000;

QString directory();
QString filePath();
QString previousFilePath();
// Appends "[HH:mm:ss.SSS] message" and a line break; the message on one line. Never fails:
// file errors are ignored.
void append(const QString& message);
// "%.3f" with a decimal point, as every timing line uses.
QString seconds(double value);

} // namespace PerformanceLog
