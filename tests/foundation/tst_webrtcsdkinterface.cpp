#include "vrek/utils/webrtcsdkinterface.h"

#include <QLibrary>
#include <QtTest>

namespace {
struct Callbacks
{
    QList<QPair<int, QString>> events;
    QSize frame;
    QColor firstPixel;
};

void onEvent(void *user, int type, const char *text)
{
    static_cast<Callbacks *>(user)->events.append({ type, QString::fromUtf8(text) });
}

void onFrame(void *user, int width, int height, unsigned char *pixels)
{
    auto *callbacks = static_cast<Callbacks *>(user);
    callbacks->frame = QSize(width, qAbs(height));
    callbacks->firstPixel = QColor(pixels[0], pixels[1], pixels[2]);
}

QString calls(const QString &library)
{
    QLibrary fake(library);
    auto callsOf = reinterpret_cast<const char *(*)()>(fake.resolve("fake_calls"));
    return callsOf ? QString::fromUtf8(callsOf()) : QString("<no library>");
}
} // namespace

class TestWebrtcSdkInterface : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();
    void missingLibrary();
    void fullLibrary();
    void libraryWithoutEvent();
    void libraryWithoutInit();
};

void TestWebrtcSdkInterface::cleanup()
{
    WebrtcSdkInterface::unload();
}

void TestWebrtcSdkInterface::missingLibrary()
{
    WebrtcSdkInterface::setLibraryName("rtc_sdk"); // none ships
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^hWebrtcModule==NULL"));
    WebrtcSdkInterface::onRtcInit();
    QVERIFY(!WebrtcSdkInterface::isLoaded());
    QTest::ignoreMessage(QtWarningMsg, "!funcStartPush");
    QVERIFY(!WebrtcSdkInterface::onRtcStartPushStream("p", nullptr, onEvent, nullptr, onFrame));
    QTest::ignoreMessage(QtWarningMsg, "!funcStop");
    QVERIFY(!WebrtcSdkInterface::onRtcStopPushStream("room"));
    QString text = "room,1001";
    QTest::ignoreMessage(QtDebugMsg, "Kick \"room,1001\"");
    QTest::ignoreMessage(QtWarningMsg, "!funcEvent");
    WebrtcSdkInterface::onRtcEvent(text, 1);
    QTest::ignoreMessage(QtWarningMsg, "!funcRelease");
    WebrtcSdkInterface::onRtcRelease();
}

void TestWebrtcSdkInterface::fullLibrary()
{
    const QString library = QStringLiteral(FAKE_RTC_FULL);
    WebrtcSdkInterface::setLibraryName(library);
    QTest::ignoreMessage(QtDebugMsg, "library says debug");
    QTest::ignoreMessage(QtWarningMsg, "library says warning");
    QTest::ignoreMessage(QtCriticalMsg, "library says critical"); // level 2 and above
    WebrtcSdkInterface::onRtcInit();
    QVERIFY(WebrtcSdkInterface::isLoaded());

    Callbacks callbacks;
    QVERIFY(WebrtcSdkInterface::onRtcStartPushStream("host\t8000\troom", &callbacks, onEvent, &callbacks, onFrame));
    QCOMPARE(callbacks.frame, QSize(2, 2));
    QCOMPARE(callbacks.firstPixel, QColor(255, 0, 0));
    QCOMPARE(callbacks.events.size(), 1);
    QCOMPARE(callbacks.events.at(0), qMakePair(0, QString("0")));
    QVERIFY(WebrtcSdkInterface::onRtcStopPushStream("room"));
    QString text = "room,1001";
    WebrtcSdkInterface::onRtcEvent(text, 1);
    WebrtcSdkInterface::onRtcRelease();
    QCOMPARE(calls(library), QString("init;registerLog;start:host\t8000\troom;stop:room;event:room,1001:1;release;"));
}

void TestWebrtcSdkInterface::libraryWithoutEvent()
{
    const QString library = QStringLiteral(FAKE_RTC_NO_EVENT);
    WebrtcSdkInterface::setLibraryName(library);
    WebrtcSdkInterface::onRtcInit();
    Callbacks callbacks;
    WebrtcSdkInterface::onRtcStartPushStream("p", &callbacks, onEvent, &callbacks, onFrame);
    QCOMPARE(callbacks.events.size(), 1); // still pushes
    QString text = "room,7";
    QTest::ignoreMessage(QtWarningMsg, "!funcEvent");
    WebrtcSdkInterface::onRtcEvent(text, 0);
}

void TestWebrtcSdkInterface::libraryWithoutInit()
{
    const QString library = QStringLiteral(FAKE_RTC_NO_INIT);
    WebrtcSdkInterface::setLibraryName(library);
    QTest::ignoreMessage(QtWarningMsg, "!funcInit");
    WebrtcSdkInterface::onRtcInit();
    QVERIFY(!calls(library).contains("registerLog")); // the log callback is not registered then
}

QTEST_GUILESS_MAIN(TestWebrtcSdkInterface)
#include "tst_webrtcsdkinterface.moc"
