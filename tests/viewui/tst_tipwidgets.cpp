#include "vrek/viewui/classtipmessage.h"
#include "vrek/viewui/httptipmessage.h"
#include "vrek/viewui/popup.h"
#include "vrek/viewui/tiplabel.h"
#include "vrek/viewui/tipwidget.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QtTest>

class TestTipWidgets : public QObject
{
    Q_OBJECT
private slots:
    void popUpGeometry();
    void popUpSlidesInStaysAndSlidesOut();
    void mouseMovementKeepsThePopUp();
    void closeWhileSlidingInSlidesOutFromThere();
    void tipShowsAndHides();
    void tipWithTimeZeroHidesOnTheNextTurn();
    void tipLabelPaintsOnlyWhenShown();
    void httpTipSignals();
    void classTipProgress();
    void classTipText();
};

void TestTipWidgets::popUpGeometry()
{
    PopUp popUp;
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    const int w = available.width() / 8;
    QCOMPARE(popUp.size(), QSize(w, w / 4 * 3));
    QCOMPARE(popUp.shownPosition(), QPoint(available.right() + 1 - w, available.bottom() + 1 - w / 4 * 3));
    QCOMPARE(popUp.hiddenPosition(), QPoint(popUp.shownPosition().x(), available.bottom() + 1));
    QVERIFY(popUp.windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(popUp.windowFlags() & Qt::FramelessWindowHint);
}

void TestTipWidgets::popUpSlidesInStaysAndSlidesOut()
{
    PopUp popUp;
    popUp.setTimings(1, 150);
    popUp.showDialog("老师发来了一个文件");
    QVERIFY(popUp.isVisible());
    QCOMPARE(popUp.findChild<QLabel *>("textLabel")->text(), QString("老师发来了一个文件"));
    QTRY_VERIFY(popUp.isStaying());
    QCOMPARE(popUp.pos(), popUp.shownPosition());
    QTRY_VERIFY(!popUp.isVisible());
    QCOMPARE(popUp.currentPosition(), popUp.hiddenPosition());
}

void TestTipWidgets::mouseMovementKeepsThePopUp()
{
    PopUp popUp;
    // A stay far longer than the pause between two movements, so that a busy machine does not end it between them.
    constexpr int stayMs = 1000;
    popUp.setTimings(1, stayMs);
    popUp.showDialog("提示");
    QTRY_VERIFY(popUp.isStaying());
    QElapsedTimer staying;
    staying.start();
    while (staying.elapsed() < 2 * stayMs) {
        QTest::qWait(100);
        QMouseEvent move(QEvent::MouseMove, QPoint(5, 5), popUp.mapToGlobal(QPoint(5, 5)), Qt::NoButton, Qt::NoButton,
            Qt::NoModifier);
        QApplication::sendEvent(&popUp, &move);
    }
    // Twice the stay has passed: the movements kept it up.
    QVERIFY(popUp.isStaying());
    QCOMPARE(popUp.pos(), popUp.shownPosition());
    QTRY_VERIFY(!popUp.isVisible());
}

void TestTipWidgets::closeWhileSlidingInSlidesOutFromThere()
{
    PopUp popUp;
    popUp.setTimings(10, 5000);
    popUp.showDialogWithImg("带图片", ":/image/videoBack/404.png");
    QVERIFY(!popUp.findChild<QLabel *>("imgLabel")->pixmap(Qt::ReturnByValue).isNull());
    QTRY_VERIFY(popUp.currentPosition().y() < popUp.hiddenPosition().y() - 10);
    popUp.findChild<QPushButton *>("closeButton")->click();
    const int from = popUp.currentPosition().y();
    QVERIFY(from > popUp.shownPosition().y());
    QTRY_VERIFY(popUp.currentPosition().y() > from);
    QVERIFY(!popUp.isStaying());
    QTRY_VERIFY(!popUp.isVisible());
}

void TestTipWidgets::tipShowsAndHides()
{
    QWidget window;
    TipWidget tip(&window);
    window.show();
    QVERIFY(!tip.isVisible());
    QCOMPARE(tip.size(), QSize(550, 45));
    tip.showTip("网络已断开");
    QVERIFY(tip.isVisible());
    QCOMPARE(tip.text(), QString("网络已断开"));
    tip.findChild<QPushButton *>("closeButton")->click();
    QVERIFY(!tip.isVisible());
    QVERIFY(tip.text().isEmpty());
    tip.hideCloseButton();
    QElapsedTimer shown;
    shown.start();
    tip.showTip("一秒", 1);
    QVERIFY(!tip.findChild<QPushButton *>("closeButton")->isVisible());
    QVERIFY(tip.isVisible());
    // Gone after its second, however late this thread gets to look, and never before (a coarse timer may be a
    // twentieth early).
    QTRY_VERIFY(!tip.isVisible());
    QVERIFY2(shown.elapsed() >= 950, qPrintable(QString::number(shown.elapsed())));
}

void TestTipWidgets::tipWithTimeZeroHidesOnTheNextTurn()
{
    QWidget window;
    TipWidget tip(&window);
    window.show();
    tip.showTip("立即", 0);
    QVERIFY(tip.isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!tip.isVisible(), 200);
}

void TestTipWidgets::tipLabelPaintsOnlyWhenShown()
{
    TipLabel label;
    QCOMPARE(label.size(), QSize(8, 8));
    QImage image(8, 8, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    label.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x)
            QCOMPARE(qAlpha(image.pixel(x, y)), 0);
    }
    label.setTipShown(true);
    label.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    QCOMPARE(QColor(image.pixel(4, 4)), QColor("#fe6464"));
}

