#pragma once

#include <QHeaderView>

// The offer table's header: titles that elide with "…" when their column is too narrow, and a
// small chevron on the active sort column (up while ascending, down while descending). Its
// context menu hides columns and brings them back (the article and the price always show).
class OfferHeaderView : public QHeaderView {
    Q_OBJECT

public:
    explicit OfferHeaderView(QWidget* parent = nullptr);

    void setSortState(int section, bool ascending);
    int sortSection() const { return m_sortSection; }
    bool sortAscending() const { return m_ascending; }

    // The width the section's title needs in full, with the room for the chevron on sortable columns.
    int titleWidth(int logicalIndex) const;
    // The title as it is drawn in the section's current width.
    QString shownTitle(int logicalIndex) const;
    static bool canHide(int logicalIndex);

Q_SIGNALS:
    // The mouse button was let go (after a click, or after dragging a border).
    void released();
    // The user hid or showed a column from the menu.
    void columnShownChanged(int logicalIndex, bool shown);

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    int chevronSize() const;
    bool isSortable(int logicalIndex) const;
    QRect titleRect(const QRect& section, int logicalIndex) const;

    int m_sortSection = -1;
    bool m_ascending = true;
};
