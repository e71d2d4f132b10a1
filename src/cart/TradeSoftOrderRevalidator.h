#pragma once

#include "CartFreshness.h"
#include "CartItem.h"
#include "core/SupplierOffer.h"

#include <QCoroTask>
#include <QList>

#include <functional>
#include <optional>

struct AutoligaPreOrderOffer;

struct TradeSoftRevalidatedItem {
    CartItem cartItem;
    OrderRevalidationState state = OrderRevalidationState::current;
    std::optional<SupplierOffer> currentOffer;
    std::optional<QString> itemID;
    QStringList changes;
};

// Whether the cart lines of a supplier reached through TradeSoft still hold, by the pre-order check
// of each line's stored item hash, one line after another. The supplier's own words go into the texts.
class TradeSoftOrderRevalidator {
public:
    // What the pre-order answer says of the line with (article, producer, item hash).
    using PreOrderCheck = std::function<QCoro::Task<std::optional<AutoligaPreOrderOffer>>(
        QString article, QString producer, QString itemHash)>;
    struct Texts {
        // Lines of other suppliers are passed over (compared in lower case).
        QString supplierID;
        // "Исходное предложение Автолиги больше не найдено."
        QString notFound;
        // "Автолига не вернула актуальный остаток."
        QString noStock;
        // A line without its item hash; the article is its argument.
        QString missingItemHash;
    };

    TradeSoftOrderRevalidator(PreOrderCheck check, Texts texts);

    // One result per line of the supplier, in cart order. Throws for a line without its item hash
    // (before any later line is asked), or what the pre-order check throws.
    QCoro::Task<QList<TradeSoftRevalidatedItem>> revalidate(QList<CartItem> items);

    static QStringList changes(const CartItem& item, const SupplierOffer& fresh, const QString& noStock);

private:
    PreOrderCheck m_check;
    Texts m_texts;
};
