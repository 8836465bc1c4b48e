#include "vrek/media/panels/videoview.h"
#include "vrek/media/panels/videoviewfull.h"

#include <QLabel>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest>

namespace {
const QColor mainColour(200, 30, 30);
const QColor subColour(30, 30, 200);

QImage frame(const QColor &colour, const QSize &size = QSize(320, 240))
{
    // Frames come from the decoders as RGB888.
    QImage image(size, QImage::Format_RGB888);
    image.fill(colour);
    return image;
}

QImage shown(const QLabel *label)
{
    return label->pixmap(Qt::ReturnByValue).toImage();
}

// The colour in the middle of what a label shows; invalid when it shows nothing.
QColor middle(const QLabel *label)
{
    const QImage image = shown(label);
    return image.isNull() ? QColor() : image.pixelColor(image.width() / 2, image.height() / 2);
}

// The dark pixels in the top-left corner of a picture: the painted name.
int darkPixels(const QImage &image, const QRect &corner)
{
    int count = 0;
    for (int y = corner.top(); y <= corner.bottom() && y < image.height(); ++y) {
        for (int x = corner.left(); x <= corner.right() && x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) < 100)
                ++count;
        }
    }
    return count;
}

// A view of the form's size with a main and a sub stream running and one frame of each shown.
struct RunningView
{
    RunningView()
    {
        view.show();
        view.setDefaultImage();
        view.setMainImageStart();
        view.setSubImageStart("AB");
        view.showVideoImage(true, frame(mainColour));
        view.showVideoImage(false, frame(subColour));
    }
    // Inside the overlay (the bottom-right third) and outside it.
    QPoint inside() const { return QPoint(view.width() - 10, view.height() - 10); }
    QPoint outside() const { return QPoint(10, 10); }

    VideoView view;
};
} // namespace

class TestVideoView : public QObject
{
    Q_OBJECT
private slots:
    void framesBeforeTheMainStartAreDropped_data();
    void framesBeforeTheMainStartAreDropped();
    void mainAndSubFramesFindTheirLabels();
    void namePixelSize_data();
    void namePixelSize();
    void nameIsPaintedOnTheNextSubFrame();
    void swapOnlyOnPressAndReleaseInsideTheOverlay_data();
    void swapOnlyOnPressAndReleaseInsideTheOverlay();
    void twoSwapsRestoreAndSubEndUndoesASwap();
    void resizeRedrawsAtTheNewSize();
    void fullWindowSize_data();
    void fullWindowSize();
    void fullWindowHostsOneWidget();
};

void TestVideoView::framesBeforeTheMainStartAreDropped_data()
{
    QTest::addColumn<bool>("subStarted");
    QTest::addColumn<bool>("afterDefault");
    QTest::newRow("nothing started") << false << false;
    QTest::newRow("sub alone") << true << false;
    QTest::newRow("after the default picture") << true << true;
}

void TestVideoView::framesBeforeTheMainStartAreDropped()
{
    QFETCH(bool, subStarted);
    QFETCH(bool, afterDefault);
    VideoView view;
    view.show();
    view.setDefaultImage();
    if (afterDefault) {
        view.setMainImageStart();
        view.setSubImageStart("AB");
        view.setDefaultImage();
    } else if (subStarted) {
        view.setSubImageStart("AB");
    }
    const QImage idleBig = shown(view.bigLabel());
    const QImage idleSmall = shown(view.smallLabel());
    QVERIFY(!idleBig.isNull());
    view.showVideoImage(true, frame(mainColour));
    view.showVideoImage(false, frame(subColour));
    QCOMPARE(shown(view.bigLabel()), idleBig);
    QCOMPARE(shown(view.smallLabel()), idleSmall);
    QVERIFY(!view.isMainStarted());
}

