#include "platform/vlcplayer/vlcplayer.h"
#include "platform/vlcplayer/vlcvideowidget.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {
// Generous: the machine may be busy, and a hang takes for ever anyway.
constexpr int waitMs = 20000;

bool makeClip(const QString &path, const QString &picture, const QString &size, double seconds)
{
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg",
        { "-v", "error", "-y", "-f", "lavfi", "-i", QString("%1:size=%2:rate=25").arg(picture, size), "-f", "lavfi",
            "-i", "sine=frequency=440:sample_rate=44100", "-t", QString::number(seconds), "-c:v", "libx264", "-preset",
            "ultrafast", "-g", "25", "-pix_fmt", "yuv420p", "-c:a", "aac", "-shortest", path });
    return ffmpeg.waitForFinished(60000) && ffmpeg.exitStatus() == QProcess::NormalExit && ffmpeg.exitCode() == 0;
}

QList<VlcPlayer::State> statesOf(const QSignalSpy &spy)
{
    QList<VlcPlayer::State> states;
    for (const QList<QVariant> &arguments : spy)
        states.append(arguments.first().value<VlcPlayer::State>());
    return states;
}

bool isRed(QRgb pixel)
{
    return qRed(pixel) > 200 && qGreen(pixel) < 60 && qBlue(pixel) < 60;
}
} // namespace

class TestVlcPlayer : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();

    void playsToTheEnd();
    void picturesKeepTheirColoursAndShape();
    void pauseHoldsThePicture();
    void seekMovesThePosition();
    void playAfterTheEndStartsAgain();
    void stopEndsTheReports();
    void unplayableMediaGiveAnError_data();
    void unplayableMediaGiveAnError();
    void failedStartReportsOnPlay();
    void volumeIsKeptInRange();
    void playersComeAndGoWhilePlaying();

private:
    QTemporaryDir m_dir;
    QString m_clip;
    QString m_red;
};

void TestVlcPlayer::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_clip = m_dir.filePath("clip.mp4");
    m_red = m_dir.filePath("red.mp4");
    QVERIFY(makeClip(m_clip, "testsrc2=duration=60", "320x240", 2));
    QVERIFY(makeClip(m_red, "color=c=red", "160x120", 2));
}

void TestVlcPlayer::cleanup()
{
    VlcPlayer::setStartFailureForTests(false);
}

void TestVlcPlayer::playsToTheEnd()
{
    VlcPlayer player;
    QVERIFY(player.isValid());
    QCOMPARE(player.state(), VlcPlayer::NoMedia);
    QSignalSpy states(&player, &VlcPlayer::stateChanged);
    QSignalSpy positions(&player, &VlcPlayer::positionChanged);
    QSignalSpy lengths(&player, &VlcPlayer::lengthChanged);
    QSignalSpy images(&player, &VlcPlayer::imageChanged);
    QVERIFY(player.play(m_clip));
    QTRY_COMPARE_WITH_TIMEOUT(player.state(), VlcPlayer::Ended, waitMs);
    QCOMPARE(statesOf(states),
        QList<VlcPlayer::State>({ VlcPlayer::Loading, VlcPlayer::Loaded, VlcPlayer::Playing, VlcPlayer::Ended }));
    QVERIFY(!images.isEmpty());
    QCOMPARE(player.currentImage().size(), QSize(320, 240));
    // A 2 s clip at 25 pictures a second; a busy machine may drop late ones or show one again.
    QVERIFY2(player.imageCount() >= 5 && player.imageCount() <= 100, qPrintable(QString::number(player.imageCount())));
    QVERIFY(!lengths.isEmpty());
    QVERIFY(qAbs(lengths.last().first().toLongLong() - 2000) <= 100);
    QVERIFY(positions.size() >= 2);
    qint64 previous = -1;
    for (const QList<QVariant> &arguments : positions) {
        QVERIFY(arguments.first().toLongLong() >= previous);
        previous = arguments.first().toLongLong();
    }
    QVERIFY(previous >= 1000);
}

