#include "NotificationOverlay.h"

#include <QTimer>

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr qreal kCornerRadius = 10.0;

} // namespace

NotificationOverlay::NotificationOverlay(QWidget* parent)
    : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_TranslucentBackground);
    QFont callout = font();
    callout.setPointSizeF(std::max(8.0, callout.pointSizeF() - 1.0));
    setFont(callout);
    hide();
}

void NotificationOverlay::setMessage(const QString& message) {
    m_message = message;
    if (m_message.isEmpty()) {
        hide();
        return;
    }
    reposition();
    show();
    raise();
    update();
}

QSize NotificationOverlay::sizeHint() const {
    ensurePolished();
    const QFontMetrics fm(font());
    const int maxWidth = parentWidget() ? std::max(120, parentWidget()->width() - 40) : 600;
    const int textWidth = std::min(fm.horizontalAdvance(m_message) + 2, maxWidth - 2 * paddingH);
    return {textWidth + 2 * paddingH, fm.height() + 2 * paddingV};
}

void NotificationOverlay::reposition() {
    if (!parentWidget())
        return;
    const QSize size = sizeHint();
    const QWidget* parent = parentWidget();
    setGeometry((parent->width() - size.width()) / 2, parent->height() - size.height() - bottomMargin, size.width(),
                size.height());
}

void NotificationOverlay::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    // A dark box on a light window and a light one on a dark window, both letting a little through.
    const bool lightWindow = palette().color(QPalette::Window).lightness() > 128;
    const QColor fill = lightWindow ? QColor(40, 40, 40, 215) : QColor(235, 235, 235, 215);
    const QColor text = lightWindow ? QColor(Qt::white) : QColor(20, 20, 20);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(box, kCornerRadius, kCornerRadius);
    painter.setPen(text);
    const QRect textRect = rect().adjusted(paddingH, 0, -paddingH, 0);
    painter.drawText(textRect, Qt::AlignCenter,
                     QFontMetrics(font()).elidedText(m_message, Qt::ElideMiddle, textRect.width()));
}

// The timer belongs to this overlay, so a clearance never reaches one that is gone.
void NotificationOverlay::notice(std::optional<QString>& slot, const QString& message, bool cart) {
    slot = message;
    m_cartIsNewer = cart;
    showNewest();
    QTimer::singleShot(clearanceMs, this, [this, &slot] {
        slot.reset();
        showNewest();
    });
}

void NotificationOverlay::showCopied(const QString& message) {
    notice(m_copied, message, false);
}

void NotificationOverlay::showCartNotice(const QString& message) {
    notice(m_cart, message, true);
}

void NotificationOverlay::showNewest() {
    std::optional<QString> shown = m_cartIsNewer ? m_cart : m_copied;
    if (!shown)
        shown = m_cartIsNewer ? m_copied : m_cart;
    setMessage(shown.value_or(QString()));
}
