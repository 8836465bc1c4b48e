#include "tests/support/xvfbdisplay.h"
#include "tests/support/xvfbtestmain.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QWidget>
#include <QtTest>

namespace {
// A real desktop answers in its own time: everything here waits on what the manager reports.
constexpr int settleMs = 10000;

} // namespace

class TestXvfbDisplay : public QObject
{
    Q_OBJECT
private slots:
    void managerFramesPlacesAndFocusesAWindow();
    void lastShownIsOnTopUntilAnotherIsRaised();
    void clickGoesToTheWindowUnderThePoint();
    void bareDisplayHasNoManager();
};

void TestXvfbDisplay::managerFramesPlacesAndFocusesAWindow()
{
    QWidget window;
    window.setWindowTitle("framed");
    window.resize(400, 300);
    window.show();
    const quint32 id = quint32(window.winId());
    QTRY_COMPARE_WITH_TIMEOUT(vrekTestDisplay()->activeWindow(), id, settleMs);
    QVERIFY(vrekTestDisplay()->stackingOrder().contains(id));
    const QRect client = vrekTestDisplay()->clientGeometry(id);
    const QRect frame = vrekTestDisplay()->frameGeometry(id);
    QCOMPARE(client.size(), QSize(400, 300));
    // Openbox puts a title bar and a border around it.
    QVERIFY2(frame.contains(client) && frame.height() > client.height(),
        qPrintable(QString("frame %1,%2 %3x%4").arg(frame.x()).arg(frame.y()).arg(frame.width()).arg(frame.height())));
    QVERIFY(!vrekTestDisplay()->windowStates(id).contains("_NET_WM_STATE_FULLSCREEN"));
    window.showFullScreen();
    QTRY_VERIFY_WITH_TIMEOUT(vrekTestDisplay()->windowStates(id).contains("_NET_WM_STATE_FULLSCREEN"), settleMs);
    QTRY_COMPARE_WITH_TIMEOUT(vrekTestDisplay()->frameGeometry(id), QRect(0, 0, 1920, 1080), settleMs);
}

void TestXvfbDisplay::lastShownIsOnTopUntilAnotherIsRaised()
{
    QWidget first;
    first.setWindowTitle("first");
    first.resize(300, 200);
    first.show();
    const quint32 firstId = quint32(first.winId());
    QTRY_COMPARE_WITH_TIMEOUT(vrekTestDisplay()->activeWindow(), firstId, settleMs);
    QWidget second;
    second.setWindowTitle("second");
    second.resize(300, 200);
    second.show();
    const quint32 secondId = quint32(second.winId());
    QTRY_COMPARE_WITH_TIMEOUT(vrekTestDisplay()->activeWindow(), secondId, settleMs);
    QTRY_VERIFY_WITH_TIMEOUT(vrekTestDisplay()->isAbove(secondId, firstId), settleMs);
    first.raise();
    first.activateWindow();
    QTRY_VERIFY_WITH_TIMEOUT(vrekTestDisplay()->isAbove(firstId, secondId), settleMs);
    QTRY_COMPARE_WITH_TIMEOUT(vrekTestDisplay()->activeWindow(), firstId, settleMs);
}

void TestXvfbDisplay::clickGoesToTheWindowUnderThePoint()
{
    QPushButton button("按我");
    button.resize(200, 100);
    button.show();
    QVERIFY(QTest::qWaitForWindowExposed(&button));
    const quint32 id = quint32(button.winId());
    QTRY_COMPARE_WITH_TIMEOUT(vrekTestDisplay()->activeWindow(), id, settleMs);
    QSignalSpy clicked(&button, &QPushButton::clicked);
    QVERIFY(vrekTestDisplay()->clickAt(vrekTestDisplay()->clientGeometry(id).center()));
    QTRY_COMPARE_WITH_TIMEOUT(clicked.size(), 1, settleMs);
    // Beside the window the click reaches the root, not the button.
    const QRect frame = vrekTestDisplay()->frameGeometry(id);
    QVERIFY(vrekTestDisplay()->clickAt(frame.bottomRight() + QPoint(50, 50)));
    QTest::qWait(200);
    QCOMPARE(clicked.size(), 1);
}

void TestXvfbDisplay::bareDisplayHasNoManager()
{
    XvfbDisplay bare(XvfbDisplay::WindowManager::None);
    QVERIFY(bare.start(640, 480));
    QCOMPARE(bare.windowManager(), XvfbDisplay::WindowManager::None);
    QCOMPARE(bare.activeWindow(), quint32(0));
    QVERIFY(bare.stackingOrder().isEmpty());
    bare.stop();
    QVERIFY(!bare.isRunning());
    QVERIFY(bare.name().isEmpty());
}

VREK_XVFB_TEST_MAIN_SCREENS(TestXvfbDisplay, { QSize(1920, 1080) })
#include "tst_xvfbdisplay.moc"
