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
    // Right after the title, or at the right edge when the title fills the section.
    const QString title = model()->headerData(logicalIndex, orientation()).toString();
    const int margin = style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, this);
    const int textRight = rect.left() + margin + fontMetrics().horizontalAdvance(title) + 4;
    const int left = std::min(textRight, rect.right() - size - margin);
    const QRectF chevron(left, rect.center().y() - size / 2.0 + 1, size, size);
    UiIcons::paintChevron(*painter, chevron, m_ascending, palette().color(QPalette::ButtonText));
}
