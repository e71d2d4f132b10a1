#pragma once

#include <QCoroTask>
#include <QString>
#include <QTextStream>

// What every orelia-cli command shares: the streams, terminal-safe printing, exit codes and
// running a coroutine to its end.
namespace Cli {

inline constexpr int exitOk = 0;
// Nothing found, refused, or a supplier or service failed.
inline constexpr int exitFailed = 1;
inline constexpr int exitUsage = 2;

QTextStream& out();
QTextStream& err();
// Text for the terminal goes through these: supplier texts may hold escape sequences.
void print(const QString& text);
void printError(const QString& text);
// Prints the mistake and where help is; returns exitUsage.
int usageError(const QString& message, const QString& helpCommand = QStringLiteral("orelia-cli --help"));
// Prints the text (and a line break) on standard error; returns exitFailed.
int failure(const QString& text);
// Runs the command's task on the event loop until it ends and gives its exit status.
int runToEnd(QCoro::Task<int> task);

} // namespace Cli
