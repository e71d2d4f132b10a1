#include "OfferHeaderView.h"

#include "OfferTableModel.h"
#include "UiIcons.h"

#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QMenu>
#include <QPainter>

namespace {

// The chevron is drawn at the size of a 9-point glyph, this far from its title.
constexpr int kChevronPointSize = 9;
constexpr int kChevronGap = 4;

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

int OfferHeaderView::chevronSize() const {
    QFont font = this->font();
    font.setPointSize(kChevronPointSize);
    font.setWeight(QFont::DemiBold);
    return QFontMetrics(font).ascent();
}

bool OfferHeaderView::isSortable(int logicalIndex) const {
    return OfferTableModel::sortColumn(logicalIndex).has_value();
}

int OfferHeaderView::titleWidth(int logicalIndex) const {
    if (!model())
        return 0;
    const QString title = model()->headerData(logicalIndex, orientation()).toString();
    if (title.isEmpty())
        return 0;
    const int margin = style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, this);
    int width = fontMetrics().horizontalAdvance(title) + 2 * margin + 2;
    if (isSortable(logicalIndex))
        width += kChevronGap + chevronSize();
    return width;
}

// The room for the title: the section less its margins, and less the chevron's room on a
// sortable column (kept whether or not it is the active one, so titles do not move).
QRect OfferHeaderView::titleRect(const QRect& section, int logicalIndex) const {
    const int margin = style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, this);
    const int chevron = isSortable(logicalIndex) ? kChevronGap + chevronSize() : 0;
    const auto alignment =
        Qt::Alignment(model()->headerData(logicalIndex, orientation(), Qt::TextAlignmentRole).toInt());
    QRect rect = section.adjusted(margin, 0, -margin, 0);
    if (alignment.testFlag(Qt::AlignRight))
        rect.setLeft(rect.left() + chevron);
    else
        rect.setRight(rect.right() - chevron);
    return rect;
}

QString OfferHeaderView::shownTitle(int logicalIndex) const {
    if (!model())
        return {};
    const QString title = model()->headerData(logicalIndex, orientation()).toString();
    const QRect section(0, 0, sectionSize(logicalIndex), height());
    return fontMetrics().elidedText(title, Qt::ElideRight, titleRect(section, logicalIndex).width());
}

void OfferHeaderView::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    if (!rect.isValid() || !model())
        return;
    // The style draws the section without its label; the title is drawn here, elided to fit.
    QStyleOptionHeader opt;
    initStyleOption(&opt);
    initStyleOptionForIndex(&opt, logicalIndex);
    opt.rect = rect;
    opt.text.clear();
    painter->save();
    painter->setClipRect(rect);
    style()->drawControl(QStyle::CE_Header, &opt, painter, this);

    const QString title = model()->headerData(logicalIndex, orientation()).toString();
    const auto alignment =
        Qt::Alignment(model()->headerData(logicalIndex, orientation(), Qt::TextAlignmentRole).toInt());
    const QRect textRect = titleRect(rect, logicalIndex);
    const QString shown = fontMetrics().elidedText(title, Qt::ElideRight, textRect.width());
    painter->setFont(font());
    painter->setPen(palette().color(QPalette::ButtonText));
    painter->drawText(textRect, int(alignment | Qt::AlignVCenter), shown);

    if (logicalIndex == m_sortSection) {
        const int size = chevronSize();
        const int shownWidth = fontMetrics().horizontalAdvance(shown);
        // Next to the title: after a left-aligned one, before a right-aligned one.
        const int left = alignment.testFlag(Qt::AlignRight) ? textRect.right() - shownWidth - kChevronGap - size + 1
                                                            : textRect.left() + shownWidth + kChevronGap;
        const QRectF chevron(left, rect.center().y() - size / 2.0 + 1, size, size);
        UiIcons::paintChevron(*painter, chevron, m_ascending, palette().color(QPalette::ButtonText));
    }
    painter->restore();
}

void OfferHeaderView::mouseReleaseEvent(QMouseEvent* event) {
    QHeaderView::mouseReleaseEvent(event);
    Q_EMIT released();
}

bool OfferHeaderView::canHide(int logicalIndex) {
    return logicalIndex != OfferTableModel::article && logicalIndex != OfferTableModel::price &&
           logicalIndex != OfferTableModel::cart;
}

void OfferHeaderView::contextMenuEvent(QContextMenuEvent* event) {
    if (!model())
        return;
    // popup(), not exec(): the window's event loop runs the menu.
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->setToolTipsVisible(true);
    for (int section = 0; section < count(); ++section) {
        const QString title = model()->headerData(section, orientation()).toString();
        if (title.isEmpty())
            continue;
        QAction* action = menu->addAction(title);
        action->setCheckable(true);
        action->setChecked(!isSectionHidden(section));
        action->setEnabled(canHide(section));
        connect(action, &QAction::toggled, this,
                [this, section](bool shown) { Q_EMIT columnShownChanged(section, shown); });
    }
    menu->popup(event->globalPos());
}