void TestVideoView::mainAndSubFramesFindTheirLabels()
{
    RunningView running;
    VideoView &view = running.view;
    QCOMPARE(middle(view.bigLabel()), mainColour);
    QCOMPARE(middle(view.smallLabel()), subColour);
    QVERIFY(view.smallLabel()->isVisible());
    // Each picture is scaled to its label: the whole view, and a third of it.
    QCOMPARE(shown(view.bigLabel()).size(), view.size());
    QCOMPARE(shown(view.smallLabel()).size(), QSize(qRound(view.width() / 3.0), qRound(view.height() / 3.0)));
    QCOMPARE(view.subName(), QString("AB"));
}

void TestVideoView::namePixelSize_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("flipped");
    QTest::addColumn<int>("pixelSize");
    QTest::newRow("436, sub small") << 436 << false << 25;
    QTest::newRow("436, sub big") << 436 << true << 18;
    QTest::newRow("1050, sub big: default font") << 1050 << true << 0;
    QTest::newRow("2400, sub small: default font") << 2400 << false << 0;
}

void TestVideoView::namePixelSize()
{
    QFETCH(int, width);
    QFETCH(bool, flipped);
    QFETCH(int, pixelSize);
    QCOMPARE(VideoView::namePixelSize(width, flipped), pixelSize);
}

void TestVideoView::nameIsPaintedOnTheNextSubFrame()
{
    VideoView view;
    view.show();
    QCOMPARE(view.width(), 436);
    view.setMainImageStart();
    view.showVideoImage(false, frame(Qt::white, view.size()));
    view.setSubImageStart("HH");
    const QRect corner(0, 0, 12, 12);
    // Not on the waiting picture, only on the frames after the start.
    view.showVideoImage(false, frame(Qt::white, view.size()));
    const int small = darkPixels(shown(view.smallLabel()), corner);
    QVERIFY2(small > 0, "no name on the small picture");
    // Swapped, the name stays on the sub picture from its next frame on; the stored frame carries none.
    view.showFlipVideoImage();
    QCOMPARE(darkPixels(shown(view.bigLabel()), QRect(0, 0, 36, 36)), 0);
    view.showVideoImage(false, frame(Qt::white, view.size()));
    QVERIFY(darkPixels(shown(view.bigLabel()), QRect(0, 0, 36, 36)) > 0);
    // And nowhere but in the top-left corner.
    QCOMPARE(darkPixels(shown(view.bigLabel()), QRect(view.width() / 2, view.height() / 2, 50, 50)), 0);
}

void TestVideoView::swapOnlyOnPressAndReleaseInsideTheOverlay_data()
{
    QTest::addColumn<bool>("subRunning");
    QTest::addColumn<bool>("pressInside");
    QTest::addColumn<bool>("drag");
    QTest::addColumn<bool>("releaseInside");
    QTest::addColumn<bool>("swapped");
    QTest::newRow("click inside") << true << true << false << true << true;
    QTest::newRow("press inside, release outside") << true << true << false << false << false;
    QTest::newRow("press outside, release inside") << true << false << false << true << false;
    QTest::newRow("press, drag, release inside") << true << true << true << true << false;
    QTest::newRow("click inside without a sub stream") << false << true << false << true << false;
}

void TestVideoView::swapOnlyOnPressAndReleaseInsideTheOverlay()
{
    QFETCH(bool, subRunning);
    QFETCH(bool, pressInside);
    QFETCH(bool, drag);
    QFETCH(bool, releaseInside);
    QFETCH(bool, swapped);
    RunningView running;
    VideoView &view = running.view;
    if (!subRunning)
        view.setSubImageEnd();
    const QPoint press = pressInside ? running.inside() : running.outside();
    const QPoint release = releaseInside ? running.inside() : running.outside();
    QTest::mousePress(&view, Qt::LeftButton, Qt::NoModifier, press);
    if (drag) {
        QMouseEvent move(QEvent::MouseMove, release - QPoint(2, 2), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&view, &move);
    }
    QTest::mouseRelease(&view, Qt::LeftButton, Qt::NoModifier, release);
    QCOMPARE(view.isFlipped(), swapped);
    QCOMPARE(middle(view.bigLabel()), swapped ? subColour : mainColour);
}

