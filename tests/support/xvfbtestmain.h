#ifndef XVFBTESTMAIN_H
#define XVFBTESTMAIN_H

// The main() of a test that needs a real X window: an Xvfb of its own, started before the QApplication connects
// to it and stopped after the application is gone. Used like QTEST_MAIN; VREK_XVFB_TEST_MAIN_SCREENS gives the
// sizes of the X screens, each a QScreen of its own (a braced list of QSize).
#include "tests/support/xvfbdisplay.h"

#include <QApplication>
#include <QtTest>

#include <cstdio>

#define VREK_XVFB_TEST_MAIN(TestObject) VREK_XVFB_TEST_MAIN_SCREENS(TestObject, { QSize(1280, 800) })

#define VREK_XVFB_TEST_MAIN_SCREENS(TestObject, ...)                                                                   \
    int main(int argc, char *argv[])                                                                                   \
    {                                                                                                                  \
        XvfbDisplay display;                                                                                           \
        if (!display.start(QList<QSize> __VA_ARGS__)) {                                                                \
            std::fprintf(stderr, "Xvfb did not start\n");                                                              \
            return 1;                                                                                                  \
        }                                                                                                              \
        qputenv("DISPLAY", display.name().toLocal8Bit());                                                              \
        qputenv("QT_QPA_PLATFORM", "xcb");                                                                             \
        int result = 0;                                                                                                \
        {                                                                                                              \
            QApplication app(argc, argv);                                                                              \
            TestObject test;                                                                                           \
            result = QTest::qExec(&test, argc, argv);                                                                  \
        }                                                                                                              \
        display.stop();                                                                                                \
        return result;                                                                                                 \
    }

#endif // XVFBTESTMAIN_H
