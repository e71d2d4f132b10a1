#include "OfferTableView.h"

#include "OfferHeaderView.h"
#include "OfferTableModel.h"
#include "PFOfferWidths.h"
#include "UiIcons.h"

#include <QPainter>
#include <QScrollBar>
#include <QShortcut>

namespace {

constexpr int kCartSymbolSize = 16;

} // namespace

void OfferCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem opt(option);
    initStyleOption(&opt, index);
    // Rows are not selected, only copied from; the current cell shows as a focus frame.
    opt.state &= ~QStyle::State_Selected;
    const bool hovered = opt.state.testFlag(QStyle::State_MouseOver);

    if (index.column() != OfferTableModel::cart) {
        QStyledItemDelegate::paint(painter, opt, index);
        if (hovered) {
            QColor tint = opt.palette.color(QPalette::Highlight);
            tint.setAlpha(40);
            painter->fillRect(opt.rect, tint);
        }
        return;
    }

    if (opt.backgroundBrush.style() != Qt::NoBrush)
        painter->fillRect(opt.rect, opt.backgroundBrush);
    if (hovered) {
        QColor tint = opt.palette.color(QPalette::Highlight);
        tint.setAlpha(40);
        painter->fillRect(opt.rect, tint);
    }
    const QRectF symbol(opt.rect.center().x() - kCartSymbolSize / 2.0 + 0.5,
                        opt.rect.center().y() - kCartSymbolSize / 2.0 + 0.5, kCartSymbolSize, kCartSymbolSize);
    if (index.data(OfferTableModel::InCartRole).toBool())
        UiIcons::paintFilledCheck(*painter, symbol, QColor(52, 168, 83));
    else
        UiIcons::paintCartPlus(*painter, symbol, opt.palette.color(QPalette::Text));
}

OfferTableView::OfferTableView(OfferTableModel& model, QWidget* parent)
    : QTableView(parent)
    , m_model(model)
    , m_header(new OfferHeaderView(this)) {
    setHorizontalHeader(m_header);
    setModel(&model);
    setItemDelegate(new OfferCellDelegate(this));
    setAlternatingRowColors(true);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setShowGrid(false);
    setTextElideMode(Qt::ElideRight);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_Hover);
    viewport()->setCursor(Qt::PointingHandCursor);

    // Fixed row heights keep scrolling a long list as cheap as a short one.
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 10);
    m_header->setSectionResizeMode(QHeaderView::Fixed);
    m_header->setStretchLastSection(false);
    m_header->setMinimumSectionSize(PFOfferWidths::cartColumnWidth);

    connect(this, &QTableView::clicked, this, &OfferTableView::activate);
    auto* copy = new QShortcut(QKeySequence::Copy, this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
    connect(copy, &QShortcut::activated, this, &OfferTableView::copyCurrent);
    applyColumnWidths();
}

void OfferTableView::applyColumnWidths() {
    // The eight columns share the table's width less the cart column; the 20 points
    // PFOfferWidths keeps back leave room for the scroll bar and the frame.
    const PFOfferWidths widths = PFOfferWidths::forAvailableWidth(width() - PFOfferWidths::cartColumnWidth);
    for (int i = 0; i < PFOfferWidths::columnCount; ++i)
        m_header->resizeSection(i, widths.widths[static_cast<std::size_t>(i)]);
    m_header->resizeSection(OfferTableModel::cart, PFOfferWidths::cartColumnWidth);
}

void OfferTableView::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    applyColumnWidths();
}

void OfferTableView::activate(const QModelIndex& index) {
    if (!index.isValid())
        return;
    if (index.column() == OfferTableModel::cart)
        Q_EMIT addToCartRequested(index.row());
    else
        Q_EMIT copyRequested(index.data(OfferTableModel::CopyValueRole).toString());
}

void OfferTableView::copyCurrent() {
    const QModelIndex index = currentIndex();
    if (index.isValid() && index.column() != OfferTableModel::cart)
        Q_EMIT copyRequested(index.data(OfferTableModel::CopyValueRole).toString());
}
