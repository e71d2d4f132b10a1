#include "SuppliersCommand.h"

#include "app/AppServices.h"
#include "app/CliSupport.h"
#include "app/OfferReport.h"
#include "core/SupplierPreferences.h"
#include "core/UserDefaults.h"
#include "core/UserFacingError.h"
#include "credentials/CredentialStore.h"
#include "net/ServiceEndpoints.h"
#include "suppliers/autoliga/AutoligaProvider.h"
#include "suppliers/ConnectionChecks.h"
#include "suppliers/SupplierPlatforms.h"

namespace {

using Service = ServiceEndpoints::Service;
using Source = ServiceEndpoints::Source;

// The services each supplier talks to, with the names the listing gives them.
QList<std::pair<Service, QString>> servicesOf(const QString& supplierID) {
    if (supplierID == SupplierDescriptors::autoEuroID)
        return {{Service::autoEuro, QStringLiteral("API")}};
    if (supplierID == SupplierDescriptors::autopiterID)
        return {{Service::autopiter, QStringLiteral("SOAP")}};
    return {{Service::autoligaPortal, QStringLiteral("портал")}, {Service::tradeSoft, QStringLiteral("TradeSoft")}};
}

QString originWord(Source source, Service service) {
    switch (source) {
    case Source::builtIn:
        return QStringLiteral("встроенный");
    case Source::settings:
        return QStringLiteral("настройки");
    case Source::environment:
        return QStringLiteral("переменная ") + ServiceEndpoints::environmentVariable(service);
    case Source::demo:
        return QStringLiteral("демо-режим");
    case Source::none:
        break;
    }
    return QStringLiteral("укажите в настройках поставщика");
}

QString enabledWord(bool enabled) {
    return enabled ? QStringLiteral("включён") : QStringLiteral("выключен");
}

int list(AppServices& services) {
    const ServiceEndpoints& endpoints = services.endpoints();
    QList<QStringList> rows;
    QStringList problems;
    for (const auto& d : SupplierDescriptors::all()) {
        const QString enabled = enabledWord(services.supplierPreferences().isEnabled(d.id));
        bool first = true;
        for (const auto& [service, name] : servicesOf(d.id)) {
            const QUrl origin = endpoints.origin(service);
            QString address = origin.isEmpty() ? QStringLiteral("не задан") : origin.toString();
            if (!endpoints.problem(service).isEmpty()) {
                address = QStringLiteral("неверный");
                problems.append(d.displayName + QStringLiteral(", ") + name + QStringLiteral(": ") +
                                endpoints.problem(service));
            }
            rows.append({first ? d.id : QString(), first ? d.displayName : QString(), first ? enabled : QString(), name,
                         address, originWord(endpoints.source(service), service)});
            first = false;
        }
    }
    for (const SupplierAccount& account : services.supplierPreferences().accounts().all()) {
        const SupplierPlatform* platform = services.platforms().of(account);
        if (!platform) {
            rows.append({account.id, account.name, enabledWord(account.enabled), account.platform,
                         QStringLiteral("не поддерживается"), QString()});
            continue;
        }
        const SupplierPlatform::AddressInUse in = platform->address(account);
        QString service = in.serviceName;
        if (!account.provider.isEmpty())
            service += QStringLiteral(" (") + account.provider + u')';
        rows.append({account.id, account.name, enabledWord(account.enabled), service,
                     in.url.isEmpty() ? QStringLiteral("не задан") : in.url.toString(),
                     originWord(in.source, in.service)});
    }
    Cli::print(OfferReport::alignedTable({QStringLiteral("ID"), QStringLiteral("Поставщик"), QStringLiteral("Поиск"),
                                          QStringLiteral("Сервис"), QStringLiteral("Адрес"), QStringLiteral("Откуда")},
                                         rows, 60));
    const QString provider = AutoligaProvider::providerID(&services.userDefaults());
    Cli::print(QStringLiteral("Поставщик Автолиги в TradeSoft: ") + provider + u'\n');
    for (const QString& problem : problems)
        Cli::printError(problem + u'\n');
    return Cli::exitOk;
}

QCoro::Task<int> check(AppServices& services, QString id) {
    ConnectionChecks::Result result;
    const auto account = services.supplierPreferences().accounts().find(id);
    if (id == u"autoeuro") {
        auto task = ConnectionChecks::autoEuro(services.autoEuroClient());
        result = co_await std::move(task);
    } else if (id == u"autopiter") {
        auto task = ConnectionChecks::autopiter(services.autopiterClient());
        result = co_await std::move(task);
    } else if (id == u"autoliga") {
        // The sheet's own words for what is missing, before anything is asked.
        QString missing;
        try {
            auto lookup = ConnectionChecks::autoligaMissingData(services.credentialStore());
            missing = co_await std::move(lookup);
        } catch (const UserFacingError& error) {
            missing = error.description();
        }
        if (!missing.isEmpty()) {
            result.status = missing;
        } else {
            auto task = ConnectionChecks::autoliga(services.tradeSoftAPI(), services.autoligaProvider().providerID());
            result = co_await std::move(task);
        }
    } else if (account && services.platforms().of(*account)) {
        auto task = services.platforms().of(*account)->checkConnection(*account);
        result = co_await std::move(task);
    } else if (account) {
        result.status = account->name + QStringLiteral(": ") + SupplierPlatforms::unknownPlatformText(*account);
    } else {
        co_return Cli::usageError(QStringLiteral("Неизвестный поставщик: ") + id + QStringLiteral(" (есть ") +
                                  supplierIDsText(services) + u')');
    }
    QString text = result.status;
    if (!result.accountInfo.isEmpty())
        text += (text.isEmpty() ? QString() : QStringLiteral("\n")) + result.accountInfo;
    if (result.ok) {
        Cli::print(text + u'\n');
        co_return Cli::exitOk;
    }
    Cli::printError(text + u'\n');
    co_return Cli::exitFailed;
}

// suppliers add PLATFORM --name NAME --url URL --provider ID
int add(AppServices& services, QStringList args) {
    const QString platformID = args.isEmpty() ? QString() : args.takeFirst();
    SupplierPlatform* platform = services.platforms().find(platformID);
    QStringList known;
    for (const auto& p : services.platforms().all())
        known.append(p->id());
    if (!platform)
        return Cli::usageError(QStringLiteral("Укажите платформу поставщика: ") + known.join(QStringLiteral(" или ")) +
                               QStringLiteral(" (orelia-cli suppliers add abcp --name ИМЯ --url АДРЕС)."));
    SupplierPlatform::Draft draft;
    while (!args.isEmpty()) {
        const QString option = args.takeFirst();
        QString* into = option == u"--name"       ? &draft.name
                        : option == u"--url"      ? &draft.address
                        : option == u"--provider" ? &draft.provider
                                                  : nullptr;
        if (!into || (option == u"--url" && !platform->hasAddress()) ||
            (option == u"--provider" && !platform->hasProvider()))
            return Cli::usageError(QStringLiteral("Неизвестный параметр для %1: %2").arg(platform->title(), option));
        if (args.isEmpty())
            return Cli::usageError(QStringLiteral("После %1 укажите значение.").arg(option));
        *into = args.takeFirst();
    }
    const SupplierPlatform::NewAccount made = platform->newAccount(draft);
    if (!made.account)
        return Cli::usageError(made.error);
    const SupplierAccounts::Added added =
        services.supplierPreferences().accounts().add(*made.account, made.numberIfTaken);
    if (!added.account)
        return Cli::failure(added.error);
    if (!made.warning.isEmpty())
        Cli::printError(made.warning + u'\n');
    Cli::print(added.account->id + u'\n');
    return Cli::exitOk;
}

// The supplier and, with it, what it signed in with (never what it shares with others).
QCoro::Task<int> remove(AppServices& services, SupplierAccount account) {
    if (!services.supplierPreferences().accounts().remove(account.id))
        co_return Cli::failure(services.supplierPreferences().accounts().notSavedText());
    try {
        for (const QString& name : {account.loginAccount(), account.passwordAccount()}) {
            auto removal = services.credentialStore().remove(name);
            co_await std::move(removal);
        }
    } catch (const UserFacingError& error) {
        co_return Cli::failure(QStringLiteral("Поставщик удалён, но его логин и пароль остались в хранилище: ") +
                               error.description());
    }
    co_return Cli::exitOk;
}

} // namespace

