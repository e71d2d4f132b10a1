#pragma once

#include <QCoroTask>
#include <QString>

class AutoEuroClient;
class AutopiterClient;
class CredentialStore;
class TradeSoftHTTPAPI;

// The connection checks of the supplier settings, shared by the sheets and orelia-cli so that
// both say the same. They never throw: a failure is a result with its text.
namespace ConnectionChecks {

struct Result {
    bool ok = false;
    // The sheet's status line ("Autopiter: подключение подтверждено.", "Ошибка …").
    QString status;
    // AutoEuro only: what the account looks like (payers, delivery point, order statuses).
    QString accountInfo;
};

// Payers, the Chelyabinsk delivery point and the order statuses, asked at once.
QCoro::Task<Result> autoEuro(AutoEuroClient& client);
// A fresh login with the stored credentials, then the service's own word on it.
QCoro::Task<Result> autopiter(AutopiterClient& client);
// The producer list of a known article through Autoliga's TradeSoft provider.
QCoro::Task<Result> autoliga(TradeSoftHTTPAPI& api);
// What the Autoliga sheet would say of the stored data before checking ("Заполните все данные
// подключения.", "Укажите пароль Автолиги."); empty when all four are stored. Throws what the
// credential store throws.
QCoro::Task<QString> autoligaMissingData(CredentialStore& store);

} // namespace ConnectionChecks
