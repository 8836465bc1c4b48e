#include "tests/support/messagecollector.h"
#include "vrek/container/userinfohash.h"
#include "vrek/media/panels/defaultview.h"
#include "vrek/media/panels/videoview2.h"
#include "vrek/media/panels/videoview3.h"
#include "vrek/media/panels/videoview4.h"
#include "vrek/media/panels/videoviewone.h"
#include "vrek/utils/globalvalue.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

namespace {
QImage filled(const QColor &colour, const QSize &size = QSize(64, 48))
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

QColor centreOf(const QLabel *label)
{
    const QImage image = label->pixmap(Qt::ReturnByValue).toImage();
    return image.isNull() ? QColor() : image.pixelColor(image.width() / 2, image.height() / 2);
}

QImage noCamera(const QSize &size)
{
    return QImage(VideoView3::noCameraPath).scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

void addUser(const QString &id, const QString &name)
{
    UserInfo user;
    user.setUserId(id);
    user.setUserName(name);
    g_userInfoHash.updateUserInfo(user);
}
} // namespace

// The meeting's picture-in-picture view, its strip and the strip's tiles, offscreen.
class TestMeetingViews : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void viewStartsOnTheNoCameraPicture();
    void mainAndSubByUserId();
    void newMainUserResetsTheWholeView();
    void secondSubKeepsTheFirst();
    void framesOfUsersNotHeld_data();
    void framesOfUsersNotHeld();
    void overlayClickSwaps_data();
    void overlayClickSwaps();
    void subEndsWhileSwapped();
    void namePixelSizes_data();
    void namePixelSizes();

    void tileShowsFramesOnlyWhileShowing();
    void tileClickAndSound();

    void stripFillsThreeTilesAndRefusesAFourth();
    void handedOverTileKeepsItsIndex();
    void stripChangesThatAreRefused();
    void defaultPicturesAndStart();
    void audioButtonsStayHidden();
    void fourTileStripKeepsTheFirstForTheOwnUser();

private:
    VideoView3 *makeView(QWidget *host) const;
};

void TestMeetingViews::initTestCase()
{
    QVERIFY2(!QImage(VideoView3::noCameraPath).isNull(), "the no-camera picture is compiled in");
    QVERIFY(!QImage(VideoView4::defaultPicturePath).isNull());
}

void TestMeetingViews::init()
{
    g_userId = "me";
    g_userInfoHash.clear();
    addUser("A", "Anna");
    addUser("B", "Bo");
}

VideoView3 *TestMeetingViews::makeView(QWidget *host) const
{
    auto *view = new VideoView3(host);
    view->resize(436, 304);
    view->setDefaultImage();
    return view;
}

void TestMeetingViews::viewStartsOnTheNoCameraPicture()
{
    QWidget host;
    VideoView3 *view = makeView(&host);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    QCOMPARE(view->bigLabel()->pixmap(Qt::ReturnByValue).toImage(),
        noCamera(view->size()).convertToFormat(view->bigLabel()->pixmap(Qt::ReturnByValue).toImage().format()));
    QVERIFY(view->smallLabel()->isHidden());
    // A resize without a main user draws the idle picture at the new size.
    view->resize(300, 200);
    QTRY_COMPARE(view->bigLabel()->pixmap(Qt::ReturnByValue).size(), QSize(300, 200));
}