void TestVideoView::twoSwapsRestoreAndSubEndUndoesASwap()
{
    RunningView running;
    VideoView &view = running.view;
    QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier, running.inside());
    QCOMPARE(middle(view.bigLabel()), subColour);
    QCOMPARE(middle(view.smallLabel()), mainColour);
    // Frames follow the swap.
    view.showVideoImage(true, frame(Qt::green));
    QCOMPARE(middle(view.smallLabel()), QColor(Qt::green));
    view.showVideoImage(true, frame(mainColour));
    QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier, running.inside());
    QVERIFY(!view.isFlipped());
    QCOMPARE(middle(view.bigLabel()), mainColour);
    QCOMPARE(middle(view.smallLabel()), subColour);

    QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier, running.inside());
    QVERIFY(view.isFlipped());
    view.setSubImageEnd();
    QVERIFY(!view.isFlipped());
    QVERIFY(!view.isSubStarted());
    QVERIFY(view.smallLabel()->isHidden());
    QCOMPARE(middle(view.bigLabel()), mainColour);
    // Sub frames are dropped from now on.
    view.showVideoImage(false, frame(subColour));
    QCOMPARE(middle(view.bigLabel()), mainColour);
    QVERIFY(view.smallLabel()->isHidden());
}

void TestVideoView::resizeRedrawsAtTheNewSize()
{
    VideoView idle;
    idle.show();
    idle.setDefaultImage();
    idle.resize(300, 200);
    QTRY_COMPARE(shown(idle.bigLabel()).size(), QSize(300, 200));

    RunningView running;
    VideoView &view = running.view;
    view.resize(600, 450);
    QTRY_COMPARE(shown(view.bigLabel()).size(), QSize(600, 450));
    QCOMPARE(middle(view.bigLabel()), mainColour);
    QCOMPARE(shown(view.smallLabel()).size(), QSize(200, 150));
    QCOMPARE(middle(view.smallLabel()), subColour);
    QTRY_COMPARE(view.smallLabel()->geometry(), QRect(400, 300, 200, 150));
}

void TestVideoView::fullWindowSize_data()
{
    QTest::addColumn<int>("h");
    QTest::addColumn<QSize>("size");
    QTest::newRow("300") << 300 << QSize(618, 450);
    // Both steps truncate: 271 * 11 / 8 = 372, 372 * 1.5 = 558, 271 * 1.5 = 406.5.
    QTest::newRow("271") << 271 << QSize(558, 406);
}

void TestVideoView::fullWindowSize()
{
    QFETCH(int, h);
    QFETCH(QSize, size);
    VideoViewFull full(h);
    QCOMPARE(full.minimumSize(), size);
}

void TestVideoView::fullWindowHostsOneWidget()
{
    VideoViewFull full(300);
    QSignalSpy shows(&full, &VideoViewFull::signalShowOut);
    auto *layout = full.findChild<QVBoxLayout *>("videoVerticalLayout");
    QVERIFY(layout);
    full.setHide(); // nothing hosted: nothing happens
    QCOMPARE(shows.count(), 0);

    full.show();
    QWidget first;
    QWidget second;
    full.setShow(&first);
    first.show();
    QCOMPARE(full.hostedWidget(), &first);
    QCOMPARE(layout->indexOf(&first), 0);
    QCOMPARE(shows.count(), 1);

    full.setShow(&second);
    QVERIFY(first.isHidden());
    QCOMPARE(layout->indexOf(&first), -1);
    QCOMPARE(layout->indexOf(&second), 0);
    QCOMPARE(shows.count(), 2);
    // The same widget again: taken out, hidden, put back, and the frame asked for again.
    second.show();
    full.setShow(&second);
    QVERIFY(second.isHidden());
    QCOMPARE(layout->count(), 1);
    QCOMPARE(shows.count(), 3);

    second.show();
    full.setHide();
    QVERIFY(second.isVisible());
    QCOMPARE(layout->count(), 0);
    QCOMPARE(full.hostedWidget(), nullptr);
}

QTEST_MAIN(TestVideoView)
#include "tst_videoview.moc"
