#include "vrek/media/push/webrtcstreamengine.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/webrtcsdkinterface.h"

#include <QLibrary>
#include <QtTest>

#include <vector>

namespace {
// The stand-in library's own exports: what it was called with, and how its next start answers.
QString calls(const QString &library)
{
    QLibrary fake(library);
    auto callsOf = reinterpret_cast<const char *(*)()>(fake.resolve("fake_calls"));
    return callsOf ? QString::fromUtf8(callsOf()) : QString("<no library>");
}

void resetCalls(const QString &library)
{
    QLibrary fake(library);
    if (auto reset = reinterpret_cast<void (*)()>(fake.resolve("fake_reset")))
        reset();
}

bool loadLibrary(const QString &library)
{
    WebrtcSdkInterface::setLibraryName(library);
    WebrtcSdkInterface::onRtcInit();
    resetCalls(library);
    return WebrtcSdkInterface::isLoaded();
}

// Lets every report already posted arrive.
void deliverPosted()
{
    QCoreApplication::processEvents();
}
} // namespace

class TestWebRtcStreamEngine : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void startText_data();
    void startText();
    void events_data();
    void events();
    void bottomUpFrame();
    void framesWithoutPicture_data();
    void framesWithoutPicture();
    void kickAndMuteAddressTheRoom();
    void answersFromTheLibrarysThread();
    void libraryThatNeverAnswers();
    void withoutTheLibrary();
    void callbacksAfterTheEngineWent();
};

void TestWebRtcStreamEngine::init()
{
    g_mediaHost = "10.0.0.5";
    g_mediaPort = 8443;
}

void TestWebRtcStreamEngine::cleanup()
{
    WebrtcSdkInterface::unload();
}

void TestWebRtcStreamEngine::startText_data()
{
    QTest::addColumn<QString>("camera");
    QTest::addColumn<QString>("microphone");
    QTest::addColumn<QString>("room");
    QTest::addColumn<bool>("isCenter");
    QTest::addColumn<QString>("userName");
    QTest::addColumn<QString>("text");
    QTest::newRow("the lecturer's room") << "cam0"
                                         << "mic0"
                                         << "L1room" << true << QString::fromUtf8("王老师")
                                         << QString::fromUtf8("cam0\tmic0\tL1room\ttrue\tS1\t10.0.0.5\t8443\t王老师");
    QTest::newRow("a student on the stage") << "cam0"
                                            << "mic0"
                                            << "L1room" << false << "Ann"
                                            << "cam0\tmic0\tL1room\tfalse\tS1\t10.0.0.5\t8443\tAnn";
    QTest::newRow("no devices, no name") << ""
                                         << ""
                                         << "r" << false << ""
                                         << "\t\tr\tfalse\tS1\t10.0.0.5\t8443\t";
}

void TestWebRtcStreamEngine::startText()
{
    QFETCH(QString, camera);
    QFETCH(QString, microphone);
    QFETCH(QString, room);
    QFETCH(bool, isCenter);
    QFETCH(QString, userName);
    QFETCH(QString, text);
    const QString library = QStringLiteral(FAKE_RTC_FULL);
    QVERIFY(loadLibrary(library));
    WebRtcStreamEngine engine;
    engine.onSetUserId("S1");
    engine.onStartPushStream(
        WebRtcStreamEngine::PullBothStream, camera, microphone, QSize(320, 240), room, isCenter, userName);
    QCOMPARE(calls(library), "start:" + text + ";");
    QCOMPARE(engine.roomId(), room);
    QCOMPARE(WebRtcStreamEngine::startParameters(camera, microphone, room, isCenter, "S1", userName), text);
}

void TestWebRtcStreamEngine::events_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("nullText");
    QTest::addColumn<QString>("report");
    QTest::newRow("start succeeded") << 0 << QByteArray("0") << false << "start true";
    QTest::newRow("start failed") << 0 << QByteArray("1") << false << "start false";
    QTest::newRow("start with an empty text") << 0 << QByteArray() << false << "start false";
    QTest::newRow("start without a text") << 0 << QByteArray() << true << "start false";
    QTest::newRow("push ended") << 1 << QByteArray("0") << false << "stop true";
    QTest::newRow("push ended badly") << 1 << QByteArray("1") << false << "stop false";
    QTest::newRow("push ended without a text") << 1 << QByteArray() << true << "stop false";
    QTest::newRow("type 2") << 2 << QByteArray("0") << false << "";
    QTest::newRow("type 10 is logged") << 10 << QByteArray("ice connected") << false << "";
    QTest::newRow("type 10 without a text") << 10 << QByteArray() << true << "";
    QTest::newRow("an unknown type") << 7 << QByteArray("0") << false << "";
    QTest::newRow("a negative type") << -1 << QByteArray("0") << false << "";
}

