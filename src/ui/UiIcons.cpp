#include "UiIcons.h"

#include <QPainterPath>
#include <QPixmap>

#include <algorithm>

namespace UiIcons {

namespace {

QPen strokePen(const QColor& color, qreal width) {
    QPen pen(color, width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

// A square of the rect's smaller side, centred in it.
QRectF square(const QRectF& rect) {
    const qreal side = std::min(rect.width(), rect.height());
    return QRectF(rect.center().x() - side / 2, rect.center().y() - side / 2, side, side);
}

} // namespace

void paintMagnifyingGlass(QPainter& painter, const QRectF& rect, const QColor& color) {
    const QRectF r = square(rect);
    const qreal s = r.width();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(strokePen(color, std::max<qreal>(1.5, s * 0.08)));
    painter.setBrush(Qt::NoBrush);
    const QRectF lens(r.left() + s * 0.1, r.top() + s * 0.1, s * 0.55, s * 0.55);
    painter.drawEllipse(lens);
    painter.setPen(strokePen(color, std::max<qreal>(2.0, s * 0.12)));
    painter.drawLine(QPointF(r.left() + s * 0.58, r.top() + s * 0.58), QPointF(r.left() + s * 0.9, r.top() + s * 0.9));
    painter.restore();
}

void paintWarningTriangle(QPainter& painter, const QRectF& rect, const QColor& color) {
    const QRectF r = square(rect);
    const qreal s = r.width();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath triangle;
    triangle.moveTo(r.left() + s * 0.5, r.top() + s * 0.08);
    triangle.lineTo(r.left() + s * 0.95, r.top() + s * 0.9);
    triangle.lineTo(r.left() + s * 0.05, r.top() + s * 0.9);
    triangle.closeSubpath();
    painter.setPen(strokePen(color, std::max<qreal>(1.0, s * 0.06)));
    painter.setBrush(color);
    painter.drawPath(triangle);
    painter.setPen(strokePen(Qt::white, std::max<qreal>(1.5, s * 0.09)));
    painter.drawLine(QPointF(r.left() + s * 0.5, r.top() + s * 0.38), QPointF(r.left() + s * 0.5, r.top() + s * 0.62));
    painter.drawPoint(QPointF(r.left() + s * 0.5, r.top() + s * 0.77));
    painter.restore();
}

void paintTimer(QPainter& painter, const QRectF& rect, const QColor& color) {
    const QRectF r = square(rect);
    const qreal s = r.width();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(strokePen(color, std::max<qreal>(1.2, s * 0.09)));
    painter.setBrush(Qt::NoBrush);
    const QRectF face(r.left() + s * 0.14, r.top() + s * 0.2, s * 0.72, s * 0.72);
    painter.drawEllipse(face);
    painter.drawLine(QPointF(r.left() + s * 0.4, r.top() + s * 0.07), QPointF(r.left() + s * 0.6, r.top() + s * 0.07));
    painter.drawLine(face.center(), QPointF(face.center().x(), face.top() + s * 0.16));
    painter.drawLine(face.center(), QPointF(face.center().x() + s * 0.16, face.center().y()));
    painter.restore();
}

void paintCartPlus(QPainter& painter, const QRectF& rect, const QColor& color) {
    const QRectF r = square(rect);
    const qreal s = r.width();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(strokePen(color, std::max<qreal>(1.2, s * 0.08)));
    painter.setBrush(Qt::NoBrush);
    QPainterPath cart;
    cart.moveTo(r.left() + s * 0.04, r.top() + s * 0.14);
    cart.lineTo(r.left() + s * 0.18, r.top() + s * 0.14);
    cart.lineTo(r.left() + s * 0.3, r.top() + s * 0.66);
    cart.lineTo(r.left() + s * 0.84, r.top() + s * 0.66);
    cart.lineTo(r.left() + s * 0.94, r.top() + s * 0.28);
    cart.lineTo(r.left() + s * 0.22, r.top() + s * 0.28);
    painter.drawPath(cart);
    painter.setBrush(color);
    const qreal wheel = s * 0.11;
    painter.drawEllipse(QPointF(r.left() + s * 0.36, r.top() + s * 0.84), wheel / 2, wheel / 2);
    painter.drawEllipse(QPointF(r.left() + s * 0.78, r.top() + s * 0.84), wheel / 2, wheel / 2);
    // The plus inside the basket.
    const QPointF c(r.left() + s * 0.57, r.top() + s * 0.47);
    painter.setPen(strokePen(color, std::max<qreal>(1.2, s * 0.07)));
    painter.drawLine(QPointF(c.x() - s * 0.1, c.y()), QPointF(c.x() + s * 0.1, c.y()));
    painter.drawLine(QPointF(c.x(), c.y() - s * 0.1), QPointF(c.x(), c.y() + s * 0.1));
    painter.restore();
}

void paintFilledCheck(QPainter& painter, const QRectF& rect, const QColor& color) {
    const QRectF r = square(rect);
    const qreal s = r.width();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawEllipse(r.adjusted(s * 0.06, s * 0.06, -s * 0.06, -s * 0.06));
    painter.setPen(strokePen(Qt::white, std::max<qreal>(1.5, s * 0.1)));
    painter.setBrush(Qt::NoBrush);
    QPainterPath tick;
    tick.moveTo(r.left() + s * 0.3, r.top() + s * 0.52);
    tick.lineTo(r.left() + s * 0.45, r.top() + s * 0.66);
    tick.lineTo(r.left() + s * 0.71, r.top() + s * 0.36);
    painter.drawPath(tick);
    painter.restore();
}

void paintChevron(QPainter& painter, const QRectF& rect, bool up, const QColor& color) {
    const QRectF r = square(rect);
    const qreal s = r.width();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(strokePen(color, std::max<qreal>(1.4, s * 0.16)));
    painter.setBrush(Qt::NoBrush);
    const qreal top = r.top() + s * 0.3;
    const qreal bottom = r.top() + s * 0.7;
    QPainterPath path;
    path.moveTo(r.left() + s * 0.15, up ? bottom : top);
    path.lineTo(r.left() + s * 0.5, up ? top : bottom);
    path.lineTo(r.left() + s * 0.85, up ? bottom : top);
    painter.drawPath(path);
    painter.restore();
}

QPixmap pixmap(void (*paint)(QPainter&, const QRectF&, const QColor&), int size, const QColor& color,
               qreal devicePixelRatio) {
    QPixmap result(QSize(size, size) * devicePixelRatio);
    result.setDevicePixelRatio(devicePixelRatio);
    result.fill(Qt::transparent);
    QPainter painter(&result);
    paint(painter, QRectF(0, 0, size, size), color);
    return result;
}

} // namespace UiIcons
