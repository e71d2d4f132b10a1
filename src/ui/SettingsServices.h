#pragma once

#include <QString>

class AutoEuroClient;
class AutopiterClient;
class CredentialStore;
class ServiceEndpoints;
class SupplierPlatforms;
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
    // The sheets show the address in use and save another one.
    ServiceEndpoints& endpoints;
    // Where the secrets go, as the texts name it after "в".
    QString storeName;
    // The platforms of the suppliers the buyer adds (their accounts: preferences.accounts()).
    SupplierPlatforms& platforms;
};
