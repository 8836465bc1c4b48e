#ifndef FRAMELESSHITTEST_H
#define FRAMELESSHITTEST_H

#include <QPoint>
#include <QRect>
#include <QSize>

// Where a press on a frameless window lands: a resize border, the caption, or the window's own content.
// Pure: the window collects the facts, this decides, so the rules can be tested without a window system.
class FramelessHitTest
{
public:
    enum Result {
        Client = 0, // left to the widgets under the point
        Caption,
        Left,
        Right,
        Top,
        Bottom,
        TopLeft,
        TopRight,
        BottomLeft,
        BottomRight,
    };

    struct Input
    {
        QRect windowRect; // global
        QPoint point; // global
        bool resizable = true;
        QSize minimumSize;
        QSize maximumSize { 16777215, 16777215 };
        int border = 8; // the resize band inside the window's edge
        bool hasTitleBar = false;
        QRect titleBarRect; // global
        bool titleDraggable = true;
        bool overTitleBarChild = false; // the point lies over a child of the title bar
        bool childIsCaption = false; // that child is one of the caption widgets
    };

    static Result hitTest(const Input &input);
    static bool isResize(Result result) { return result >= Left; }
    // Qt::Edges value of a resize result (0 for the others).
    static int edges(Result result);
};

#endif // FRAMELESSHITTEST_H
