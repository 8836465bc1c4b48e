#include "updater/holtupdate.h"
#include "updater/platform/nprocess.h"
#include "updater/showwidget.h"
#include "updater/updatelog.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    // The client's folder is the one this program lies in, whatever folder it was started from: nothing is read,
    // deleted or installed before the updater stands there.
    if (!ZR::NProcess::enterOwnFolder()) {
        std::fprintf(stderr, "Holtupdate: its own folder cannot be entered\n");
        return 1;
    }
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