void TestMeetingViews::mainAndSubByUserId()
{
    QWidget host;
    VideoView3 *view = makeView(&host);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    view->showVideoChangeIn(QString(), "A", true);
    view->showVideoChangeIn(QString(), "B", false);
    QCOMPARE(view->mainUserId(), QString("A"));
    QCOMPARE(view->subUserId(), QString("B"));
    QCOMPARE(view->subUserName(), QString("Bo"));
    QVERIFY(view->containsUserId("A") && view->containsUserId("B") && !view->containsUserId("C"));
    QVERIFY(!view->smallLabel()->isHidden());
    QCOMPARE(view->smallLabel()->pixmap(Qt::ReturnByValue).size(), QSize(145, 101));

    view->showVideoImageIn("A", filled(Qt::red));
    view->showVideoImageIn("B", filled(Qt::blue, QSize(200, 150)));
    QCOMPARE(centreOf(view->bigLabel()), QColor(Qt::red));
    QCOMPARE(centreOf(view->smallLabel()), QColor(Qt::blue));
    // The name goes on the sub picture, top left: some pixels there are no longer blue.
    const QImage small = view->smallLabel()->pixmap(Qt::ReturnByValue).toImage();
    bool painted = false;
    for (int y = 0; y < small.height() / 3 && !painted; ++y) {
        for (int x = 0; x < small.width() / 2 && !painted; ++x)
            painted = small.pixelColor(x, y) != QColor(Qt::blue);
    }
    QVERIFY(painted);

    // The sub user leaves: the overlay hides, the main picture stays.
    view->showVideoChangeIn("B", QString(), false);
    QVERIFY(view->smallLabel()->isHidden());
    QCOMPARE(view->mainUserId(), QString("A"));
    // The main user leaves: the view is idle again.
    view->showVideoChangeIn("A", QString(), true);
    QVERIFY(view->mainUserId().isEmpty());
}

void TestMeetingViews::newMainUserResetsTheWholeView()
{
    QWidget host;
    VideoView3 *view = makeView(&host);
    view->showVideoChangeIn(QString(), "A", true);
    view->showVideoChangeIn(QString(), "B", false);
    view->showFlipVideoImage();
    QVERIFY(view->isFlipped());
    view->showVideoChangeIn("A", "C", true);
    QCOMPARE(view->mainUserId(), QString("C"));
    QVERIFY(view->subUserId().isEmpty());
    QVERIFY(!view->isFlipped());
    QVERIFY(view->smallLabel()->isHidden());
}

void TestMeetingViews::secondSubKeepsTheFirst()
{
    QWidget host;
    VideoView3 *view = makeView(&host);
    view->showVideoChangeIn(QString(), "A", true);
    view->showVideoChangeIn(QString(), "B", false);
    MessageCollector messages;
    view->showVideoChangeIn(QString(), "C", false);
    QCOMPARE(messages.count("showSubUserId:"), 1);
    QCOMPARE(view->subUserId(), QString("B"));
    // A second main user is refused the same way.
    view->showVideoChangeIn(QString(), "C", true);
    QCOMPARE(messages.count("VideoView3::setShowMainImage showMainUserId:"), 1);
    QCOMPARE(view->mainUserId(), QString("A"));
}

void TestMeetingViews::framesOfUsersNotHeld_data()
{
    QTest::addColumn<QString>("userId");
    QTest::addColumn<int>("warnings");
    QTest::newRow("own preview") << "me" << 0;
    QTest::newRow("someone else") << "C" << 1;
    QTest::newRow("nobody") << QString() << 1;
}

void TestMeetingViews::framesOfUsersNotHeld()
{
    QFETCH(QString, userId);
    QFETCH(int, warnings);
    QWidget host;
    VideoView3 *view = makeView(&host);
    view->showVideoChangeIn(QString(), "A", true);
    const QImage before = view->bigLabel()->pixmap(Qt::ReturnByValue).toImage();
    MessageCollector messages;
    view->showVideoImageIn(userId, filled(Qt::green));
    QCOMPARE(messages.count("showMainUserId:"), warnings);
    QCOMPARE(view->bigLabel()->pixmap(Qt::ReturnByValue).toImage(), before);
}

void TestMeetingViews::overlayClickSwaps_data()
{
    QTest::addColumn<QPoint>("press");
    QTest::addColumn<QPoint>("release");
    QTest::addColumn<bool>("drag");
    QTest::addColumn<bool>("withSub");
    QTest::addColumn<bool>("swapped");
    // Two thirds of 436 x 304 are 291 and 203; the overlay is strictly beyond.
    QTest::newRow("inside") << QPoint(400, 280) << QPoint(400, 280) << false << true << true;
    QTest::newRow("on the edge") << QPoint(291, 203) << QPoint(291, 203) << false << true << false;
    QTest::newRow("released outside") << QPoint(400, 280) << QPoint(100, 100) << false << true << false;
    QTest::newRow("dragged") << QPoint(400, 280) << QPoint(400, 280) << true << true << false;
    QTest::newRow("no sub") << QPoint(400, 280) << QPoint(400, 280) << false << false << false;
}