QList<SupplierDescriptor> everySupplier(AppServices& services) {
    QList<SupplierDescriptor> list = SupplierDescriptors::all();
    for (const SupplierAccount& account : services.supplierPreferences().accounts().all())
        list.append(services.platforms().descriptor(account));
    return list;
}

QString supplierIDsText(AppServices& services) {
    QStringList ids;
    for (const SupplierDescriptor& d : everySupplier(services))
        ids.append(d.id);
    return ids.join(QStringLiteral(", "));
}

QString suppliersHelpText() {
    return QStringLiteral(
        "orelia-cli suppliers [--demo]                  поставщики, их включение и адреса сервисов\n"
        "orelia-cli suppliers enable ID [--demo]        включить поставщика\n"
        "orelia-cli suppliers disable ID [--demo]       выключить поставщика\n"
        "orelia-cli suppliers check ID [--demo]         проверить подключение с сохранёнными данными\n"
        "orelia-cli suppliers add abcp --name ИМЯ --url АДРЕС_API\n"
        "                                               добавить интернет-магазин на платформе ABCP\n"
        "orelia-cli suppliers add tradesoft --provider ID_В_TRADESOFT [--name ИМЯ]\n"
        "                                               добавить поставщика из аккаунта TradeSoft\n"
        "orelia-cli suppliers remove ID [--demo]        удалить добавленного поставщика и его логин\n"
        "ID: autoeuro, autopiter, autoliga и идентификаторы добавленных поставщиков (abcp-…, tradesoft-…);\n"
        "add печатает идентификатор нового поставщика. Логин и пароль добавленного поставщика:\n"
        "  printf '%s' \"$LOGIN\" | orelia-cli credentials set ID-login   (и ID-password)\n"
        "Поставщикам TradeSoft нужен и логин TradeSoft: credentials set tradesoft-user / tradesoft-password.\n"
        "\n"
        "Адрес сервиса: встроенный; адрес, сохранённый в окне Orelia («Настройки» → поставщик →\n"
        "«Адрес сервиса»), важнее встроенного; переменная окружения ORELIA_…_URL важнее обоих.\n");
}