void TestVlcPlayer::picturesKeepTheirColoursAndShape()
{
    VlcPlayer player;
    VlcVideoWidget view(&player);
    view.resize(400, 100);
    view.show();
    QVERIFY(player.play(m_red));
    QTRY_VERIFY_WITH_TIMEOUT(!player.currentImage().isNull(), waitMs);
    const QImage picture = player.currentImage();
    QCOMPARE(picture.size(), QSize(160, 120));
    // Red to the edges: neither padding nor stretching.
    QVERIFY(isRed(picture.pixel(80, 60)));
    QVERIFY(isRed(picture.pixel(0, 0)));
    QVERIFY(isRed(picture.pixel(159, 119)));
    QTRY_VERIFY_WITH_TIMEOUT(view.paintedCount() > 0, waitMs);
    // The 4:3 picture keeps its shape in a wide widget: 133 x 100 in the middle, black beside it.
    const QImage shown = view.grab().toImage();
    QVERIFY(isRed(shown.pixel(200, 50)));
    QVERIFY(isRed(shown.pixel(140, 50)));
    QCOMPARE(QColor(shown.pixel(10, 50)), QColor(Qt::black));
    QCOMPARE(QColor(shown.pixel(390, 50)), QColor(Qt::black));
}

void TestVlcPlayer::pauseHoldsThePicture()
{
    VlcPlayer player;
    QVERIFY(player.play(m_clip));
    QTRY_COMPARE_WITH_TIMEOUT(player.state(), VlcPlayer::Playing, waitMs);
    QTRY_VERIFY_WITH_TIMEOUT(player.imageCount() > 0, waitMs);
    player.setPaused(true);
    QTRY_COMPARE_WITH_TIMEOUT(player.state(), VlcPlayer::Paused, waitMs);
    QTest::qWait(200); // what was under way when the pause came
    const QImage picture = player.currentImage();
    const quint64 images = player.imageCount();
    const qint64 position = player.position();
    QSignalSpy positions(&player, &VlcPlayer::positionChanged);
    QTest::qWait(500);
    // libVLC may show the paused picture again; it is the same one.
    QCOMPARE(player.currentImage(), picture);
    QCOMPARE(player.position(), position);
    QVERIFY(positions.isEmpty());
    QVERIFY(player.play());
    QTRY_COMPARE_WITH_TIMEOUT(player.state(), VlcPlayer::Playing, waitMs);
    QTRY_VERIFY_WITH_TIMEOUT(player.imageCount() > images, waitMs);
    QTRY_COMPARE_WITH_TIMEOUT(player.state(), VlcPlayer::Ended, waitMs);
}

void TestVlcPlayer::seekMovesThePosition()
{
    VlcPlayer player;
    QVERIFY(!player.seek(500)); // nothing plays
    QSignalSpy finished(&player, &VlcPlayer::seekFinished);
    player.setPaused(true); // nothing to pause: stays without media
    QCOMPARE(player.state(), VlcPlayer::NoMedia);
    QVERIFY(player.play(m_clip));
    QTRY_COMPARE_WITH_TIMEOUT(player.state(), VlcPlayer::Playing, waitMs);
    QTRY_VERIFY_WITH_TIMEOUT(player.isSeekable() && player.length() > 0, waitMs);
    QVERIFY(player.seek(1500));
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, waitMs);
    QVERIFY2(finished.first().first().toLongLong() >= 1400, qPrintable(finished.first().first().toString()));
    QTRY_COMPARE_WITH_TIMEOUT(player.state(), VlcPlayer::Ended, waitMs);
}

void TestVlcPlayer::playAfterTheEndStartsAgain()
{
    VlcPlayer player;
    QVERIFY(player.play(m_clip));
    QTRY_COMPARE_WITH_TIMEOUT(player.state(), VlcPlayer::Ended, waitMs);
    QSignalSpy states(&player, &VlcPlayer::stateChanged);
    QSignalSpy positions(&player, &VlcPlayer::positionChanged);
    QVERIFY(player.play());
    QTRY_COMPARE_WITH_TIMEOUT(player.state(), VlcPlayer::Playing, waitMs);
    QCOMPARE(statesOf(states), QList<VlcPlayer::State>({ VlcPlayer::Loading, VlcPlayer::Loaded, VlcPlayer::Playing }));
    QTRY_VERIFY_WITH_TIMEOUT(!positions.isEmpty(), waitMs);
    QVERIFY(positions.first().first().toLongLong() < 1000);
    QTRY_COMPARE_WITH_TIMEOUT(player.state(), VlcPlayer::Ended, waitMs);
}

