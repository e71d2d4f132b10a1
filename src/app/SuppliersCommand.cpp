#include "SuppliersCommand.h"

#include "app/AppServices.h"
#include "app/CliSupport.h"
#include "app/OfferReport.h"
#include "core/SupplierDescriptor.h"
#include "core/SupplierPreferences.h"
#include "core/UserDefaults.h"
#include "core/UserFacingError.h"
#include "net/ServiceEndpoints.h"
#include "suppliers/autoliga/AutoligaProvider.h"
#include "suppliers/ConnectionChecks.h"

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

QString originWord(const ServiceEndpoints& endpoints, Service service) {
    switch (endpoints.source(service)) {
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

int list(AppServices& services) {
    const ServiceEndpoints& endpoints = services.endpoints();
    QList<QStringList> rows;
    QStringList problems;
    for (const auto& d : SupplierDescriptors::all()) {
        const QString enabled =
            services.supplierPreferences().isEnabled(d.id) ? QStringLiteral("включён") : QStringLiteral("выключен");
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
                         address, originWord(endpoints, service)});
            first = false;
        }
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
    } else {
        co_return Cli::usageError(QStringLiteral("Неизвестный поставщик: ") + id +
                                  QStringLiteral(" (есть autoeuro, autopiter, autoliga)"));
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

} // namespace

QString suppliersHelpText() {
    return QStringLiteral("orelia-cli suppliers [--demo]             поставщики, их включение и адреса сервисов\n"
                          "orelia-cli suppliers enable ID [--demo]   включить поставщика\n"
                          "orelia-cli suppliers disable ID [--demo]  выключить поставщика\n"
                          "orelia-cli suppliers check ID [--demo]    проверить подключение с сохранёнными данными\n"
                          "ID: autoeuro, autopiter, autoliga.\n"
                          "\n"
                          "Адрес сервиса: встроенный; адрес, сохранённый в окне Orelia («Настройки» → поставщик →\n"
                          "«Адрес сервиса»), важнее встроенного; переменная окружения ORELIA_…_URL важнее обоих.\n");
}

int suppliersCommand(AppServices& services, const QStringList& args) {
    auto& prefs = services.supplierPreferences();
    if (args.isEmpty())
        return list(services);
    if (args.size() == 2 && args[0] == u"check")
        return Cli::runToEnd(check(services, args[1]));
    if (args.size() != 2 || (args[0] != u"enable" && args[0] != u"disable"))
        return Cli::usageError(QStringLiteral("Неизвестная команда поставщиков: ") + args.join(u' '));
    if (!prefs.setEnabled(args[1], args[0] == u"enable"))
        return Cli::usageError(QStringLiteral("Неизвестный поставщик: ") + args[1] +
                               QStringLiteral(" (есть autoeuro, autopiter, autoliga)"));
    if (!services.userDefaults().isWritable()) {
        Cli::printError(QStringLiteral("Не удалось сохранить настройки: ") + services.userDefaults().fileName() +
                        u'\n');
        return Cli::exitFailed;
    }
    return Cli::exitOk;
}
