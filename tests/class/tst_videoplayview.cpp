// The recorded-lesson player offscreen, over real clips made with ffmpeg and played by libVLC: the play list from
// the getVideoUrl reply, closing, the play button at the end, the volume's one-step rule, seeking by a click beside
// the handle and by the step buttons, and a media that cannot be opened.
#include "tests/support/fakehttpserver.h"
#include "tests/support/mediaclip.h"
#include "tests/support/messageboxcloser.h"
#include "vrek/class/mediabutton.h"
#include "vrek/class/mediaslider.h"
#include "vrek/class/videoplayview.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QStyle>
#include <QTemporaryDir>
#include <QtTest>

#include "platform/vlcplayer/vlcvideowidget.h"

namespace {
// Generous: the machine may be busy.
constexpr int waitMs = 20000;

QByteArray videoReply(const QJsonArray &videos, const QString &loginStatus = "0")
{
    return QJsonDocument(
        QJsonObject { { "loginStatus", loginStatus }, { "requestStatus", "success" }, { "requestBody", videos } })
        .toJson(QJsonDocument::Compact);
}

QJsonObject video(const QString &playId, const QString &title, const QString &url)
{
    return QJsonObject { { "playId", playId }, { "title", title }, { "videoUrl", url } };
}

QList<MediaButton *> entries(const VideoPlayView &view)
{
    QList<MediaButton *> buttons;
    for (int i = 0; i < view.playListLayout()->count(); ++i) {
        if (auto *button = qobject_cast<MediaButton *>(view.playListLayout()->itemAt(i)->widget()))
            buttons.append(button);
    }
    return buttons;
}
} // namespace

class TestVideoPlayView : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();

    void form();
    void timeText_data();
    void timeText();
    void listFromTheReply();
    void unreadableOrExpiredReply();
    void closeEmptiesTheList();
    void playsToTheEnd();
    void playAfterTheEndRestarts();
    void pauseAndResume();
    void oneVolumeStepChangesOnlyTheToolTip();
    void clickBesideTheHandleSeeks();
    void stepButtons();
    void brokenFile();
    void restoreOrMaximise();

private:
    // Plays the long clip until it can be sought in.
    void playLong(VideoPlayView &view);

    QTemporaryDir m_dir;
    QString m_clip;
    QString m_long;
    QString m_broken;
    FakeHttpServer m_server;
};

void TestVideoPlayView::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_clip = m_dir.filePath("clip.mp4");
    m_long = m_dir.filePath("long.mp4");
    m_broken = m_dir.filePath("broken.mp4");
    QVERIFY(MediaClip().make(m_clip));
    MediaClip longClip;
    longClip.seconds = 30;
    longClip.size = "160x120";
    QVERIFY(longClip.make(m_long));
    QFile broken(m_broken);
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write(QByteArray(4096, '\x5a'));
    broken.close();

    // The addresses of a reply are served over HTTP with ranges, as the school's service does.
    QFile clip(m_clip);
    QVERIFY(clip.open(QIODevice::ReadOnly));
    FakeHttpServer::Reply served;
    served.body = clip.readAll();
    served.contentType = "video/mp4";
    served.ranges = true;
    QVERIFY(m_server.listen());
    m_server.setReply("/video/clip.mp4", served);
}

void TestVideoPlayView::form()
{
    VideoPlayView view;
    QCOMPARE(view.objectName(), QString("VideoPlayView"));
    QCOMPARE(view.size(), QSize(600, 480));
    QVERIFY(view.findChild<QWidget *>("toolBox")->isHidden());
    QVERIFY(!view.findChild<QPushButton *>("displayBtn")->isEnabled());
    QCOMPARE(view.findChild<QPushButton *>("displayBtn")->toolTip(), QString("播放/暂停"));
    QCOMPARE(view.volumeSlider()->value(), 25);
    QCOMPARE(view.volumeSlider()->maximum(), 100);
    QCOMPARE(view.volumeSlider()->width(), 100);
    QVERIFY(view.playButton()->isCheckable());
    QVERIFY(!view.playButton()->isChecked());
    QCOMPARE(view.currentTimeLabel()->text(), QString("00:00:00"));
    QCOMPARE(view.lengthLabel()->text(), QString("00:00:00"));
    QCOMPARE(view.findChild<QWidget *>("timeWidget")->height(), 28);
    QVERIFY(view.progressSlider()->hasMouseTracking());
    QCOMPARE(view.renderer()->parentWidget(), view.findChild<QWidget *>("videoArea"));
    QVERIFY(view.player()->isValid());
}