void TestMeetingViews::overlayClickSwaps()
{
    QFETCH(QPoint, press);
    QFETCH(QPoint, release);
    QFETCH(bool, drag);
    QFETCH(bool, withSub);
    QFETCH(bool, swapped);
    QWidget host;
    VideoView3 *view = makeView(&host);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    view->showVideoChangeIn(QString(), "A", true);
    if (withSub)
        view->showVideoChangeIn(QString(), "B", false);
    view->showVideoImageIn("A", filled(Qt::red));
    view->showVideoImageIn("B", filled(Qt::blue));

    QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, press);
    if (drag) {
        QMouseEvent move(QEvent::MouseMove, QPointF(release), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view, &move);
    }
    QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, release);
    QCOMPARE(view->isFlipped(), swapped);
    if (swapped) {
        QCOMPARE(centreOf(view->bigLabel()), QColor(Qt::blue));
        QCOMPARE(centreOf(view->smallLabel()), QColor(Qt::red));
        // A main frame now goes to the overlay.
        view->showVideoImageIn("A", filled(Qt::yellow));
        QCOMPARE(centreOf(view->smallLabel()), QColor(Qt::yellow));
        // A second click restores the first arrangement.
        QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, press);
        QVERIFY(!view->isFlipped());
        QCOMPARE(centreOf(view->bigLabel()), QColor(Qt::yellow));
    }
}

void TestMeetingViews::subEndsWhileSwapped()
{
    QWidget host;
    VideoView3 *view = makeView(&host);
    view->showVideoChangeIn(QString(), "A", true);
    view->showVideoChangeIn(QString(), "B", false);
    view->showVideoImageIn("A", filled(Qt::red));
    view->showVideoImageIn("B", filled(Qt::blue));
    view->showFlipVideoImage();
    QCOMPARE(centreOf(view->bigLabel()), QColor(Qt::blue));
    view->showVideoChangeIn("B", QString(), false);
    QVERIFY(!view->isFlipped());
    QCOMPARE(centreOf(view->bigLabel()), QColor(Qt::red));
    QVERIFY(view->smallLabel()->isHidden());
}

void TestMeetingViews::namePixelSizes_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("flipped");
    QTest::addColumn<int>("pixels");
    QTest::newRow("436 big") << 436 << true << 18;
    QTest::newRow("436 small") << 436 << false << 25;
    QTest::newRow("too wide") << 1400 << true << -10;
}

void TestMeetingViews::namePixelSizes()
{
    QFETCH(int, width);
    QFETCH(bool, flipped);
    QFETCH(int, pixels);
    QCOMPARE(VideoView3::namePixelSize(width, flipped), pixels);
}

void TestMeetingViews::tileShowsFramesOnlyWhileShowing()
{
    VideoViewOne tile;
    tile.resize(200, 150);
    tile.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tile));
    const QImage idle = tile.pictureLabel()->pixmap(Qt::ReturnByValue).toImage();
    tile.showVideoImageIn(filled(Qt::red));
    QCOMPARE(tile.pictureLabel()->pixmap(Qt::ReturnByValue).toImage(), idle);

    tile.startShowImageIn("A");
    QCOMPARE(tile.pictureLabel()->pixmap(Qt::ReturnByValue).toImage(), idle);
    tile.showVideoImageIn(filled(Qt::red));
    QCOMPARE(centreOf(tile.pictureLabel()), QColor(Qt::red));
    // Another user takes the tile over: the last picture stays until his first frame.
    tile.startShowImageIn("B");
    QCOMPARE(tile.currentShowId(), QString("B"));
    QCOMPARE(centreOf(tile.pictureLabel()), QColor(Qt::red));
    // A resize redraws the last picture at once.
    tile.resize(120, 90);
    QTRY_COMPARE(tile.pictureLabel()->pixmap(Qt::ReturnByValue).size(), QSize(120, 90));
    QCOMPARE(centreOf(tile.pictureLabel()), QColor(Qt::red));

    tile.stopShowImageIn();
    QVERIFY(!tile.isShowing());
    QVERIFY(tile.currentShowId().isEmpty());
    QVERIFY(centreOf(tile.pictureLabel()) != QColor(Qt::red));
}

