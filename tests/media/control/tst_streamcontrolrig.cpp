#include "tests/support/classroomlink.h"
#include "tests/support/rtmpserver.h"
#include "vrek/media/control/streammediamanager.h"
#include "vrek/message/tsprotocolanalysis.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalvalue.h"

#include <QtTest>

#include <memory>

namespace {
const QString camera = QStringLiteral("lavfi:testsrc=size=320x240:rate=15");
const QString microphone = QStringLiteral("lavfi:sine=frequency=440:sample_rate=44100");
constexpr int streamWaitMs = 60000;

// What the classroom server does with the stream commands of the clients in this process: a class-wide one
// goes to every other client, a personal one to its target. Delivered later, as over the network.
class ClassroomRelay : public QObject
{
public:
    explicit ClassroomRelay(SocketClientManager *connection)
    {
        connect(connection, &SocketClientManager::sendMessageOut, this, &ClassroomRelay::relay);
    }

    void add(const QString &userId, StreamMediaManager *client) { m_clients.insert(userId, client); }

private:
    void relay(const QByteArray &bytes)
    {
        const QStringList fields = QString::fromUtf8(bytes).trimmed().split('\t');
        StreamMediaMessage message;
        if (fields.size() != 5 || fields.at(0) != "11"
            || !TSProtocolAnalysis::readStreamMediaMessage(fields.at(3), message))
            return;
        for (auto it = m_clients.constBegin(); it != m_clients.constEnd(); ++it) {
            const bool wanted = fields.at(1) == "0" ? it.key() != message.getFromUserId() : it.key() == fields.at(2);
            if (wanted) {
                QMetaObject::invokeMethod(
                    it.value(), "readSocketMessageIn", Qt::QueuedConnection, Q_ARG(StreamMediaMessage, message));
            }
        }
    }

    QHash<QString, StreamMediaManager *> m_clients;
};

// Waits until the spy holds a call whose arguments start with the given ones.
bool waitForCall(QSignalSpy &spy, const QVariantList &leading, int timeoutMs = streamWaitMs)
{
    QElapsedTimer clock;
    clock.start();
    forever
    {
        for (const QList<QVariant> &call : qAsConst(spy)) {
            if (call.mid(0, leading.size()) == leading)
                return true;
        }
        if (clock.elapsed() > timeoutMs)
            return false;
        spy.wait(200);
    }
}
} // namespace

class TestStreamControlRig : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void lecturerAndTwoListeners();

private:
    std::unique_ptr<StreamMediaManager> makeClient(int userType, const QString &userId);

    RtmpServer m_server;
};

void TestStreamControlRig::initTestCase()
{
    QVERIFY2(m_server.start(), qPrintable(m_server.errorLog()));
    g_classId = "c1";
    g_classType = 7;
    g_rtmpHost = "127.0.0.1";
    g_rtmpPort = m_server.port();
    g_mediaHost = "127.0.0.1";
    g_mediaPort = m_server.port();
}

void TestStreamControlRig::cleanupTestCase()
{
    m_server.stop();
}

std::unique_ptr<StreamMediaManager> TestStreamControlRig::makeClient(int userType, const QString &userId)
{
    g_userType = userType;
    g_userId = userId;
    std::unique_ptr<StreamMediaManager> client(new StreamMediaManager(userId, GlobalEnum::Group7));
    client->setClickInterval(0);
    client->setAudioDeviceName(microphone);
    client->setVideoDeviceName(camera);
    return client;
}