void TestVideoPlayView::timeText_data()
{
    QTest::addColumn<qint64>("ms");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << qint64(0) << "00:00:00";
    QTest::newRow("2 s") << qint64(2040) << "00:00:02";
    QTest::newRow("an hour and more") << qint64(3661000) << "01:01:01";
    QTest::newRow("beyond a day") << qint64(25 * 3600 * 1000) << "01:00:00";
}

void TestVideoPlayView::timeText()
{
    QFETCH(qint64, ms);
    QFETCH(QString, text);
    QCOMPARE(VideoPlayView::timeText(ms), text);
}

void TestVideoPlayView::listFromTheReply()
{
    VideoPlayView view;
    view.show();
    QSignalSpy added(&view, &VideoPlayView::signalAddList);
    const QString address = m_server.baseUrl() + "/video/clip.mp4";
    QJsonObject untitled = video("p0", "", m_long);
    untitled.remove("title");
    view.slotGetVideoLists(videoReply(
        { untitled, video("p1", "第一段", address), video("p2", "第二段", m_long), video("p3", "第三段", m_clip) }));

    const QList<MediaButton *> buttons = entries(view);
    QCOMPARE(buttons.size(), 3);
    QCOMPARE(buttons.at(0)->text(), QString("第一段"));
    QCOMPARE(buttons.at(0)->address(), address);
    QCOMPARE(buttons.at(2)->text(), QString("第三段"));
    QCOMPARE(added.count(), 3);
    QCOMPARE(added.first(), QList<QVariant>({ "p1", "第一段", address }));
    // The first valid entry plays at once, from the server.
    QCOMPARE(view.url(), address);
    QTRY_COMPARE_WITH_TIMEOUT(view.player()->state(), VlcPlayer::Playing, waitMs);
    QVERIFY(view.playButton()->isChecked());
    QTRY_VERIFY_WITH_TIMEOUT(view.player()->imageCount() > 0, waitMs);
    QVERIFY(m_server.requestCount("/video/clip.mp4") >= 1);

    // Another entry plays its own address.
    QTest::mouseClick(buttons.at(2), Qt::LeftButton);
    QCOMPARE(view.url(), m_clip);
    QTRY_COMPARE_WITH_TIMEOUT(view.player()->location(), m_clip, waitMs);
}

void TestVideoPlayView::unreadableOrExpiredReply()
{
    VideoPlayView view;
    QSignalSpy reLogin(&view, &VideoPlayView::signalReLoginOut);
    view.slotGetVideoLists("<html>busy</html>");
    view.slotGetVideoLists(QString::fromUtf8(videoReply({ video("p1", "第一段", m_clip) }, "2")));
    QCOMPARE(reLogin.count(), 1);
    QVERIFY(entries(view).isEmpty());
    QCOMPARE(view.player()->state(), VlcPlayer::NoMedia);
}

void TestVideoPlayView::closeEmptiesTheList()
{
    VideoPlayView view;
    view.show();
    view.slotGetVideoLists(videoReply({ video("p1", "一", m_long), video("p2", "二", m_clip) }));
    QCOMPARE(entries(view).size(), 2);
    QTRY_COMPARE_WITH_TIMEOUT(view.player()->state(), VlcPlayer::Playing, waitMs);
    QSignalSpy closed(&view, &VideoPlayView::signalClose);
    view.close();
    QCOMPARE(closed.count(), 1);
    QCOMPARE(view.playListLayout()->count(), 0);
    QCOMPARE(view.player()->state(), VlcPlayer::Stopped);
    QVERIFY(!view.playButton()->isChecked());

    view.show();
    view.slotGetVideoLists(videoReply({ video("p3", "三", m_clip) }));
    QCOMPARE(entries(view).size(), 1);
    QCOMPARE(entries(view).first()->text(), QString("三"));
}