void TestWebRtcStreamEngine::events()
{
    QFETCH(int, type);
    QFETCH(QByteArray, text);
    QFETCH(bool, nullText);
    QFETCH(QString, report);
    WebRtcStreamEngine engine;
    QStringList reports;
    connect(&engine, &WebRtcStreamEngine::sendStartPushStreamResult, this,
        [&](bool ok, const QString &msg) { reports << QString("start %1%2").arg(ok ? "true" : "false", msg); });
    connect(&engine, &WebRtcStreamEngine::sendStopPushStreamResult, this,
        [&](bool ok, const QString &msg) { reports << QString("stop %1%2").arg(ok ? "true" : "false", msg); });
    if (type == 10)
        QTest::ignoreMessage(QtDebugMsg, QString("\"%1\"").arg(QString::fromUtf8(text)).toUtf8());
    WebRtcStreamEngine::onEvent(&engine, type, nullText ? nullptr : text.constData());
    // Reports travel queued, whichever thread the library called from.
    QVERIFY(reports.isEmpty());
    deliverPosted();
    QCOMPARE(reports, report.isEmpty() ? QStringList() : QStringList { report });
    // Without its engine a callback does nothing.
    WebRtcStreamEngine::onEvent(nullptr, type, nullText ? nullptr : text.constData());
    deliverPosted();
    QCOMPARE(reports.size(), report.isEmpty() ? 0 : 1);
}

// A frame of height -240 (a bottom-up bitmap) gives a 320 x 240 picture with the rows as they stand, copied:
// the library may overwrite its buffer as soon as the callback returns.
void TestWebRtcStreamEngine::bottomUpFrame()
{
    WebRtcStreamEngine engine;
    QList<QImage> frames;
    connect(&engine, &WebRtcStreamEngine::sendRemoteStream, this, [&](const QImage &frame) { frames << frame; });
    std::vector<quint32> pixels(320 * 240, 0xff0000ff); // blue
    std::fill(pixels.begin(), pixels.begin() + 320, 0xffff0000); // the first row red
    WebRtcStreamEngine::onFrame(&engine, 320, -240, reinterpret_cast<unsigned char *>(pixels.data()));
    std::fill(pixels.begin(), pixels.end(), 0u);
    QVERIFY(frames.isEmpty());
    deliverPosted();
    QCOMPARE(frames.size(), 1);
    const QImage frame = frames.first();
    QCOMPARE(frame.size(), QSize(320, 240));
    QCOMPARE(frame.format(), QImage::Format_RGB32);
    QCOMPARE(frame.pixelColor(0, 0), QColor(Qt::red));
    QCOMPARE(frame.pixelColor(319, 239), QColor(Qt::blue));
}

void TestWebRtcStreamEngine::framesWithoutPicture_data()
{
    QTest::addColumn<bool>("withEngine");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<bool>("withPixels");
    QTest::newRow("no engine") << false << 4 << 4 << true;
    QTest::newRow("no pixels") << true << 4 << 4 << false;
    QTest::newRow("no width") << true << 0 << 4 << true;
    QTest::newRow("no height") << true << 4 << 0 << true;
}

void TestWebRtcStreamEngine::framesWithoutPicture()
{
    QFETCH(bool, withEngine);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(bool, withPixels);
    WebRtcStreamEngine engine;
    int frames = 0;
    connect(&engine, &WebRtcStreamEngine::sendRemoteStream, this, [&] { ++frames; });
    std::vector<quint32> pixels(16, 0xffffffff);
    WebRtcStreamEngine::onFrame(withEngine ? &engine : nullptr, width, height,
        withPixels ? reinterpret_cast<unsigned char *>(pixels.data()) : nullptr);
    deliverPosted();
    QCOMPARE(frames, 0);
}

// Kick and mute address the room of the last start; before any start that room is empty.
void TestWebRtcStreamEngine::kickAndMuteAddressTheRoom()
{
    const QString library = QStringLiteral(FAKE_RTC_FULL);
    QVERIFY(loadLibrary(library));
    WebRtcStreamEngine engine;
    engine.onSetUserId("L1");
    engine.toKickOneByUserId("S2");
    engine.toMuteOneByUserId("S3");
    engine.onStartPushStream(WebRtcStreamEngine::PullBothStream, "", "", QSize(), "room9", true, "T");
    engine.toKickOneByUserId("S2");
    engine.onStopPushStream();
    QCOMPARE(calls(library),
        QString("event:,S2:0;event:,S3:1;start:\t\troom9\ttrue\tL1\t10.0.0.5\t8443\tT;event:room9,S2:0;stop:room9;"));
}

