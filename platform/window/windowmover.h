#ifndef WINDOWMOVER_H
#define WINDOWMOVER_H

#include <QRect>

class QWindow;

// Hands a move or a resize of a frameless window to the window manager. Where none takes it (no window manager,
// the offscreen platform), the caller moves or resizes the window itself; newGeometry computes the resize.
class WindowMover
{
public:
    static bool startMove(QWindow *window);
    static bool startResize(QWindow *window, int edges);
    static QRect newGeometry(
        const QRect &start, int edges, const QPoint &delta, const QSize &minimum, const QSize &maximum);
};

#endif // WINDOWMOVER_H
