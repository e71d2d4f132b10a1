#pragma once

#include <QLayout>
#include <QList>

// Lays its items out left to right and starts a new row where the next one does not fit, so a
// bar of controls stays whole in a narrow window instead of widening it. Items in a row are
// centred on the row's height; an item that expands horizontally takes what its row leaves over.
class FlowLayout : public QLayout {
public:
    explicit FlowLayout(QWidget* parent = nullptr, int horizontalSpacing = 8, int verticalSpacing = 6);
    ~FlowLayout() override;

    void addItem(QLayoutItem* item) override;
    int count() const override { return static_cast<int>(m_items.size()); }
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;

    Qt::Orientations expandingDirections() const override { return {}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize minimumSize() const override;
    QSize sizeHint() const override;
    void setGeometry(const QRect& rect) override;

    // How many rows the items take at this width.
    int rowCount(int width) const;

private:
    // Places the items within the rectangle (or only measures when `apply` is false); gives the
    // height used and the number of rows.
    int arrange(const QRect& rect, bool apply, int* rows = nullptr) const;

    QList<QLayoutItem*> m_items;
    int m_horizontalSpacing;
    int m_verticalSpacing;
};
