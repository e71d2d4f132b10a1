#include "CredentialsCommand.h"

#include "app/AppServices.h"
#include "app/CliSupport.h"
#include "app/OfferReport.h"
#include "app/SuppliersCommand.h"
#include "core/TextUtils.h"
#include "credentials/CredentialStore.h"
#include "credentials/SecretServiceLabel.h"

#include <QTextStream>

#include <csignal>
#include <cstdio>
#include <termios.h>
#include <unistd.h>

namespace {

using Cli::exitFailed;
using Cli::exitOk;
using Cli::print;
using Cli::printError;
using Cli::runToEnd;
using Cli::usageError;

// The account names the suppliers use, in the settings' order.
QStringList knownAccounts(AppServices& services) {
    QStringList accounts;
    for (const auto& d : everySupplier(services)) {
        for (const auto& field : d.credentialFields) {
            if (!accounts.contains(field.keychainAccount))
                accounts.append(field.keychainAccount);
        }
    }
    return accounts;
}

int storeError(const QString& what, const UserFacingError& error) {
    printError(what + error.description() + u'\n');
    return exitFailed;
}

QCoro::Task<int> listCredentials(CredentialStore& store, QList<SupplierDescriptor> suppliers) {
    QList<QStringList> rows;
    bool failed = false;
    QStringList listed;
    for (const auto& d : suppliers) {
        for (const auto& field : d.credentialFields) {
            // A TradeSoft login many suppliers share is listed once, with the first.
            if (listed.contains(field.keychainAccount))
                continue;
            listed.append(field.keychainAccount);
            QString state;
            try {
                auto read = store.read(field.keychainAccount);
                const std::optional<QString> value = co_await std::move(read);
                state = value && !value->isEmpty() ? QStringLiteral("задан") : QStringLiteral("не задан");
            } catch (const UserFacingError& error) {
                state = QStringLiteral("ошибка: ") + error.description();
                failed = true;
            }
            rows.append({field.keychainAccount, d.displayName, field.title, state});
        }
    }
    print(OfferReport::alignedTable(
        {QStringLiteral("Аккаунт"), QStringLiteral("Поставщик"), QStringLiteral("Поле"), QStringLiteral("Значение")},
        rows));
    if (failed)
        printError(QStringLiteral("Не удалось прочитать системное хранилище паролей.\n"));
    co_return failed ? exitFailed : exitOk;
}

// `confirmation` is said on success: a person at a terminal sees what was stored, never the value.
QCoro::Task<int> saveCredential(CredentialStore& store, QString account, QString secret, QString confirmation) {
    try {
        auto save = store.save(secret, account);
        co_await std::move(save);
    } catch (const UserFacingError& error) {
        co_return storeError(QStringLiteral("Не удалось сохранить учётные данные: "), error);
    }
    if (!confirmation.isEmpty())
        printError(confirmation + u'\n');
    co_return exitOk;
}

QCoro::Task<int> deleteCredential(CredentialStore& store, QString account) {
    try {
        auto remove = store.remove(account);
        co_await std::move(remove);
    } catch (const UserFacingError& error) {
        co_return storeError(QStringLiteral("Не удалось удалить учётные данные: "), error);
    }
    co_return exitOk;
}

// The terminal's settings while echo is off, so that Ctrl+C does not leave it blind.
termios g_savedTerminal;

void restoreTerminalAndStop(int signal) {
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &g_savedTerminal);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// One line typed without echo, as passwords are asked for; none when the terminal refuses.
std::optional<QString> askWithoutEcho(const QString& prompt) {
    if (tcgetattr(STDIN_FILENO, &g_savedTerminal) != 0)
        return std::nullopt;
    printError(prompt);
    termios quiet = g_savedTerminal;
    quiet.c_lflag &= ~tcflag_t(ECHO);
    auto* previousInt = std::signal(SIGINT, restoreTerminalAndStop);
    auto* previousTerm = std::signal(SIGTERM, restoreTerminalAndStop);
    if (tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) != 0)
        return std::nullopt;
    QTextStream in(stdin);
    in.setEncoding(QStringConverter::Utf8);
    const QString line = in.readLine();
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &g_savedTerminal);
    std::signal(SIGINT, previousInt);
    std::signal(SIGTERM, previousTerm);
    printError(QStringLiteral("\n")); // the Return the terminal did not show
    return line;
}

QString fieldName(const QString& account) {
    return SecretServiceLabel::of(account).mid(QStringLiteral("Orelia: ").size());
}

} // namespace

QString credentialsHelpText() {
    return QStringLiteral(
        "orelia-cli credentials list               какие учётные данные заданы (без значений)\n"
        "orelia-cli credentials set АККАУНТ        сохранить значение: на терминале оно запрашивается без\n"
        "                                          отображения, иначе читается со стандартного ввода\n"
        "orelia-cli credentials delete АККАУНТ     удалить значение\n"
        "\n"
        "Значения хранятся только в системном хранилище паролей. В командной строке их не указывают:\n"
        "  printf '%s' \"$KEY\" | orelia-cli credentials set autoeuro-api-key\n"
        "Аккаунты: autoeuro-api-key, autopiter-user-id, autopiter-password, tradesoft-user,\n"
        "tradesoft-password, autoliga-login, autoliga-password; у добавленного поставщика ID — ID-login\n"
        "и ID-password (orelia-cli suppliers показывает ID).\n");
}

int credentialsCommand(AppServices& services, const QStringList& args) {
    if (args == QStringList{QStringLiteral("list")})
        return runToEnd(listCredentials(services.credentialStore(), everySupplier(services)));
    if (args.size() != 2 || (args[0] != u"set" && args[0] != u"delete"))
        return usageError(QStringLiteral("Неизвестная команда учётных данных: ") + args.join(u' '));
    const QString account = args[1];
    const QStringList known = knownAccounts(services);
    if (!known.contains(account))
        return usageError(QStringLiteral("Неизвестный аккаунт: ") + account + QStringLiteral(" (есть ") +
                          known.join(QStringLiteral(", ")) + u')');
    if (args[0] == u"delete")
        return runToEnd(deleteCredential(services.credentialStore(), account));

    // A person at a terminal is asked and told; a script's pipe is read whole, silently.
    QString secret;
    QString confirmation;
    if (isatty(STDIN_FILENO)) {
        const auto typed = askWithoutEcho(fieldName(account) + QStringLiteral(" (ввод не отображается): "));
        if (!typed)
            return usageError(QStringLiteral("Не удалось отключить отображение ввода на терминале."));
        secret = *typed;
        confirmation = QStringLiteral("Сохранено: %1 (%2), %3.")
                           .arg(fieldName(account), account,
                                services.isDemo() ? QStringLiteral("только в памяти программы — демо-режим")
                                                  : QStringLiteral("в системном хранилище паролей"));
    } else {
        QTextStream in(stdin);
        in.setEncoding(QStringConverter::Utf8);
        secret = in.readAll();
        if (secret.endsWith(u'\n'))
            secret.chop(1);
        if (secret.endsWith(u'\r'))
            secret.chop(1);
    }
    if (secret.isEmpty())
        return usageError(QStringLiteral("Пустое значение: передайте его на стандартный ввод."));
    if (secret.trimmed().isEmpty())
        return usageError(QStringLiteral("Значение состоит из одних пробелов: такое значение не подойдёт поставщику."));
    if (TextUtils::withoutControlCharacters(secret) != secret)
        return usageError(QStringLiteral(
            "Значение содержит перевод строки или другой управляющий символ: передайте его одной строкой."));
    return runToEnd(saveCredential(services.credentialStore(), account, secret, confirmation));
}
