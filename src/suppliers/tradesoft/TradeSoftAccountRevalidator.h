#pragma once

#include "cart/CartFreshness.h"
#include "cart/CartItem.h"
#include "core/SupplierAccount.h"

#include <QCoroTask>

class CredentialStore;
class TradeSoftHTTPAPI;

// Whether the cart lines of a supplier reached through TradeSoft still hold: Autoliga's way, the
// pre-order check of each line's stored item hash, with this supplier's provider id and login.
class TradeSoftAccountRevalidator {
public:
    TradeSoftAccountRevalidator(TradeSoftHTTPAPI& api, CredentialStore& credentials, SupplierAccount account);

    // One verdict per line; throws what the pre-order checks fail with.
    QCoro::Task<PFCartFreshnessMap> check(QList<CartItem> items);

private:
    TradeSoftHTTPAPI& m_api;
    CredentialStore& m_credentials;
    SupplierAccount m_account;
};
