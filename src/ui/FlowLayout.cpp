#include "FlowLayout.h"

#include <QWidget>

#include <algorithm>

FlowLayout::FlowLayout(QWidget* parent, int horizontalSpacing, int verticalSpacing)
    : QLayout(parent)
    , m_horizontalSpacing(horizontalSpacing)
    , m_verticalSpacing(verticalSpacing) {
    setContentsMargins(0, 0, 0, 0);
}

FlowLayout::~FlowLayout() {
    while (QLayoutItem* item = takeAt(0))
        delete item;
}

void FlowLayout::addItem(QLayoutItem* item) {
    m_items.append(item);
}

QLayoutItem* FlowLayout::itemAt(int index) const {
    return index >= 0 && index < m_items.size() ? m_items[index] : nullptr;
}

QLayoutItem* FlowLayout::takeAt(int index) {
    return index >= 0 && index < m_items.size() ? m_items.takeAt(index) : nullptr;
}

int FlowLayout::heightForWidth(int width) const {
    return arrange(QRect(0, 0, width, 0).marginsRemoved(contentsMargins()), false);
}

int FlowLayout::rowCount(int width) const {
    int rows = 0;
    const QMargins m = contentsMargins();
    arrange(QRect(0, 0, width, 0).marginsRemoved(m), false, &rows);
    return rows;
}

// As narrow as the widest item: everything else wraps.
QSize FlowLayout::minimumSize() const {
    QSize size;
    for (const QLayoutItem* item : m_items) {
        if (!item->isEmpty())
            size = size.expandedTo(item->minimumSize());
    }
    const QMargins m = contentsMargins();
    return size + QSize(m.left() + m.right(), m.top() + m.bottom());
}

// All items on one row.
QSize FlowLayout::sizeHint() const {
    int width = 0;
    int height = 0;
    for (const QLayoutItem* item : m_items) {
        if (item->isEmpty())
            continue;
        width += (width > 0 ? m_horizontalSpacing : 0) + item->sizeHint().width();
        height = std::max(height, item->sizeHint().height());
    }
    const QMargins m = contentsMargins();
    return {width + m.left() + m.right(), height + m.top() + m.bottom()};
}

void FlowLayout::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    arrange(rect.marginsRemoved(contentsMargins()), true);
}

int FlowLayout::arrange(const QRect& rect, bool apply, int* rows) const {
    QList<QLayoutItem*> visible;
    for (QLayoutItem* item : m_items) {
        if (!item->isEmpty())
            visible.append(item);
    }
    const int available = std::max(1, rect.width());
    const auto widthOf = [available](const QLayoutItem* item) {
        return std::min(available, std::max(item->sizeHint().width(), item->minimumSize().width()));
    };
    int y = rect.y();
    int rowsUsed = 0;
    for (qsizetype first = 0; first < visible.size();) {
        // The row: as many items as fit, at least one.
        qsizetype end = first + 1;
        int used = widthOf(visible[first]);
        while (end < visible.size() && used + m_horizontalSpacing + widthOf(visible[end]) <= available) {
            used += m_horizontalSpacing + widthOf(visible[end]);
            ++end;
        }
        int height = 0;
        int expanding = 0;
        for (qsizetype i = first; i < end; ++i) {
            height = std::max(height, visible[i]->sizeHint().height());
            expanding += visible[i]->expandingDirections().testFlag(Qt::Horizontal) ? 1 : 0;
        }
        if (apply) {
            int spare = available - used;
            int x = rect.x();
            for (qsizetype i = first; i < end; ++i) {
                QLayoutItem* item = visible[i];
                int width = widthOf(item);
                if (expanding > 0 && item->expandingDirections().testFlag(Qt::Horizontal)) {
                    const int extra = spare / expanding--;
                    width += extra;
                    spare -= extra;
                }
                const int itemHeight =
                    std::min(height, std::max(item->minimumSize().height(), item->hasHeightForWidth()
                                                                                ? item->heightForWidth(width)
                                                                                : item->sizeHint().height()));
                item->setGeometry(QRect(x, y + (height - itemHeight) / 2, width, itemHeight));
                x += width + m_horizontalSpacing;
            }
        }
        y += height + m_verticalSpacing;
        ++rowsUsed;
        first = end;
    }
    if (rows)
        *rows = rowsUsed;
    const QMargins m = contentsMargins();
    return (rowsUsed > 0 ? y - m_verticalSpacing - rect.y() : 0) + m.top() + m.bottom();
}
