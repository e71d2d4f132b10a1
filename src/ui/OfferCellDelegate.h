#pragma once

#include <QStyledItemDelegate>

// Draws offer cells with a light highlight under the pointer and a soft tint on the current row
// (the supplier colours stay readable), and the cart column as a symbol: a filled check when the
// offer is in the cart, a cart with a plus otherwise. The row under the table's pinned-group
// divider is drawn below the divider's caption.
class OfferCellDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
