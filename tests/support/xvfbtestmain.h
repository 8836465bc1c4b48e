#ifndef XVFBTESTMAIN_H
#define XVFBTESTMAIN_H

// The main() of a test that needs a real X window: an Xvfb of its own with openbox on it, started before the
// QApplication connects to it and stopped after the application is gone. Used like QTEST_MAIN;
// VREK_XVFB_TEST_MAIN_SCREENS gives the sizes of the X screens, each a QScreen of its own (a braced list of
// QSize); VREK_XVFB_TEST_MAIN_BARE runs on a server without a window manager. The test reaches the display
// through vrekTestDisplay().
#include "tests/support/xvfbdisplay.h"

#include <QApplication>
#include <QtTest>

#include <cstdio>

inline XvfbDisplay *&vrekTestDisplay()
{
    static XvfbDisplay *display = nullptr;
    return display;
}

#define VREK_XVFB_TEST_MAIN(TestObject) VREK_XVFB_TEST_MAIN_SCREENS(TestObject, { QSize(1280, 800) })

#define VREK_XVFB_TEST_MAIN_SCREENS(TestObject, ...)                                                                   \
    VREK_XVFB_TEST_MAIN_WITH(TestObject, XvfbDisplay::WindowManager::Openbox, __VA_ARGS__)

#define VREK_XVFB_TEST_MAIN_BARE(TestObject, ...)                                                                      \
    VREK_XVFB_TEST_MAIN_WITH(TestObject, XvfbDisplay::WindowManager::None, __VA_ARGS__)

#define VREK_XVFB_TEST_MAIN_WITH(TestObject, manager, ...)                                                             \
    int main(int argc, char *argv[])                                                                                   \
    {                                                                                                                  \
        XvfbDisplay display(manager);                                                                                  \
        if (!display.start(QList<QSize> __VA_ARGS__)) {                                                                \
            std::fprintf(stderr, "Xvfb did not start\n");                                                              \
            return 1;                                                                                                  \
        }                                                                                                              \
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
