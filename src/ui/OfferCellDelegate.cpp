#include "OfferCellDelegate.h"

#include "OfferTableModel.h"
#include "OfferTableView.h"
#include "UiIcons.h"

#include <QPainter>

namespace {

constexpr int kCartSymbolSize = 16;

void tint(QPainter* painter, const QStyleOptionViewItem& opt, int alpha) {
    QColor color = opt.palette.color(QPalette::Highlight);
    color.setAlpha(alpha);
    painter->fillRect(opt.rect, color);
}

} // namespace

void OfferCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem opt(option);
    initStyleOption(&opt, index);
    if (const auto* table = qobject_cast<const OfferTableView*>(opt.widget);
        table && index.row() == table->pinnedDividerRow())
        opt.rect.setTop(opt.rect.top() + OfferTableView::dividerHeight(*table));
    // The current row shows as a soft tint over the row's own colours, so supplier colours and
    // portal highlights stay readable; the current cell keeps its focus frame. Rows picked for
    // copying get a stronger tint of their own rather than the style's full highlight colour.
    const auto* view = qobject_cast<const QAbstractItemView*>(opt.widget);
    const bool current = view && view->currentIndex().row() == index.row();
    const bool hovered = opt.state.testFlag(QStyle::State_MouseOver);
    const bool focused = opt.widget && opt.widget->hasFocus();
    const bool picked = opt.state.testFlag(QStyle::State_Selected);
    opt.state.setFlag(QStyle::State_Selected, false);

    if (index.column() != OfferTableModel::cart) {
        QStyledItemDelegate::paint(painter, opt, index);
        if (picked)
            tint(painter, opt, 110);
        if (current)
            tint(painter, opt, focused ? 70 : 40);
        if (hovered)
            tint(painter, opt, 40);
        return;
    }

    if (opt.backgroundBrush.style() != Qt::NoBrush)
        painter->fillRect(opt.rect, opt.backgroundBrush);
    if (picked)
        tint(painter, opt, 110);
    if (current)
        tint(painter, opt, focused ? 70 : 40);
    if (hovered)
        tint(painter, opt, 40);
    const QRectF symbol(opt.rect.center().x() - kCartSymbolSize / 2.0 + 0.5,
                        opt.rect.center().y() - kCartSymbolSize / 2.0 + 0.5, kCartSymbolSize, kCartSymbolSize);
    if (index.data(OfferTableModel::InCartRole).toBool())
        UiIcons::paintFilledCheck(*painter, symbol, QColor(52, 168, 83));
    else
        UiIcons::paintCartPlus(*painter, symbol, opt.palette.color(QPalette::Text));
}
