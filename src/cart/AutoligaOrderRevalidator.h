#pragma once

#include "CartFreshness.h"
#include "CartItem.h"
#include "core/SupplierOffer.h"
#include "core/UserFacingError.h"

#include <QCoroTask>
#include <QList>

#include <optional>

class AutoligaProvider;

class AutoligaRevalidationError : public UserFacingError {
public:
    explicit AutoligaRevalidationError(QString article)
        : m_article(std::move(article)) {}
    QString description() const override;

private:
    QString m_article;
};

struct AutoligaRevalidatedItem {
    CartItem cartItem;
    OrderRevalidationState state = OrderRevalidationState::current;
    std::optional<SupplierOffer> currentOffer;
    std::optional<QString> itemID;
    QStringList changes;
};

// Asks TradeSoft, through the pre-order check, whether each Autoliga cart line still holds,
// one line after another.
class AutoligaOrderRevalidator {
public:
    explicit AutoligaOrderRevalidator(AutoligaProvider& provider)
        : m_provider(provider) {}

    // One result per line whose supplier id is "autoliga" in any letter case, in cart order.
    // Fails with AutoligaRevalidationError for a line without its item hash, or with the
    // pre-order check's error.
    QCoro::Task<QList<AutoligaRevalidatedItem>> revalidate(QList<CartItem> items);

    static QStringList changes(const CartItem& item, const SupplierOffer& fresh);

private:
    AutoligaProvider& m_provider;
};