void TestVideoPlayView::playsToTheEnd()
{
    VideoPlayView view;
    view.show();
    QSignalSpy positions(view.player(), &VlcPlayer::positionChanged);
    view.onOpenFile(m_clip);
    QTRY_COMPARE_WITH_TIMEOUT(view.player()->state(), VlcPlayer::Playing, waitMs);
    QVERIFY(view.playButton()->isChecked());
    QTRY_VERIFY_WITH_TIMEOUT(view.progressSlider()->maximum() > 1500, waitMs);
    QVERIFY(view.progressSlider()->maximum() <= 2100);
    QCOMPARE(view.progressSlider()->minimum(), 0);
    QCOMPARE(view.lengthLabel()->text(), QString("00:00:02"));
    QTRY_VERIFY_WITH_TIMEOUT(view.progressSlider()->isEnabled(), waitMs);
    QTRY_VERIFY_WITH_TIMEOUT(view.renderer()->paintedCount() > 0, waitMs);

    QTRY_VERIFY_WITH_TIMEOUT(view.isEnded(), waitMs);
    QVERIFY(positions.count() >= 2);
    // The time stays at the end, and the button offers to play again.
    QVERIFY(!view.playButton()->isChecked());
    QCOMPARE(view.currentTimeLabel()->text(), QString("00:00:02"));
    QCOMPARE(view.lengthLabel()->text(), QString("00:00:02"));
    QCOMPARE(view.progressSlider()->value(), view.progressSlider()->maximum());
    QVERIFY(view.progressSlider()->maximum() > 1500);
    QCOMPARE(view.player()->state(), VlcPlayer::Ended);
}

void TestVideoPlayView::playAfterTheEndRestarts()
{
    VideoPlayView view;
    view.show();
    view.onOpenFile(m_clip);
    QTRY_VERIFY_WITH_TIMEOUT(view.isEnded(), waitMs);
    QSignalSpy positions(view.player(), &VlcPlayer::positionChanged);
    QTest::mouseClick(view.playButton(), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(view.player()->state(), VlcPlayer::Playing, waitMs);
    QVERIFY(!view.isEnded());
    QVERIFY(view.playButton()->isChecked());
    QTRY_VERIFY_WITH_TIMEOUT(!positions.isEmpty(), waitMs);
    // From the start again, and on to the end.
    QVERIFY(positions.first().first().toLongLong() < 1500);
    QTRY_VERIFY_WITH_TIMEOUT(view.isEnded(), waitMs);
}

void TestVideoPlayView::playLong(VideoPlayView &view)
{
    view.resize(600, 480);
    view.show();
    view.onOpenFile(m_long);
    QTRY_COMPARE_WITH_TIMEOUT(view.player()->state(), VlcPlayer::Playing, waitMs);
    QTRY_VERIFY_WITH_TIMEOUT(view.progressSlider()->isEnabled() && view.progressSlider()->maximum() > 20000, waitMs);
}

void TestVideoPlayView::pauseAndResume()
{
    VideoPlayView view;
    playLong(view);
    QTest::mouseClick(view.playButton(), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(view.player()->state(), VlcPlayer::Paused, waitMs);
    QVERIFY(!view.playButton()->isChecked());
    QVERIFY(!view.playButton()->icon().isNull());
    QTest::mouseClick(view.playButton(), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(view.player()->state(), VlcPlayer::Playing, waitMs);
    QVERIFY(view.playButton()->isChecked());
    QVERIFY(!view.isEnded());
}

void TestVideoPlayView::oneVolumeStepChangesOnlyTheToolTip()
{
    VideoPlayView view;
    view.show();
    view.onOpenFile(m_clip);
    QTRY_COMPARE_WITH_TIMEOUT(view.player()->state(), VlcPlayer::Playing, waitMs);
    QCOMPARE(view.volumeSlider()->toolTip(), QString("1"));
    QCOMPARE(view.player()->volume(), 1.0);
    view.volumeSlider()->setValue(26);
    QCOMPARE(view.volumeSlider()->toolTip(), QString("1.04"));
    QCOMPARE(view.player()->volume(), 1.0);
    view.volumeSlider()->setValue(27);
    QCOMPARE(view.volumeSlider()->toolTip(), QString("1.08"));
    QCOMPARE(view.player()->volume(), 1.08);
    view.volumeSlider()->setValue(12);
    QCOMPARE(view.player()->volume(), 0.48);
}

void TestVideoPlayView::clickBesideTheHandleSeeks()
{
    VideoPlayView view;
    playLong(view);
    MediaSlider *slider = view.progressSlider();
    QVERIFY(slider->value() < slider->maximum() / 4);
    QSignalSpy moved(slider, &QSlider::sliderMoved);
    QSignalSpy finished(view.player(), &VlcPlayer::seekFinished);
    const int maximum = slider->maximum();
    QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(slider->width() * 3 / 4, slider->height() / 2));
    QCOMPARE(moved.count(), 1);
    const int value = moved.first().first().toInt();
    QVERIFY2(qAbs(value - maximum * 3 / 4) < maximum / 20, qPrintable(QString("%1 of %2").arg(value).arg(maximum)));
    QCOMPARE(slider->value(), value);
    QTRY_VERIFY_WITH_TIMEOUT(!finished.isEmpty(), waitMs);
    QVERIFY(qAbs(finished.last().first().toLongLong() - value) < 1500);

    // A press on the handle itself is the slider's own: it starts a drag and moves nothing.
    moved.clear();
    const int handleX = QStyle::sliderPositionFromValue(slider->minimum(), slider->maximum(), value, slider->width());
    QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(qBound(4, handleX, slider->width() - 4), 2));
    QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(qBound(4, handleX, slider->width() - 4), 2));
    QCOMPARE(moved.count(), 0);
}