// A library answering from a thread of its own: the frame and the results reach the engine's thread later,
// after the call that started the push has returned.
void TestWebRtcStreamEngine::answersFromTheLibrarysThread()
{
    const QString library = QStringLiteral(FAKE_RTC_THREADED);
    QVERIFY(loadLibrary(library));
    WebRtcStreamEngine engine;
    engine.onSetUserId("S1");
    QStringList reports;
    QList<QImage> frames;
    QList<QThread *> threads;
    connect(&engine, &WebRtcStreamEngine::sendStartPushStreamResult, this, [&](bool ok) {
        reports << QString("start %1").arg(ok);
        threads << QThread::currentThread();
    });
    connect(&engine, &WebRtcStreamEngine::sendStopPushStreamResult, this, [&](bool ok) {
        reports << QString("stop %1").arg(ok);
        threads << QThread::currentThread();
    });
    connect(&engine, &WebRtcStreamEngine::sendRemoteStream, this, [&](const QImage &frame) { frames << frame; });

    engine.onStartPushStream(WebRtcStreamEngine::PullBothStream, "cam", "mic", QSize(), "R", false, "n");
    QVERIFY(reports.isEmpty());
    QVERIFY(frames.isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(reports, QStringList { "start 1" }, 10000);
    QCOMPARE(frames.size(), 1);
    QCOMPARE(frames.first().size(), QSize(320, 240));
    QCOMPARE(frames.first().pixelColor(160, 120), QColor(Qt::green)); // the library cleared its buffer since
    engine.onStopPushStream();
    QTRY_COMPARE_WITH_TIMEOUT(reports, QStringList({ "start 1", "stop 1" }), 10000);
    QCOMPARE(threads, QList<QThread *>({ thread(), thread() }));

    QLibrary fake(library);
    auto answerWith = reinterpret_cast<void (*)(const char *)>(fake.resolve("fake_set_start_answer"));
    QVERIFY(answerWith);
    answerWith("1");
    engine.onStartPushStream(WebRtcStreamEngine::PullBothStream, "cam", "mic", QSize(), "R", false, "n");
    QTRY_COMPARE_WITH_TIMEOUT(reports.size(), 3, 10000);
    QCOMPARE(reports.last(), QString("start 0"));
    answerWith("0");
}

void TestWebRtcStreamEngine::libraryThatNeverAnswers()
{
    const QString library = QStringLiteral(FAKE_RTC_SILENT);
    QVERIFY(loadLibrary(library));
    WebRtcStreamEngine engine;
    QSignalSpy starts(&engine, &WebRtcStreamEngine::sendStartPushStreamResult);
    QSignalSpy stops(&engine, &WebRtcStreamEngine::sendStopPushStreamResult);
    engine.onStartPushStream(WebRtcStreamEngine::PullBothStream, "cam", "mic", QSize(), "R", false, "n");
    engine.onStopPushStream();
    // What the engine would tell of itself, it queues.
    deliverPosted();
    QCOMPARE(starts.size(), 0);
    QCOMPARE(stops.size(), 0);
    QVERIFY(calls(library).startsWith("start:cam\tmic\tR\tfalse\t"));
}

// Nothing would ever answer a start or a stop without the library: both fail at once, queued.
void TestWebRtcStreamEngine::withoutTheLibrary()
{
    WebrtcSdkInterface::setLibraryName(QDir::temp().filePath("no-such-dir/rtc_sdk"));
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^hWebrtcModule==NULL"));
    WebrtcSdkInterface::onRtcInit();
    WebRtcStreamEngine engine;
    QSignalSpy starts(&engine, &WebRtcStreamEngine::sendStartPushStreamResult);
    QSignalSpy stops(&engine, &WebRtcStreamEngine::sendStopPushStreamResult);
    QTest::ignoreMessage(QtWarningMsg, "!funcStartPush");
    engine.onStartPushStream(WebRtcStreamEngine::PullBothStream, "cam", "mic", QSize(), "R", false, "n");
    QCOMPARE(starts.size(), 0);
    deliverPosted();
    QCOMPARE(starts.size(), 1);
    QCOMPARE(starts.first().at(0).toBool(), false);
    QTest::ignoreMessage(QtWarningMsg, "!funcStop");
    engine.onStopPushStream();
    QCOMPARE(stops.size(), 0);
    deliverPosted();
    QCOMPARE(stops.size(), 1);
    QCOMPARE(stops.first().at(0).toBool(), false);
    QTest::ignoreMessage(QtWarningMsg, "!funcEvent");
    engine.toKickOneByUserId("S2");
}

// A library may still call back for an engine that has gone; the call finds nobody and does nothing, also when
// the report was under way when the engine went.
void TestWebRtcStreamEngine::callbacksAfterTheEngineWent()
{
    auto *engine = new WebRtcStreamEngine;
    int reports = 0;
    connect(engine, &WebRtcStreamEngine::sendStartPushStreamResult, this, [&] { ++reports; });
    WebRtcStreamEngine::onEvent(engine, 0, "0");
    delete engine;
    deliverPosted();
    QCOMPARE(reports, 0);
    std::vector<quint32> pixels(4, 0);
    WebRtcStreamEngine::onEvent(engine, 0, "0");
    WebRtcStreamEngine::onFrame(engine, 2, 2, reinterpret_cast<unsigned char *>(pixels.data()));
    deliverPosted();
    QCOMPARE(reports, 0);
}

QTEST_MAIN(TestWebRtcStreamEngine)
#include "tst_webrtcstreamengine.moc"
