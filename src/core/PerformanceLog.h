#pragma once

#include <QString>

// The timing log: one line per step of a search, appended to
// ~/Library/Logs/Orelia/Orelia-PERFORMANCE.log on macOS and to
// $XDG_STATE_HOME/Orelia/Orelia-PERFORMANCE.log (default ~/.local/state) elsewhere.
namespace PerformanceLog {

QString directory();
QString filePath();
// Appends "[HH:mm:ss.SSS] message" and a line break. Never fails: file errors are ignored.
void append(const QString& message);
// "%.3f" with a decimal point, as every timing line uses.
QString seconds(double value);

} // namespace PerformanceLog