void TestMeetingViews::tileClickAndSound()
{
    VideoViewOne tile;
    tile.resize(200, 150);
    QSignalSpy clicks(&tile, &VideoViewOne::mouseClickedOut);
    QSignalSpy sounds(&tile, &VideoViewOne::playAudioClickedOut);
    QTest::mouseClick(&tile, Qt::LeftButton);
    QCOMPARE(clicks.size(), 0);
    tile.playAudioClickedIn();
    QCOMPARE(sounds.size(), 0);

    tile.startShowImageIn("A");
    QTest::mouseClick(&tile, Qt::LeftButton);
    QCOMPARE(clicks.size(), 1);
    QCOMPARE(clicks.first().first().toString(), QString("A"));
    QTest::mouseClick(&tile, Qt::RightButton);
    QTest::mousePress(&tile, Qt::LeftButton);
    QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&tile, &move);
    QTest::mouseRelease(&tile, Qt::LeftButton);
    QCOMPARE(clicks.size(), 1);

    tile.playAudioClickedIn();
    tile.playAudioClickedIn();
    QCOMPARE(sounds.size(), 2);
    QCOMPARE(sounds.at(0), QVariantList({ "A", true }));
    QCOMPARE(sounds.at(1), QVariantList({ "A", false }));
    QCOMPARE(tile.audioButton()->text(), QString("0"));
}

void TestMeetingViews::stripFillsThreeTilesAndRefusesAFourth()
{
    VideoView4 strip;
    strip.setDefaultStart();
    for (const char *user : { "A", "B", "C" })
        strip.showVideoChangeIn(QString(), user);
    for (int index = 0; index < 3; ++index)
        QCOMPARE(strip.tile(index)->currentShowId(), QString(QChar('A' + index)));
    QCOMPARE(strip.calcuImageIndexByUserId(), VideoView4::noIndex);

    MessageCollector messages;
    strip.showVideoChangeIn(QString(), "D");
    QCOMPARE(messages.count("index: 65535"), 1);
    QVERIFY(!strip.containsUserId("D"));
    for (int index = 0; index < 3; ++index)
        QCOMPARE(strip.tile(index)->currentShowId(), QString(QChar('A' + index)));

    // A user who leaves frees his tile for the next one.
    strip.showVideoChangeIn("B", QString());
    QVERIFY(!strip.tile(1)->isShowing());
    strip.showVideoChangeIn(QString(), "D");
    QCOMPARE(strip.tile(1)->currentShowId(), QString("D"));
    strip.showVideoImageIn("D", filled(Qt::red));
    strip.tile(1)->resize(100, 60);
    QCOMPARE(centreOf(strip.tile(1)->pictureLabel()), QColor(Qt::red));
}

void TestMeetingViews::handedOverTileKeepsItsIndex()
{
    VideoView4 strip;
    strip.setDefaultStart();
    strip.showVideoChangeIn(QString(), "A");
    strip.showVideoChangeIn(QString(), "B");
    strip.showVideoImageIn("B", filled(Qt::red));
    strip.showVideoChangeIn("B", "C");
    uint index = 99;
    QVERIFY(strip.selectUserIdHash("C", index));
    QCOMPARE(index, 1u);
    QCOMPARE(strip.tile(1)->currentShowId(), QString("C"));
    QVERIFY(!strip.containsUserId("B"));
    // No no-camera picture in between: the old picture stays until C's first frame.
    QCOMPARE(centreOf(strip.tile(1)->pictureLabel()), QColor(Qt::red));

    MessageCollector messages;
    strip.showVideoImageIn("B", filled(Qt::green));
    QCOMPARE(messages.count("uid: \"B\""), 1);
    QCOMPARE(centreOf(strip.tile(1)->pictureLabel()), QColor(Qt::red));
}

