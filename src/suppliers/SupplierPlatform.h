#pragma once

#include "cart/CartFreshness.h"
#include "cart/CartItem.h"
#include "ConnectionChecks.h"
#include "core/SupplierAccount.h"
#include "core/SupplierSearchProviding.h"
#include "net/ServiceEndpoints.h"

#include <QCoroTask>
#include <QUrl>

#include <chrono>
#include <memory>
#include <optional>
#include <vector>

// A platform through which the buyer reaches suppliers of their own (an ABCP shop, a provider
// inside TradeSoft): what an account on it is made of, and its search, connection check and cart
// re-check. Accounts are data (SupplierAccount); everything that knows the wire lives here.
class SupplierPlatform {
public:
    // What the buyer entered for a new account.
    struct Draft {
        QString name;
        QString address;
        QString provider;
    };
    struct NewAccount {
        // With its id (before numbering) and data; absent when the draft cannot be an account.
        std::optional<SupplierAccount> account;
        QString error;
        // Saved only after the buyer read it (plain http to another computer).
        QString warning;
        // Another account under the same id gets "-2", "-3"…; otherwise it is the same supplier.
        bool numberIfTaken = false;
    };
    // A supplier the platform offers (TradeSoft's provider list).
    struct ProviderChoice {
        QString id;
        QString title;
        // What to enter as login and password there.
        QString loginInfo;
    };
    // Where an account's requests go, for the settings and `orelia-cli suppliers`.
    struct AddressInUse {
        // "API", "TradeSoft".
        QString serviceName;
        QUrl url;
        ServiceEndpoints::Service service;
        // `settings`: saved with the account (or the service's address saved in the settings).
        ServiceEndpoints::Source source = ServiceEndpoints::Source::none;
    };

    virtual ~SupplierPlatform() = default;

    // "abcp", "tradesoft": the first part of its accounts' ids.
    virtual QString id() const = 0;
    // "ABCP", "TradeSoft".
    virtual QString title() const = 0;
    // What an account has besides its name and credentials.
    virtual bool hasAddress() const { return false; }
    virtual bool hasProvider() const { return false; }
    // A line under the platform's choice in the settings.
    virtual QString summary() const = 0;

    virtual NewAccount newAccount(const Draft& draft) const = 0;
    // The account's credential fields, those it shares with other suppliers included.
    virtual SupplierDescriptor descriptor(const SupplierAccount& account) const = 0;
    virtual AddressInUse address(const SupplierAccount& account) const = 0;

    // Providers for one search, one per account and in their order; the accounts of one platform
    // may share requests.
    virtual std::vector<std::unique_ptr<SupplierSearchProviding>>
    makeProviders(const QList<SupplierAccount>& accounts) = 0;
    // Never throws: a failure is the result's text, which names the account.
    virtual QCoro::Task<ConnectionChecks::Result> checkConnection(SupplierAccount account) = 0;
    // One verdict per line; a failure of the supplier's answers is thrown, its text naming the account.
    virtual QCoro::Task<PFCartFreshnessMap> checkCart(SupplierAccount account, QList<CartItem> items) = 0;
    // The suppliers one may add; throws what asking for them fails with. Empty where there is no list.
    virtual QCoro::Task<QList<ProviderChoice>> providerChoices() { co_return QList<ProviderChoice>(); }
    // The silence its connectors wait for at most, for the services it talks to.
    virtual void setTimeout(ServiceEndpoints::Service service, std::chrono::milliseconds timeout) {
        Q_UNUSED(service);
        Q_UNUSED(timeout);
    }
};
