#pragma once

#include "cart/CartStore.h"
#include "support/OfferBuilder.h"

#include <QList>
#include <QString>

#include <utility>

// The saves of the cart-killing test: step k changes the cart in one save (adds a line, sets
// the first line's quantity to k, or drops the first line), so the stored cart after step k is
// known without asking the process that made it.
namespace CartSaveSteps {

using Lines = QList<std::pair<QString, qint64>>;

inline SupplierOffer offer(int step) {
    // Long names, so that a save writes enough for a kill to land inside it.
    return OfferBuilder(QStringLiteral("autoeuro"), QStringLiteral("L%1").arg(step))
        .name(QStringLiteral("Фильтр масляный ") + QString(240, u'щ'))
        .available(1'000'000'000);
}

inline bool dropsFirst(int step, qsizetype lines) {
    return step % 4 == 0 && lines > 6;
}

inline void apply(CartStore& cart, int step) {
    if (dropsFirst(step, cart.items().size()))
        cart.remove(cart.items().first().id);
    else if (step % 2 == 1 || cart.items().isEmpty())
        cart.add(offer(step));
    else
        cart.setQuantity(cart.items().first().id, step);
}

inline void apply(Lines& lines, int step) {
    if (dropsFirst(step, lines.size()))
        lines.removeFirst();
    else if (step % 2 == 1 || lines.isEmpty())
        lines.append({SupplierOffer(offer(step)).id(), 1});
    else
        lines.first().second = step;
}

inline Lines linesOf(const CartStore& cart) {
    Lines lines;
    for (const CartItem& item : cart.items())
        lines.append({item.id, item.quantity});
    return lines;
}

} // namespace CartSaveSteps
