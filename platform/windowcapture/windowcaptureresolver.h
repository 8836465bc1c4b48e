#ifndef WINDOWCAPTURERESOLVER_H
#define WINDOWCAPTURERESOLVER_H

#include "platform/capturedevice/capturesource.h"

#include <QRect>
#include <QString>

// The one place that knows which window a screen recording captures and how this system grabs it: the window
// is looked up on the X display by its exact title (a window's own text, so it keeps its ".exe") and grabbed
// through FFmpeg's x11grab, which follows the window wherever it is moved.
class WindowCaptureResolver
{
public:
    // The teacher program's main window.
    static const QString recordedWindowTitle; // "TaviTeacher.exe"
    // Pictures taken a second: as many as the recording's encoder makes, no more.
    static constexpr int frameRate = 10;
    // Bounds the walk over the display's windows.
    static constexpr int maxWindows = 20000;

    struct Window
    {
        quint32 id = 0; // 0: none
        QRect geometry; // on the screen
        QString display; // the display it was found on
    };

    // The shown window with this exact title; the top-most when several have it. display: an X display name,
    // empty for $DISPLAY. Returns at once when there is no display.
    static Window findWindow(const QString &title, const QString &display = QString());

    // What FFmpeg opens to grab the window with this title; invalid when no such window is shown. With useRect,
    // only that rectangle of the window (its left and top within the window, and its size).
    static CaptureSource windowSource(
        const QString &title, const QRect &rect, bool useRect, const QString &display = QString());
};

#endif // WINDOWCAPTURERESOLVER_H
