#include "platform/window/windowmover.h"

#include <QWindow>

bool WindowMover::startMove(QWindow *window)
{
    return window && window->startSystemMove();
}

bool WindowMover::startResize(QWindow *window, int edges)
{
    return window && edges != 0 && window->startSystemResize(Qt::Edges(edges));
}

QRect WindowMover::newGeometry(
    const QRect &start, int edges, const QPoint &delta, const QSize &minimum, const QSize &maximum)
{
    QRect r = start;
    const auto clampWidth = [&](int w) { return qBound(minimum.width(), w, maximum.width()); };
    const auto clampHeight = [&](int h) { return qBound(minimum.height(), h, maximum.height()); };
    if (edges & Qt::LeftEdge)
        r.setLeft(start.right() + 1 - clampWidth(start.width() - delta.x()));
    if (edges & Qt::RightEdge)
        r.setWidth(clampWidth(start.width() + delta.x()));
    if (edges & Qt::TopEdge)
        r.setTop(start.bottom() + 1 - clampHeight(start.height() - delta.y()));
    if (edges & Qt::BottomEdge)
        r.setHeight(clampHeight(start.height() + delta.y()));
    return r;
}