void TestMeetingViews::stripChangesThatAreRefused()
{
    VideoView4 strip;
    strip.setDefaultStart();
    strip.showVideoChangeIn(QString(), "A");
    MessageCollector messages;
    strip.showVideoChangeIn(QString(), "A");
    QCOMPARE(messages.count("toUserId:"), 1);
    strip.showVideoChangeIn(QString(), QString());
    QCOMPARE(messages.count("fromUserId:"), 1);
    strip.showVideoChangeIn("X", "Y");
    QCOMPARE(messages.count("uid: \"X\""), 1);
    QVERIFY(!strip.containsUserId("Y"));
    uint index = 0;
    QVERIFY(strip.selectUserIdHash("A", index));
    QCOMPARE(index, 0u);
}

void TestMeetingViews::defaultPicturesAndStart()
{
    VideoView4 strip;
    for (int index = 0; index < 3; ++index) {
        QCOMPARE(strip.tileLayout(index)->indexOf(strip.defaultPicture(index)), 0);
        QCOMPARE(strip.tileLayout(index)->indexOf(strip.tile(index)), -1);
    }
    QCOMPARE(strip.tileLayout(0)->objectName(), QString("firstLayout"));
    QCOMPARE(strip.tileLayout(2)->objectName(), QString("thirdLayout"));

    strip.setDefaultStart();
    strip.showVideoChangeIn(QString(), "A");
    for (int index = 0; index < 3; ++index) {
        QCOMPARE(strip.tileLayout(index)->indexOf(strip.tile(index)), 0);
        QCOMPARE(strip.tileLayout(index)->indexOf(strip.defaultPicture(index)), -1);
        QVERIFY(!strip.tile(index)->isHidden());
        QVERIFY(strip.defaultPicture(index)->isHidden());
    }

    // The meeting ends: default pictures back, the tiles stopped, the table kept until the next start.
    strip.setDefaultImage();
    QVERIFY(!strip.tile(0)->isShowing());
    QVERIFY(strip.containsUserId("A"));
    QCOMPARE(strip.tileLayout(0)->indexOf(strip.defaultPicture(0)), 0);
    QVERIFY(strip.tile(0)->isHidden());
    strip.setDefaultStart();
    QVERIFY(!strip.containsUserId("A"));
}

void TestMeetingViews::audioButtonsStayHidden()
{
    VideoView4 strip;
    strip.resize(655, 196);
    strip.show();
    QVERIFY(QTest::qWaitForWindowExposed(&strip));
    strip.setDefaultStart();
    strip.showVideoChangeIn(QString(), "A");
    QSignalSpy starts(&strip, &VideoView4::startPlayAudioOut);
    QSignalSpy stops(&strip, &VideoView4::stopPlayAudioOut);
    for (int index = 0; index < 3; ++index)
        QVERIFY(!strip.tile(index)->audioButton()->isVisible());
    // A click on a tile that shows a user only logs him.
    QTest::mouseClick(strip.tile(0), Qt::LeftButton);
    QCOMPARE(starts.size() + stops.size(), 0);
    // Only a sound switch, which no control offers, reaches the pull manager.
    strip.playAudioClickedIn("A", true);
    strip.playAudioClickedIn("A", false);
    QCOMPARE(starts.size(), 1);
    QCOMPARE(stops.size(), 1);
}

void TestMeetingViews::fourTileStripKeepsTheFirstForTheOwnUser()
{
    VideoView2 strip;
    QCOMPARE(strip.objectName(), QString("VideoView2"));
    QCOMPARE(strip.tileCount(), 4);
    strip.setDefaultStart();
    for (const char *user : { "A", "B", "C" })
        strip.showVideoChangeIn(QString(), user);
    // The own user comes last and still gets the first tile.
    strip.showVideoChangeIn(QString(), "me");
    QCOMPARE(strip.tile(0)->currentShowId(), QString("me"));
    for (int index = 1; index < 4; ++index)
        QCOMPARE(strip.tile(index)->currentShowId(), QString(QChar('A' + index - 1)));
    MessageCollector messages;
    strip.showVideoChangeIn(QString(), "D");
    QCOMPARE(messages.count("index: 65535"), 1);
    // With the own tile free, another user is still kept out of it.
    strip.showVideoChangeIn("me", QString());
    strip.showVideoChangeIn(QString(), "D");
    QCOMPARE(messages.count("index: 65535"), 2);
    QVERIFY(!strip.tile(0)->isShowing());
}

QTEST_MAIN(TestMeetingViews)
#include "tst_meetingviews.moc"
