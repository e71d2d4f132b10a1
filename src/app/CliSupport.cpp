#include "CliSupport.h"

#include "core/TextUtils.h"

#include <QCoreApplication>

#include <cstdio>

namespace Cli {

namespace {

QCoro::Task<> finishWith(QCoro::Task<int> task, int* status, bool* done) {
    *status = co_await std::move(task);
    *done = true;
    QCoreApplication::exit(*status);
}

} // namespace

QTextStream& out() {
    static QTextStream stream(stdout);
    return stream;
}

QTextStream& err() {
    static QTextStream stream(stderr);
    return stream;
}

void print(const QString& text) {
    out() << TextUtils::forTerminal(text);
    out().flush();
}

void printError(const QString& text) {
    err() << TextUtils::forTerminal(text);
    err().flush();
}

int usageError(const QString& message, const QString& helpCommand) {
    printError(message + u'\n' + QStringLiteral("Справка: ") + helpCommand + u'\n');
    return exitUsage;
}

int failure(const QString& text) {
    printError(text + u'\n');
    return exitFailed;
}

int runToEnd(QCoro::Task<int> task) {
    int status = exitOk;
    bool done = false;
    auto runner = finishWith(std::move(task), &status, &done);
    if (!done)
        QCoreApplication::exec();
    return status;
}

} // namespace Cli
