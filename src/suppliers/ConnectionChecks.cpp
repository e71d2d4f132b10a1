#include "ConnectionChecks.h"

#include "autoeuro/AutoEuroClient.h"
#include "autoliga/AutoligaProvider.h"
#include "autoliga/TradeSoftHTTPAPI.h"
#include "autopiter/AutopiterClient.h"
#include "core/UserFacingError.h"
#include "credentials/CredentialStore.h"
#include "net/NetworkError.h"

#include <QStringList>

#include <exception>

namespace ConnectionChecks {

namespace {

QString describe(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const UserFacingError& e) {
        return e.description();
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    }
    return {};
}

} // namespace

QCoro::Task<Result> autoEuro(AutoEuroClient& client) {
    // All three start now and run side by side; they are read in this order.
    auto payersTask = client.payers();
    auto deliveryTask = client.chelyabinskDelivery();
    auto statusesTask = client.orderStatuses();
    std::exception_ptr failure;
    QList<AutoEuroPayer> payers;
    std::optional<AutoEuroDelivery> delivery;
    QList<AutoEuroOrderStatus> statuses;
    try {
        payers = co_await std::move(payersTask);
    } catch (...) {
        failure = std::current_exception();
    }
    try {
        delivery = co_await std::move(deliveryTask);
    } catch (...) {
        if (!failure)
            failure = std::current_exception();
    }
    try {
        statuses = co_await std::move(statusesTask);
    } catch (...) {
        if (!failure)
            failure = std::current_exception();
    }
    if (failure)
        co_return Result{false, QStringLiteral("Ошибка проверки API: ") + describe(failure), {}};

    QStringList payerLines;
    for (const AutoEuroPayer& payer : payers)
        payerLines.append(payer.payer_name + QStringLiteral(" — ") + payer.payer_key);
    const QString info = QStringLiteral("API AutoEuro: доступ подтверждён\n\nПлательщики:\n") +
                         (payerLines.isEmpty() ? QStringLiteral("не найдены") : payerLines.join(u'\n')) +
                         QStringLiteral("\n\nТочка получения:\n") + delivery->delivery_name +
                         QStringLiteral("\n\ndelivery_key:\n") + delivery->delivery_key +
                         QStringLiteral("\n\nСтатусов заказа получено:\n") + QString::number(statuses.size());
    co_return Result{true, QString(), info};
}

QCoro::Task<Result> autopiter(AutopiterClient& client) {
    try {
        client.clearAuthorization();
        auto login = client.ensureAuthorized();
        co_await std::move(login);
        auto ask = client.isAuthorized();
        const bool authorized = co_await std::move(ask);
        co_return authorized ? Result{true, QStringLiteral("Autopiter: подключение подтверждено."), {}}
                             : Result{false, QStringLiteral("Autopiter: авторизация не подтверждена."), {}};
    } catch (...) {
        co_return Result{false, QStringLiteral("Ошибка Autopiter: ") + describe(std::current_exception()), {}};
    }
}

QCoro::Task<Result> autoliga(TradeSoftHTTPAPI& api) {
    try {
        // Any answer, even an empty list, proves that TradeSoft and Autoliga took the credentials.
        auto ask = api.producers(QStringLiteral("1230A045"), QString::fromUtf16(AutoligaProvider::tradeSoftProviderID));
        co_await std::move(ask);
        co_return Result{true, QStringLiteral("Автолига через TradeSoft: подключение подтверждено."), {}};
    } catch (const NetworkError& error) {
        // "Сервер не ответил вовремя." alone would not say which server.
        co_return Result{false, error.named(QStringLiteral("TradeSoft")).description(), {}};
    } catch (...) {
        co_return Result{false, describe(std::current_exception()), {}};
    }
}

QCoro::Task<QString> autoligaMissingData(CredentialStore& store) {
    QList<bool> present;
    for (const char16_t* account : {CredentialAccounts::tradeSoftUser, CredentialAccounts::autoligaLogin,
                                    CredentialAccounts::tradeSoftPassword, CredentialAccounts::autoligaPassword}) {
        auto read = store.read(QString::fromUtf16(account));
        const std::optional<QString> value = co_await std::move(read);
        present.append(value && !value->trimmed().isEmpty());
    }
    if (!present[0] || !present[1])
        co_return QStringLiteral("Заполните все данные подключения.");
    if (!present[2])
        co_return QStringLiteral("Укажите пароль TradeSoft.");
    if (!present[3])
        co_return QStringLiteral("Укажите пароль Автолиги.");
    co_return QString();
}

} // namespace ConnectionChecks
