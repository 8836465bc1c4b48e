#include "updater/holtupdate.h"
#include "updater/showwidget.h"
#include "updater/updatelog.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    UpdateLog::setEnabled(false);
    Holtupdate updater;
    updater.readCommandLine(argc, argv);

    // An update never depends on a display: without one the window is drawn offscreen, and a display that
    // cannot be reached falls back to offscreen as well.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
            qputenv("QT_QPA_PLATFORM", "wayland;xcb;offscreen");
        else if (!qEnvironmentVariableIsEmpty("DISPLAY"))
            qputenv("QT_QPA_PLATFORM", "xcb;offscreen");
        else
            qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    ShowWidget window;
    updater.setProgressView(&window);
    // The flow blocks for the whole update; the window needs this thread's event loop meanwhile.
    window.serveWhile([&updater] { updater.startUpdate(); });
    return updater.exitCode();
}
