#pragma once

#include "TradeSoftOrderRevalidator.h"

class AutoligaProvider;

using AutoligaRevalidatedItem = TradeSoftRevalidatedItem;

// Asks TradeSoft, through the pre-order check, whether each Autoliga cart line still holds,
// one line after another.
class AutoligaOrderRevalidator {
public:
    explicit AutoligaOrderRevalidator(AutoligaProvider& provider);

    // One result per line whose supplier id is "autoliga" in any letter case, in cart order.
    // Fails for a line without its item hash ("Для позиции … отсутствует itemHash TradeSoft."), or
    // with the pre-order check's error.
    QCoro::Task<QList<AutoligaRevalidatedItem>> revalidate(QList<CartItem> items);

    static QStringList changes(const CartItem& item, const SupplierOffer& fresh);

private:
    TradeSoftOrderRevalidator m_revalidator;
};