int suppliersCommand(AppServices& services, const QStringList& args) {
    auto& prefs = services.supplierPreferences();
    if (args.isEmpty())
        return list(services);
    if (args[0] == u"add")
        return add(services, args.mid(1));
    if (args.size() == 2 && args[0] == u"check")
        return Cli::runToEnd(check(services, args[1]));
    if (args.size() == 2 && args[0] == u"remove") {
        if (SupplierDescriptors::find(args[1]))
            return Cli::usageError(QStringLiteral("Встроенного поставщика не удаляют: выключите его (orelia-cli "
                                                  "suppliers disable %1).")
                                       .arg(args[1]));
        const auto account = prefs.accounts().find(args[1]);
        if (!account)
            return Cli::usageError(QStringLiteral("Неизвестный поставщик: ") + args[1] + QStringLiteral(" (есть ") +
                                   supplierIDsText(services) + u')');
        return Cli::runToEnd(remove(services, *account));
    }
    if (args.size() != 2 || (args[0] != u"enable" && args[0] != u"disable"))
        return Cli::usageError(QStringLiteral("Неизвестная команда поставщиков: ") + args.join(u' '));
    if (!prefs.setEnabled(args[1], args[0] == u"enable"))
        return Cli::usageError(QStringLiteral("Неизвестный поставщик: ") + args[1] + QStringLiteral(" (есть ") +
                               supplierIDsText(services) + u')');
    if (!services.userDefaults().isWritable()) {
        Cli::printError(QStringLiteral("Не удалось сохранить настройки: ") + services.userDefaults().fileName() +
                        u'\n');
        return Cli::exitFailed;
    }
    return Cli::exitOk;
}
