#pragma once

#include <QColor>
#include <QIcon>
#include <QPainter>
#include <QRectF>

// The few symbols the window draws itself, so they look the same without an icon theme.
namespace UiIcons {

void paintMagnifyingGlass(QPainter& painter, const QRectF& rect, const QColor& color);
void paintWarningTriangle(QPainter& painter, const QRectF& rect, const QColor& color);
void paintTimer(QPainter& painter, const QRectF& rect, const QColor& color);
void paintCartPlus(QPainter& painter, const QRectF& rect, const QColor& color);
void paintFilledCheck(QPainter& painter, const QRectF& rect, const QColor& color);
// A chevron pointing up or down, for the active sort column.
void paintChevron(QPainter& painter, const QRectF& rect, bool up, const QColor& color);

// One of the painters above as a pixmap of `size` logical pixels for the given device pixel ratio.
QPixmap pixmap(void (*paint)(QPainter&, const QRectF&, const QColor&), int size, const QColor& color,
               qreal devicePixelRatio = 1.0);

} // namespace UiIcons
