#include "updater/showwidget.h"

#include <QApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QtTest>

#include <thread>

namespace {
const QRgb kBar = qRgb(62, 148, 234);
const QRgb kWhite = qRgb(255, 255, 255);

QRgb pixel(ShowWidget &window, int x, int y)
{
    return window.grab().toImage().pixel(x, y);
}
} // namespace

class TestShowWidget : public QObject
{
    Q_OBJECT
private slots:
    void ratioRule();
    void barPixels();
    void statusText();
    void centredPosition_data();
    void centredPosition();
    void openAndCloseFromAnotherThread();
    void roundedCorners();
    void dragsWithTheLeftButton();
};

void TestShowWidget::ratioRule()
{
    ShowWidget window;
    window.setProgress(0.005f);
    QCoreApplication::processEvents();
    QCOMPARE(window.barWidth(), -1); // under one percent: nothing drawn
    window.setProgress(0.01f);
    QCoreApplication::processEvents();
    QCOMPARE(window.barWidth(), 5); // 0.01 x 559, truncated
    window.setProgress(0.019f);
    QCoreApplication::processEvents();
    QCOMPARE(window.barWidth(), 5); // a step under one percent is not drawn
    window.setProgress(0.5f);
    QCoreApplication::processEvents();
    QCOMPARE(window.barWidth(), 279);
    window.setProgress(0.995f);
    QCoreApplication::processEvents();
    QCOMPARE(window.barWidth(), 556);
    window.setProgress(1.0f); // the last step is under one percent
    QCoreApplication::processEvents();
    QCOMPARE(window.barWidth(), 556);
}

void TestShowWidget::barPixels()
{
    ShowWidget window;
    window.resize(ShowWidget::kWidth, ShowWidget::kHeight);
    const QRgb pictureAtBar = pixel(window, 2, 380);
    QVERIFY(pictureAtBar != kBar);
    QVERIFY(pictureAtBar != kWhite);

    // From a download worker, as the flow calls it.
    std::thread worker([&window] { window.setProgress(0.01f); });
    worker.join();
    QTRY_COMPARE(window.barWidth(), 5);
    const QImage image = window.grab().toImage();
    QCOMPARE(image.size(), QSize(559, 441));
    QCOMPARE(image.pixel(0, 370), kBar);
    QCOMPARE(image.pixel(4, 389), kBar);
    QCOMPARE(image.pixel(5, 380), kWhite);
    QCOMPARE(image.pixel(2, 369), kWhite);
    QCOMPARE(image.pixel(2, 390), kWhite);
    QCOMPARE(image.pixel(500, 290), kWhite); // the status area is painted over the picture
    QVERIFY(image.pixel(500, 270) != kWhite);
}

void TestShowWidget::statusText()
{
    ShowWidget window;
    QCOMPARE(window.statusText(), QString::fromUtf8("Vantrel更新程序正在准备中,请等待.."));
    window.setVersion("2.1.7");
    QCOMPARE(window.statusText(), QString::fromUtf8("Vantrelv2.1.7正在更新,请耐心等待!"));

    // The text is drawn in its own colour below the picture's top.
    const QImage image = window.grab().toImage();
    int textPixels = 0;
    for (int y = 300; y < 330; ++y) {
        for (int x = 130; x < 559; ++x)
            textPixels += image.pixel(x, y) == qRgb(62, 149, 234);
    }
    QVERIFY(textPixels > 20);
}

void TestShowWidget::centredPosition_data()
{
    QTest::addColumn<QRect>("workArea");
    QTest::addColumn<QPoint>("position");
    QTest::newRow("1920 by 1040") << QRect(0, 0, 1920, 1040) << QPoint(680, 299);
    QTest::newRow("odd size") << QRect(0, 0, 1366, 728) << QPoint(403, 143);
    QTest::newRow("offset work area") << QRect(100, 40, 1920, 1040) << QPoint(780, 339);
}

void TestShowWidget::centredPosition()
{
    QFETCH(QRect, workArea);
    QFETCH(QPoint, position);
    QCOMPARE(ShowWidget::centredPosition(workArea), position);
}

void TestShowWidget::openAndCloseFromAnotherThread()
{
    ShowWidget window;
    std::atomic<bool> opened { false };
    std::thread flow([&] {
        window.openWindow("3.0");
        opened = true;
    });
    QTRY_VERIFY(opened.load());
    flow.join();
    QVERIFY(window.isVisible());
    QCOMPARE(window.windowTitle(), QString("Holtrenew"));
    QVERIFY(window.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(window.size(), QSize(559, 441));
    QCOMPARE(window.pos(), ShowWidget::centredPosition(QGuiApplication::primaryScreen()->availableGeometry()));
    QCOMPARE(window.statusText(), QString::fromUtf8("Vantrelv3.0正在更新,请耐心等待!"));

    std::atomic<bool> closed { false };
    std::thread closer([&] {
        window.closeWindow();
        closed = true;
    });
    QTRY_VERIFY(closed.load());
    closer.join();
    QVERIFY(!window.isVisible());
}

void TestShowWidget::roundedCorners()
{
    const QRegion mask = ShowWidget::windowRegion();
    QVERIFY(!mask.contains(QPoint(0, 0)));
    QVERIFY(!mask.contains(QPoint(558, 440)));
    QVERIFY(mask.contains(QPoint(3, 3)));
    QVERIFY(mask.contains(QPoint(279, 220)));
    QVERIFY(mask.contains(QPoint(279, 0)));
}

void TestShowWidget::dragsWithTheLeftButton()
{
    ShowWidget window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.move(100, 100);
    const QPoint start = window.pos();
    const QPoint grabAt(200, 200);
    QMouseEvent press(
        QEvent::MouseButtonPress, grabAt, window.mapToGlobal(grabAt), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &press);
    const QPoint to = grabAt + QPoint(40, 25);
    QMouseEvent move(QEvent::MouseMove, to, window.mapToGlobal(grabAt) + QPoint(40, 25), Qt::NoButton, Qt::LeftButton,
        Qt::NoModifier);
    QApplication::sendEvent(&window, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, to, window.mapToGlobal(grabAt) + QPoint(40, 25), Qt::LeftButton,
        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &release);
    QCOMPARE(window.pos(), start + QPoint(40, 25));
}

QTEST_MAIN(TestShowWidget)
#include "tst_showwidget.moc"
