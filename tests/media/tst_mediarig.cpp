#include "tests/support/childprocess.h"
#include "tests/support/ffmpegpublisher.h"
#include "tests/support/ffmpegreceiver.h"
#include "tests/support/rtmpserver.h"

#include <QtTest>

#include <csignal>

namespace {
bool processExists(qint64 pid)
{
    return pid > 0 && ::kill(pid_t(pid), 0) == 0;
}
} // namespace

class TestMediaRig : public QObject
{
    Q_OBJECT
private slots:
    void publishedStreamIsReceivedAsPublished();
    void stopEndsEveryProcess();
};

void TestMediaRig::publishedStreamIsReceivedAsPublished()
{
    RtmpServer server;
    QVERIFY2(server.start(), qPrintable(server.errorLog()));
    FfmpegPublisher::Options options;
    options.width = 318;
    options.height = 180;
    options.frameRate = 20;
    options.sampleRate = 32000;
    options.channels = 2;
    FfmpegPublisher publisher(options);
    QVERIFY2(publisher.start(server.url("rig")), qPrintable(publisher.errorOutput()));

    FfmpegReceiver receiver;
    QVERIFY(receiver.start(server.url("rig"), 2.5));
    QVERIFY(receiver.waitForFinished(15000));
    const FfmpegReceiver::ProbeResult probe = FfmpegReceiver::probe(receiver.filePath(), true);
    QVERIFY2(probe.ok, qPrintable(probe.error + receiver.errorOutput()));
    const FfmpegReceiver::StreamInfo *video = probe.stream("video");
    const FfmpegReceiver::StreamInfo *audio = probe.stream("audio");
    QVERIFY(video && audio);
    QCOMPARE(video->codec, QString("h264"));
    QCOMPARE(video->width, 318);
    QCOMPARE(video->height, 180);
    QCOMPARE(audio->codec, QString("aac"));
    QCOMPARE(audio->sampleRate, 32000);
    QCOMPARE(audio->channels, 2);

    // Keyframes about a second apart.
    QList<double> keys;
    for (const FfmpegReceiver::PacketInfo &packet : probe.packetsOf(video->index)) {
        if (packet.key)
            keys << packet.pts;
    }
    QVERIFY2(keys.size() >= 2, qPrintable(QString::number(keys.size())));
    for (int i = 1; i < keys.size(); ++i)
        QVERIFY(qAbs(keys[i] - keys[i - 1] - 1.0) < 0.1);
}

void TestMediaRig::stopEndsEveryProcess()
{
    qint64 serverPid = 0;
    qint64 publisherPid = 0;
    {
        RtmpServer server;
        QVERIFY(server.start());
        FfmpegPublisher::Options options;
        options.video = false;
        FfmpegPublisher publisher(options);
        QVERIFY(publisher.start(server.url("gone")));
        serverPid = server.process()->pid();
        publisherPid = publisher.pid();
        // A frozen publisher is stopped all the same.
        QVERIFY(publisher.pause());
        QVERIFY(processExists(serverPid));
        QVERIFY(processExists(publisherPid));
    }
    QVERIFY(!processExists(serverPid));
    QVERIFY(!processExists(publisherPid));
}

QTEST_GUILESS_MAIN(TestMediaRig)
#include "tst_mediarig.moc"
