#pragma once

#include "CartFreshness.h"
#include "CartItem.h"
#include "core/UserFacingError.h"
#include "suppliers/autoeuro/AutoEuroModels.h"

#include <QCoroTask>
#include <QList>

#include <optional>

class AutoEuroClient;

// Errors of drafting an AutoEuro order; the revalidation raises only missingOfferKey.
class AutoEuroOrderDraftError : public UserFacingError {
public:
    enum class Kind { missingOfferKey, invalidQuantity, invalidPrice, emptyCart, noPayer, noDelivery };

    AutoEuroOrderDraftError(Kind kind, QString article = {})
        : m_kind(kind)
        , m_article(std::move(article)) {}

    Kind kind() const { return m_kind; }
    QString description() const override;

private:
    Kind m_kind;
    QString m_article;
};

struct AutoEuroRevalidatedItem {
    CartItem cartItem;
    OrderRevalidationState state = OrderRevalidationState::current;
    std::optional<AutoEuroOffer> currentOffer;
    QStringList changes;
};

// Looks every AutoEuro cart line up again, one after another, and finds the very offer
// that was put into the cart by its offer key.
class AutoEuroOrderRevalidator {
public:
    explicit AutoEuroOrderRevalidator(AutoEuroClient& client)
        : m_client(client) {}

    // One result per "autoeuro" line, in cart order. Fails with missingOfferKey (lines already
    // checked are not returned) or with the client's error.
    QCoro::Task<QList<AutoEuroRevalidatedItem>> revalidate(QList<CartItem> items, AutoEuroDelivery delivery);

    // The changes between a cart line and the fresh offer that matched it.
    static QStringList changes(const CartItem& item, const AutoEuroOffer& fresh);

private:
    AutoEuroClient& m_client;
};