void TestVlcPlayer::stopEndsTheReports()
{
    VlcPlayer player;
    QVERIFY(player.play(m_clip));
    QTRY_VERIFY_WITH_TIMEOUT(player.imageCount() > 0, waitMs);
    QSignalSpy states(&player, &VlcPlayer::stateChanged);
    player.stop();
    QCOMPARE(player.state(), VlcPlayer::Stopped);
    QSignalSpy positions(&player, &VlcPlayer::positionChanged);
    const quint64 images = player.imageCount();
    QTest::qWait(500);
    QVERIFY(positions.isEmpty());
    QCOMPARE(player.imageCount(), images);
    QCOMPARE(statesOf(states), QList<VlcPlayer::State>({ VlcPlayer::Stopped }));
    QCOMPARE(player.position(), 0);
}

void TestVlcPlayer::unplayableMediaGiveAnError_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("not a media file") << QByteArray("this is no video at all\n").repeated(200);
    QTest::newRow("a cut video") << QByteArray();
    QTest::newRow("missing") << QByteArray("-");
}

void TestVlcPlayer::unplayableMediaGiveAnError()
{
    QFETCH(QByteArray, content);
    QString path = m_dir.filePath("broken.mp4");
    if (content == "-") {
        path = m_dir.filePath("no-such-file.mp4");
    } else {
        if (content.isEmpty()) {
            QFile clip(m_clip);
            QVERIFY(clip.open(QIODevice::ReadOnly));
            content = clip.read(clip.size() / 3);
            // Without its header a cut file is noise.
            content = content.mid(4096);
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }
    VlcPlayer player;
    QSignalSpy errors(&player, &VlcPlayer::errorOccurred);
    QVERIFY(player.play(path));
    QTRY_COMPARE_WITH_TIMEOUT(errors.size(), 1, waitMs);
    QCOMPARE(player.state(), VlcPlayer::Error);
    QVERIFY(player.errorString().contains(path));
    QCOMPARE(player.imageCount(), 0);
    // The player is fine for the next media.
    QVERIFY(player.play(m_clip));
    QTRY_COMPARE_WITH_TIMEOUT(player.state(), VlcPlayer::Playing, waitMs);
}

void TestVlcPlayer::failedStartReportsOnPlay()
{
    VlcPlayer::setStartFailureForTests(true);
    VlcPlayer player;
    QVERIFY(!player.isValid());
    QSignalSpy errors(&player, &VlcPlayer::errorOccurred);
    QVERIFY(!player.play(m_clip));
    QCOMPARE(errors.size(), 1);
    QCOMPARE(player.state(), VlcPlayer::Error);
    QVERIFY(!player.seek(0));
    player.setPaused(true);
    player.stop();
    QCOMPARE(player.position(), 0);
    VlcPlayer::setStartFailureForTests(false);
    VlcPlayer working;
    QVERIFY(working.isValid());
}

void TestVlcPlayer::volumeIsKeptInRange()
{
    VlcPlayer player;
    player.setVolume(0.5);
    QCOMPARE(player.volume(), 0.5);
    player.setVolume(4.0);
    QCOMPARE(player.volume(), 2.0);
    player.setVolume(-1);
    QCOMPARE(player.volume(), 0.0);
}

void TestVlcPlayer::playersComeAndGoWhilePlaying()
{
    auto *first = new VlcPlayer;
    VlcPlayer second;
    QVERIFY(first->play(m_clip));
    QVERIFY(second.play(m_red));
    QTRY_VERIFY_WITH_TIMEOUT(first->imageCount() > 0 && second.imageCount() > 0, waitMs);
    // Reports of the first that are still queued go with it.
    delete first;
    const quint64 images = second.imageCount();
    QTRY_VERIFY_WITH_TIMEOUT(second.imageCount() > images, waitMs);
    QTRY_COMPARE_WITH_TIMEOUT(second.state(), VlcPlayer::Ended, waitMs);
}

QTEST_MAIN(TestVlcPlayer)
#include "tst_vlcplayer.moc"