// The lecturer's class reaches both listeners; the first listener is asked onto the stage, pushes, and the
// second one pulls it as the sub stream; taken off and asked again, the first listener pushes a second time.
void TestStreamControlRig::lecturerAndTwoListeners()
{
    ClassroomLink link(true, GlobalEnum::User0);
    QVERIFY(link.connectToServer());
    ClassroomRelay relay(link.manager());
    std::unique_ptr<StreamMediaManager> lecturer = makeClient(0, "L1");
    std::unique_ptr<StreamMediaManager> first = makeClient(1, "S1");
    std::unique_ptr<StreamMediaManager> second = makeClient(1, "S2");
    relay.add("L1", lecturer.get());
    relay.add("S1", first.get());
    relay.add("S2", second.get());
    QSignalSpy lecturerPulls(lecturer.get(), &StreamMediaManager::pullStreamResultOut);
    QSignalSpy firstPulls(first.get(), &StreamMediaManager::pullStreamResultOut);
    QSignalSpy secondPulls(second.get(), &StreamMediaManager::pullStreamResultOut);
    QSignalSpy firstPushes(first.get(), &StreamMediaManager::pushStreamResultOut);
    QSignalSpy secondMain(second.get(), &StreamMediaManager::showMainVideoImageOut);
    QSignalSpy secondSub(second.get(), &StreamMediaManager::showSubVideoImageOut);

    // The class: the lecturer pushes and tells the class; both listeners pull it.
    QVERIFY(lecturer->startPushStreamLect());
    const QString announce = QString("11\t0\tc1\t3$0$L1$$%1$0$$\t0").arg(lecturer->getPushStreamId());
    QVERIFY2(!link.server().waitForLine(announce, streamWaitMs).isNull(), qPrintable(link.sent().join(" | ")));
    const QVariantList classStarted { true, true, "L1", QString::fromUtf8("开始上课") };
    QVERIFY(waitForCall(firstPulls, classStarted));
    QVERIFY(waitForCall(secondPulls, classStarted));
    QVERIFY(secondMain.wait(streamWaitMs));
    QCOMPARE(secondMain.last().at(0).value<QImage>().size(), QSize(320, 240));

    // The first listener onto the stage: it pushes, says so (5), and the lecturer and the second listener pull it.
    QString text;
    QCOMPARE(lecturer->sendStudentRequest("S1", text), StreamMediaManager::SubStreamRequested);
    const QString subStarted = QString("11\t0\tc1\t3$5$S1$$%1$0$$\t0").arg(first->getPushStreamId());
    QVERIFY2(!link.server().waitForLine(subStarted, streamWaitMs).isNull(), qPrintable(link.sent().join(" | ")));
    QVERIFY(waitForCall(lecturerPulls, { false, true, "S1" }));
    QVERIFY(waitForCall(secondPulls, { false, true, "S1" }));
    secondSub.clear();
    QVERIFY(secondSub.wait(streamWaitMs));
    QCOMPARE(secondSub.last().at(0).value<QImage>().size(), QSize(160, 120));

    // Taken off the stage: its push ends, and so do both pulls of it.
    secondPulls.clear();
    lecturerPulls.clear();
    QCOMPARE(lecturer->sendStudentRequest("S1", text), StreamMediaManager::SubStreamStopped);
    QVERIFY(waitForCall(firstPushes, { true, false }));
    QVERIFY(waitForCall(secondPulls, { false, false, "S1" }));
    QVERIFY(!first->isPushingStream());

    // Asked again, it pushes again.
    secondPulls.clear();
    link.server().clearLines();
    QCOMPARE(lecturer->sendStudentRequest("S1", text), StreamMediaManager::SubStreamRequested);
    QVERIFY2(!link.server().waitForLine(subStarted, streamWaitMs).isNull(), qPrintable(link.sent().join(" | ")));
    QVERIFY(waitForCall(secondPulls, { false, true, "S1" }));
    QVERIFY(!link.server().lines().contains(QString("11\t0\tc1\t3$4$S1$$$1$$\t0")));

    // The class ends: the listeners stop pulling, the lecturer's push ends.
    QSignalSpy lecturerPushes(lecturer.get(), &StreamMediaManager::pushStreamResultOut);
    firstPulls.clear();
    firstPushes.clear();
    QVERIFY(lecturer->stopPushStreamLect());
    QVERIFY(waitForCall(lecturerPushes, { true, false }));
    QVERIFY(waitForCall(firstPulls, { true, false, "L1" }));
    QVERIFY(waitForCall(firstPushes, { true, false }));
}

QTEST_MAIN(TestStreamControlRig)
#include "tst_streamcontrolrig.moc"