void TestVideoPlayView::stepButtons()
{
    VideoPlayView view;
    playLong(view);
    QSignalSpy finished(view.player(), &VlcPlayer::seekFinished);
    // The right button ("rightadd") steps forward, the left one back.
    QTest::mouseClick(view.findChild<QPushButton *>("backwardBtn"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!finished.isEmpty(), waitMs);
    const qint64 forward = finished.last().first().toLongLong();
    QVERIFY2(forward >= VlcPlayer::seekStepMs - 1000, qPrintable(QString::number(forward)));
    finished.clear();
    QTest::mouseClick(view.findChild<QPushButton *>("forwardBtn"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!finished.isEmpty(), waitMs);
    QVERIFY(finished.last().first().toLongLong() < forward);
}

void TestVideoPlayView::brokenFile()
{
    VideoPlayView view;
    view.show();
    MessageBoxCloser closer;
    view.onOpenFile(m_broken);
    QTRY_COMPARE_WITH_TIMEOUT(closer.titledTexts, QStringList { "错误提示|打开媒体失败！" }, waitMs);
    QCOMPARE(view.player()->state(), VlcPlayer::Stopped);
    QVERIFY(!view.playButton()->isChecked());
    QVERIFY(!view.progressSlider()->isEnabled());
}

void TestVideoPlayView::restoreOrMaximise()
{
    VideoPlayView view;
    QLayout *toolLayout = view.findChild<QWidget *>("toolWidget")->layout();
    view.slotRestoreOrMaxsize(true);
    QCOMPARE(toolLayout->itemAt(0)->spacerItem()->sizePolicy().horizontalPolicy(), QSizePolicy::Preferred);
    QCOMPARE(toolLayout->itemAt(0)->sizeHint(), QSize(20, 20));
    QCOMPARE(toolLayout->itemAt(1)->alignment(), Qt::AlignCenter);
    view.slotRestoreOrMaxsize(false);
    QCOMPARE(toolLayout->itemAt(0)->spacerItem()->sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);
}

QTEST_MAIN(TestVideoPlayView)
#include "tst_videoplayview.moc"
