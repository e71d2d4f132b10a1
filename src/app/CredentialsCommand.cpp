#include "CredentialsCommand.h"

#include "app/AppServices.h"
#include "app/CliSupport.h"
#include "app/OfferReport.h"
#include "app/SuppliersCommand.h"
#include "core/TextUtils.h"
#include "core/UserFacingError.h"
#include "credentials/CredentialStore.h"

#include <QTextStream>

namespace {

using Cli::print;
using Cli::printError;
using Cli::runToEnd;
using Cli::usageError;

constexpr int kExitOk = Cli::exitOk;
constexpr int kExitNothingFound = Cli::exitFailed;

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
    return kExitNothingFound;
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
    co_return failed ? kExitNothingFound : kExitOk;
}

QCoro::Task<int> saveCredential(CredentialStore& store, QString account, QString secret) {
    try {
        auto save = store.save(secret, account);
        co_await std::move(save);
    } catch (const UserFacingError& error) {
        co_return storeError(QStringLiteral("Не удалось сохранить учётные данные: "), error);
    }
    co_return kExitOk;
}

QCoro::Task<int> deleteCredential(CredentialStore& store, QString account) {
    try {
        auto remove = store.remove(account);
        co_await std::move(remove);
    } catch (const UserFacingError& error) {
        co_return storeError(QStringLiteral("Не удалось удалить учётные данные: "), error);
    }
    co_return kExitOk;
}

} // namespace

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

    // The secret comes from standard input only, so it never shows in a process list or shell history.
    QTextStream in(stdin);
    in.setEncoding(QStringConverter::Utf8);
    QString secret = in.readAll();
    if (secret.endsWith(u'\n'))
        secret.chop(1);
    if (secret.endsWith(u'\r'))
        secret.chop(1);
    if (secret.isEmpty())
        return usageError(QStringLiteral("Пустое значение: передайте его на стандартный ввод."));
    if (secret.trimmed().isEmpty())
        return usageError(QStringLiteral("Значение состоит из одних пробелов: такое значение не подойдёт поставщику."));
    if (TextUtils::withoutControlCharacters(secret) != secret)
        return usageError(QStringLiteral(
            "Значение содержит перевод строки или другой управляющий символ: передайте его одной строкой."));
    return runToEnd(saveCredential(services.credentialStore(), account, secret));
}

QString credentialsHelpText() {
    return QStringLiteral(
        "orelia-cli credentials list               какие учётные данные заданы (без значений)\n"
        "orelia-cli credentials set АККАУНТ        сохранить значение, прочитав его со стандартного ввода\n"
        "orelia-cli credentials delete АККАУНТ     удалить значение\n"
        "\n"
        "Значения хранятся только в системном хранилище паролей. В командной строке их не указывают:\n"
        "  printf '%s' \"$KEY\" | orelia-cli credentials set autoeuro-api-key\n"
        "Аккаунты: autoeuro-api-key, autopiter-user-id, autopiter-password, tradesoft-user,\n"
        "tradesoft-password, autoliga-login, autoliga-password; у добавленного поставщика ID — ID-login\n"
        "и ID-password (orelia-cli suppliers показывает ID).\n");
}