void TestTipWidgets::httpTipSignals()
{
    httpTipMessage tip;
    QCOMPARE(tip.size(), QSize(400, 300));
    QSignalSpy shows(&tip, &httpTipMessage::signalShows);
    QSignalSpy closeClicked(&tip, &httpTipMessage::signalCloseButtonClicked);
    tip.slotShow();
    QCOMPARE(shows.size(), 1);
    tip.findChild<QPushButton *>("pushButton")->click();
    QCOMPARE(closeClicked.size(), 1);
}

void TestTipWidgets::classTipProgress()
{
    ClassTipMessage tip;
    tip.show();
    QSignalSpy hidden(&tip, &ClassTipMessage::signalHide);
    tip.slotShow(40);
    QCOMPARE(tip.text(), QString("下载中"));
    QCOMPARE(tip.progress(), 40);
    QVERIFY(!tip.findChild<QPushButton *>("surePushButton")->isVisible());
    QVERIFY(!tip.isHideTimerActive());
    tip.slotShow(100, 1);
    QCOMPARE(tip.text(), QString("下载完成"));
    QVERIFY(tip.isHideTimerActive());
    QCOMPARE(tip.hideTimerInterval(), 1000);
    tip.slotShow(100, 7); // again: the timer starts over with the new time
    QCOMPARE(tip.hideTimerInterval(), 7000);
    tip.slotShow(150);
    QCOMPARE(tip.text(), QString("下载完成")); // above 100 only the bar changes
    QCOMPARE(tip.progress(), 100);
    tip.slotShow(100, 0);
    QTRY_COMPARE(hidden.size(), 1);
    QVERIFY(!tip.isVisible());
}

void TestTipWidgets::classTipText()
{
    ClassTipMessage tip;
    tip.show();
    QSignalSpy shows(&tip, &ClassTipMessage::signalShows);
    QSignalSpy sure(&tip, &ClassTipMessage::signalCloseButtonClicked);
    tip.slotShow(QString("文件已删除"));
    QCOMPARE(shows.size(), 1);
    QCOMPARE(tip.text(), QString("文件已删除"));
    QVERIFY(!tip.findChild<QProgressBar *>("progressBar")->isVisible());
    tip.findChild<QPushButton *>("surePushButton")->click();
    QCOMPARE(sure.size(), 1);
}

QTEST_MAIN(TestTipWidgets)
#include "tst_tipwidgets.moc"
