#pragma once

#include "AbcpClient.h"
#include "cart/CartFreshness.h"
#include "cart/CartItem.h"

class CredentialStore;

// Whether an ABCP shop's cart lines still hold: the shop is asked again for each line's number and
// brand (once per pair), and the line's offer is looked up by its handle (itemKey and supplierCode).
// A line found once is compared term by term; one not found, or found twice, cannot be confirmed,
// which says nothing of it being gone.
class AbcpOrderRevalidator {
public:
    AbcpOrderRevalidator(AbcpClient& client, CredentialStore& credentials, SupplierAccount account);

    // One verdict per line; throws what the shop's answers fail with.
    QCoro::Task<PFCartFreshnessMap> check(QList<CartItem> items);

private:
    AbcpClient& m_client;
    CredentialStore& m_credentials;
    SupplierAccount m_account;
};
