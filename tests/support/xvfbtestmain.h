#ifndef XVFBTESTMAIN_H
#define XVFBTESTMAIN_H

// The main() of a test that needs a real X window: an Xvfb of its own with a window manager on it (TAVI_TEST_WM's,
// openbox unless set), started before the QApplication connects to it and stopped after the application is gone.
// Used like QTEST_MAIN; VREK_XVFB_TEST_MAIN_SCREENS gives the sizes of the X screens, each a QScreen of its own (a
// braced list of QSize); VREK_XVFB_DESKTOP_TEST_MAIN runs on one screen of TAVI_TEST_SCREEN's size (1920x1080
// unless set), for the tests CTest runs at several sizes; VREK_XVFB_TEST_MAIN_BARE runs on a server without a
// window manager. The test reaches the display through vrekTestDisplay().
#include "tests/support/xvfbdisplay.h"

#include <QApplication>
#include <QWidget>
#include <QtTest>

#include <cstdio>

inline XvfbDisplay *&vrekTestDisplay()
{
    static XvfbDisplay *display = nullptr;
    return display;
}

// The X window of the widget's top-level, and whether the manager gave it a _NET_WM_STATE atom.
inline quint32 windowIdOf(const QWidget *widget)
{
    return quint32(widget->window()->winId());
}

inline bool windowHasState(const QWidget *widget, const char *state)
{
    return vrekTestDisplay()->windowStates(windowIdOf(widget)).contains(state);
}

#define VREK_XVFB_TEST_MAIN(TestObject) VREK_XVFB_TEST_MAIN_SCREENS(TestObject, { QSize(1280, 800) })

#define VREK_XVFB_TEST_MAIN_SCREENS(TestObject, ...)                                                                   \
    VREK_XVFB_TEST_MAIN_WITH(TestObject, XvfbDisplay::managerFromEnvironment(), __VA_ARGS__)

#define VREK_XVFB_DESKTOP_TEST_MAIN(TestObject)                                                                        \
    VREK_XVFB_TEST_MAIN_SCREENS(TestObject, { XvfbDisplay::screenFromEnvironment(QSize(1920, 1080)) })

#define VREK_XVFB_TEST_MAIN_BARE(TestObject, ...)                                                                      \
    VREK_XVFB_TEST_MAIN_WITH(TestObject, XvfbDisplay::WindowManager::None, __VA_ARGS__)

#define VREK_XVFB_TEST_MAIN_WITH(TestObject, manager, ...)                                                             \
    int main(int argc, char *argv[])                                                                                   \
    {                                                                                                                  \
        if (!XvfbDisplay::knownManagerInEnvironment()) {                                                              \
            std::fprintf(stderr, "TAVI_TEST_WM names no window manager the tests know\n");                             \
            return 1;                                                                                                  \
        }                                                                                                              \
        XvfbDisplay display(manager);                                                                                  \
        const QList<QSize> screens = QList<QSize> __VA_ARGS__;                                                         \
        if (!display.start(screens)) {                                                                                 \
            std::fprintf(stderr, "Xvfb with %s did not start\n", XvfbDisplay::managerName(manager).constData());       \
            return 1;                                                                                                  \
        }                                                                                                              \
        std::fprintf(stderr, "Desktop: %s, %dx%d\n", XvfbDisplay::managerName(manager).constData(),                   \
            screens.first().width(), screens.first().height());                                                        \
        vrekTestDisplay() = &display;                                                                                  \
        qputenv("DISPLAY", display.name().toLocal8Bit());                                                              \
        qputenv("QT_QPA_PLATFORM", "xcb");                                                                             \
        int result = 0;                                                                                                \
        {                                                                                                              \
            QApplication app(argc, argv);                                                                              \
            TestObject test;                                                                                           \
            result = QTest::qExec(&test, argc, argv);                                                                  \
        }                                                                                                              \
        vrekTestDisplay() = nullptr;                                                                                   \
        display.stop();                                                                                                \
        return result;                                                                                                 \
    }

#endif // XVFBTESTMAIN_H
