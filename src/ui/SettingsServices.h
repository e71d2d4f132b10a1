#pragma once

#include <QString>

class AutoEuroClient;
class AutopiterClient;
class CredentialStore;
class SupplierPreferences;
class TradeSoftHTTPAPI;
class UserDefaults;

// What the settings sheets change and check; all of it outlives the sheets.
struct SettingsServices {
    UserDefaults& defaults;
    SupplierPreferences& preferences;
    CredentialStore& credentials;
    AutoEuroClient& autoEuro;
    AutopiterClient& autopiter;
    TradeSoftHTTPAPI& tradeSoft;
    // Where the secrets go, as the texts name it after "в".
    QString storeName;
};
