#pragma once

#include <QHeaderView>

// The offer table's header: plain titles, and a small chevron on the active sort column
// (up while ascending, down while descending).
class OfferHeaderView : public QHeaderView {
    Q_OBJECT

public:
    explicit OfferHeaderView(QWidget* parent = nullptr);

    void setSortState(int section, bool ascending);
    int sortSection() const { return m_sortSection; }
    bool sortAscending() const { return m_ascending; }

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

private:
    int m_sortSection = -1;
    bool m_ascending = true;
};
