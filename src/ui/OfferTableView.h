#pragma once

#include <QStyledItemDelegate>
#include <QTableView>

class OfferHeaderView;
class OfferTableModel;

// Draws offer cells with a light highlight under the pointer, and the cart column as a
// symbol: a filled check when the offer is in the cart, a cart with a plus otherwise.
class OfferCellDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// The offer table. A click on an offer cell asks to copy its value, a click on the cart
// column asks to add the row's offer; Ctrl+C copies the current cell. Column widths follow
// the table's width (PFOfferWidths).
class OfferTableView : public QTableView {
    Q_OBJECT

public:
    explicit OfferTableView(OfferTableModel& model, QWidget* parent = nullptr);

    OfferHeaderView* offerHeader() const { return m_header; }
    // Sets the widths for the current width; called on every resize.
    void applyColumnWidths();

Q_SIGNALS:
    void copyRequested(const QString& value);
    void addToCartRequested(int row);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void activate(const QModelIndex& index);
    void copyCurrent();

    OfferTableModel& m_model;
    OfferHeaderView* m_header;
};
