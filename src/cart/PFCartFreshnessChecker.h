#pragma once

#include "CartFreshness.h"
#include "CartItem.h"
#include "core/SupplierOffer.h"

#include <QCoroTask>

class AutoEuroClient;
class AutoligaPortalSearchContext;
class AutoligaProvider;
class SearchConnectorFactory;
class SupplierAccounts;
class SupplierPlatforms;

// Asks the supplier of one cart group whether each line still holds, and answers with one
// verdict per line. Never changes the cart. Failures of the supplier calls end the check of
// the whole group (thrown to the caller); lines that cannot be matched are never reported
// as unavailable, only as "Не удалось подтвердить" with the reason.
class PFCartFreshnessChecker {
public:
    // The suppliers the buyer added are checked by their platforms.
    PFCartFreshnessChecker(AutoEuroClient& autoEuro, SearchConnectorFactory& connectors, AutoligaProvider& autoliga,
                           const AutoligaPortalSearchContext& portalOrigins, const SupplierAccounts& accounts,
                           SupplierPlatforms& platforms);

    QCoro::Task<PFCartFreshnessMap> check(SupplierCartGroup group);

    // Whether a portal row id is one the portal search made up from the row's place
    // ("{group}:{index}") rather than one the portal gave.
    static bool isPositionalPortalID(const QString& rowID);
    // A cart line against a freshly found offer of the same supplier.
    static PFCartFreshness compare(const CartItem& item, const SupplierOffer& offer);
    // The verdict for a revalidator's state and change texts.
    static PFCartFreshness fromRevalidation(OrderRevalidationState state, const QStringList& changes, bool autoEuro);

private:
    QCoro::Task<PFCartFreshnessMap> checkAutoEuro(QList<CartItem> items);
    QCoro::Task<PFCartFreshnessMap> checkAutopiter(QList<CartItem> items);
    QCoro::Task<PFCartFreshnessMap> checkAutoliga(QList<CartItem> items);

    AutoEuroClient& m_autoEuro;
    SearchConnectorFactory& m_connectors;
    AutoligaProvider& m_autoliga;
    const AutoligaPortalSearchContext& m_portalOrigins;
    const SupplierAccounts& m_accounts;
    SupplierPlatforms& m_platforms;
};
