#include "OfferHeaderView.h"

#include "UiIcons.h"

#include <QFontMetrics>
#include <QPainter>

namespace {

// The chevron is drawn at the size of a 9-point glyph.
constexpr int kChevronPointSize = 9;

} // namespace

OfferHeaderView::OfferHeaderView(QWidget* parent)
    : QHeaderView(Qt::Horizontal, parent) {
    setSectionsClickable(true);
    setHighlightSections(false);
    setSortIndicatorShown(false);
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void OfferHeaderView::setSortState(int section, bool ascending) {
    if (m_sortSection == section && m_ascending == ascending)
        return;
    m_sortSection = section;
    m_ascending = ascending;
    viewport()->update();
}

void OfferHeaderView::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    QHeaderView::paintSection(painter, rect, logicalIndex);
    if (logicalIndex != m_sortSection || !model())
        return;
    QFont font = this->font();
    font.setPointSize(kChevronPointSize);
    font.setWeight(QFont::DemiBold);
    const int size = QFontMetrics(font).ascent();
    // Next to the title: after a left-aligned one, before a right-aligned one.
    const QString title = model()->headerData(logicalIndex, orientation()).toString();
    const auto alignment =
        Qt::Alignment(model()->headerData(logicalIndex, orientation(), Qt::TextAlignmentRole).toInt());
    const int margin = style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, this);
    const int titleWidth = fontMetrics().horizontalAdvance(title);
    int left = 0;
    if (alignment.testFlag(Qt::AlignRight))
        left = std::max(rect.left() + margin, rect.right() - margin - titleWidth - 4 - size);
    else
        left = std::min(rect.left() + margin + titleWidth + 4, rect.right() - size - margin);
    const QRectF chevron(left, rect.center().y() - size / 2.0 + 1, size, size);
    // The base class leaves the painter clipped to nothing; draw within this section only.
    painter->save();
    painter->setClipRect(rect);
    UiIcons::paintChevron(*painter, chevron, m_ascending, palette().color(QPalette::ButtonText));
    painter->restore();
}
