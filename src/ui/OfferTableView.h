#pragma once

#include "PFOfferWidths.h"

#include <QTableView>

class OfferHeaderView;
class OfferTableModel;

// The offer table. A click on an offer cell asks to copy its value, a click on the cart column
// asks to add the row's offer. From the keyboard: the arrows move a row-wide current highlight,
// Ctrl+C copies the current cell, Ctrl+Enter or Insert adds the current row to the cart, Tab
// leaves the table. A context menu copies the cell or the whole row or adds the row to the cart.
// Rows are picked for copying with Shift or Ctrl (click or arrows) or Ctrl+A; then Ctrl+C copies
// the picked rows instead of the cell. A plain click or arrow only moves the current row.
//
// Columns fit their widest value in the current rows and their title, the name takes what is
// left (PFOfferWidths::arranged); columns the user dragged keep their width until a double-click
// on their right border gives them back to the automatic width. In a narrow table the name,
// stock, risk and supplier give way; the header's menu hides a column and brings it back.
//
// A thin divider with a caption can stand above one row: the rows above it are pinned, those
// below are in the sort order.
class OfferTableView : public QTableView {
    Q_OBJECT

public:
    using ChosenWidths = std::array<std::optional<int>, PFOfferWidths::columnCount>;
    using HiddenColumns = std::array<bool, PFOfferWidths::columnCount>;

    explicit OfferTableView(OfferTableModel& model, QWidget* parent = nullptr);

    OfferHeaderView* offerHeader() const { return m_header; }
    // Sets the widths for the current width and rows; called on every resize and new rows.
    void applyColumnWidths();

    // The widths the user dragged columns to (none for automatic columns).
    ChosenWidths chosenWidths() const;
    void setChosenWidths(const ChosenWidths& widths);
    HiddenColumns hiddenColumns() const;
    void setHiddenColumns(const HiddenColumns& hidden);

    // The divider above `row` (none when the row is out of range), and what it says.
    void setPinnedDivider(int row, const QString& caption);
    int pinnedDividerRow() const { return m_dividerRow; }
    QString pinnedDividerCaption() const { return m_dividerCaption; }
    static int dividerHeight(const QWidget& table);

    // The least width of one column's values as they are now (its title not counted).
    int contentWidth(int column) const;
    // What the text of a cell needs so as not to be elided: its advance in the cell's font plus
    // the delegate's margins.
    int textWidth(const QModelIndex& index) const;
    // Wide enough for brand, article, price and delivery with the longest values the table expects
    // (articles of 20 characters, prices up to 999 999,99 with the currency), the least widths of
    // the columns that give way and the cart column, with no horizontal scroll bar; titles may
    // elide at this width. It does not follow the rows, so the window's minimum stays put from one
    // search to the next.
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    void copyRequested(const QString& value);
    void copyRowRequested(int row);
    // The picked rows, in table order.
    void copyRowsRequested(const QList<int>& rows);
    void addToCartRequested(int row);
    // The user finished dragging a column border or gave a column back to the automatic width.
    void chosenWidthsChanged();
    void hiddenColumnsChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event = nullptr) const override;

private:
    void activate(const QModelIndex& index);
    void copyCurrent();
    QList<int> pickedRows() const;
    void measureContent();
    void sectionResizedByUser(int section, int newSize);
    void resetColumn(int section);
    int availableWidth() const;
    void showColumn(int column, bool shown);

    OfferTableModel& m_model;
    OfferHeaderView* m_header;
    PFOfferWidths::Columns m_columns{};
    bool m_applying = false;
    bool m_userResized = false;
    int m_dividerRow = -1;
    QString m_dividerCaption;
};
