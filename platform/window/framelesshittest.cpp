#include "platform/window/framelesshittest.h"

#include <Qt>

FramelessHitTest::Result FramelessHitTest::hitTest(const Input &input)
{
    const QRect &r = input.windowRect;
    const QPoint &p = input.point;
    if (input.resizable) {
        // A window of fixed width offers no side borders, one of fixed height no top or bottom border.
        const bool horizontal = input.minimumSize.width() != input.maximumSize.width();
        const bool vertical = input.minimumSize.height() != input.maximumSize.height();
        const bool left = horizontal && p.x() >= r.left() && p.x() < r.left() + input.border;
        const bool right = horizontal && p.x() <= r.right() && p.x() > r.right() - input.border;
        const bool top = vertical && p.y() >= r.top() && p.y() < r.top() + input.border;
        const bool bottom = vertical && p.y() <= r.bottom() && p.y() > r.bottom() - input.border;
        const bool insideX = p.x() >= r.left() && p.x() <= r.right();
        const bool insideY = p.y() >= r.top() && p.y() <= r.bottom();
        if (top && left)
            return TopLeft;
        if (top && right)
            return TopRight;
        if (bottom && left)
            return BottomLeft;
        if (bottom && right)
            return BottomRight;
        if (left && insideY)
            return Left;
        if (right && insideY)
            return Right;
        if (top && insideX)
            return Top;
        if (bottom && insideX)
            return Bottom;
    }
    if (input.hasTitleBar && input.titleDraggable && input.titleBarRect.contains(p)
        && (!input.overTitleBarChild || input.childIsCaption))
        return Caption;
    return Client;
}

int FramelessHitTest::edges(Result result)
{
    switch (result) {
    case Left:
        return Qt::LeftEdge;
    case Right:
        return Qt::RightEdge;
    case Top:
        return Qt::TopEdge;
    case Bottom:
        return Qt::BottomEdge;
    case TopLeft:
        return Qt::TopEdge | Qt::LeftEdge;
    case TopRight:
        return Qt::TopEdge | Qt::RightEdge;
    case BottomLeft:
        return Qt::BottomEdge | Qt::LeftEdge;
    case BottomRight:
        return Qt::BottomEdge | Qt::RightEdge;
    default:
        return 0;
    }
}
