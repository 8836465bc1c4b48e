#include "vrek/course/coursecenterwidget.h"
#include "vrek/course/coursefilebutton.h"
#include "vrek/course/coursescrollarea.h"
#include "vrek/course/selectcoursescrollarea.h"
#include "vrek/course/toolbutton.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/stringutil.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalSpy>
#include <QWheelEvent>
#include <QtTest>

namespace {
QImage iconImage(const QIcon &icon)
{
    return icon.pixmap(QSize(80, 80)).toImage();
}

void sendMouse(QWidget *target, QEvent::Type type, const QPoint &pos, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, pos, target->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

void sendWheel(QWidget *target, int delta)
{
    const QPoint pos(20, 20);
    QWheelEvent event(pos, target->mapToGlobal(pos), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
        Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &event);
}

// A big picture in a small area, shown, so that both scroll bars have room.
template<typename Area>
Area *makeArea(QWidget *content)
{
    auto *area = new Area();
    content->setFixedSize(2000, 2000);
    area->setWidget(content);
    area->resize(400, 300);
    area->show();
    return area;
}
} // namespace

class TestCourseFileBar : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void buttonText_data();
    void buttonText();
    void tileLayout();
    void icons_data();
    void icons();
    void progress_data();
    void progress();
    void tileClicks();
    void toolButtonRightClick();
    void selectAreaWheelScrollsSideways();
    void dragReportsAtMostOncePerInterval();
    void dragNeedsTheLeftButtonHeld();
    void wheelReportsWhereThePageIs();
    void centerWidgetTellsItsSize();
};

void TestCourseFileBar::init()
{
    g_uiScale = 1.0;
}

void TestCourseFileBar::buttonText_data()
{
    QTest::addColumn<double>("scale");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("text");
    QTest::newRow("1.0 abcd") << 1.0 << "abcd.ppt"
                              << "abcd.ppt";
    QTest::newRow("1.0 abcde") << 1.0 << "abcde.ppt"
                               << "abcde\n.ppt";
    QTest::newRow("1.0 abcdef") << 1.0 << "abcdef.ppt"
                                << "abcdef\n.ppt";
    QTest::newRow("1.0 abcdefg") << 1.0 << "abcdefg.ppt"
                                 << "abcdefg\n...ppt";
    QTest::newRow("1.0 abcdefgh") << 1.0 << "abcdefgh.ppt"
                                  << "abcdefg\n...ppt";
    QTest::newRow("1.0 chinese") << 1.0 << "分数的初步认识练习.pptx"
                                 << "分数的初步认识\n...pptx";
    QTest::newRow("1.0 two dots") << 1.0 << "a.b.ppt"
                                  << "a.b.ppt";
    // Each part cut to what the tile has room for, however long it came.
    const QString word(1048576, QLatin1Char('x'));
    QTest::newRow("1.0 short name, long suffix") << 1.0 << "a.abcdefghij"
                                                 << "a.abcdefghij";
    QTest::newRow("1.0 1 MB suffix") << 1.0 << "a." + word << "a.xxxxxxx\u2026";
    QTest::newRow("1.0 long name, 1 MB suffix") << 1.0 << "abcdefgh." + word << "abcdefg\n...xxxxxxx\u2026";
    QTest::newRow("1.0 1 MB after a dot") << 1.0 << "." + word << ".xxxxxxx\u2026";
    QTest::newRow("1.0 1 MB without a dot") << 1.0 << word << "xxxxxxx\n...";
    QTest::newRow("1.0 1 MB word.ppt") << 1.0 << word + ".ppt" << "xxxxxxx\n...ppt";
    QTest::newRow("1.0 1 MB folder") << 1.0 << word + "/ab.ppt" << "ab.ppt";
    QTest::newRow("1.0 short folder") << 1.0 << "课件/ab.ppt" << "课件/ab.ppt";
    QTest::newRow("1.5 1 MB suffix") << 1.5 << "a." + word << "a.xxxxx\u2026";
    QTest::newRow("1.15 abcdef") << 1.15 << "abcdef.ppt"
                                 << "abcdef\n.ppt";
    QTest::newRow("1.25 abcd") << 1.25 << "abcd.ppt"
                               << "abcd\n.ppt";
    QTest::newRow("1.5 abc") << 1.5 << "abc.ppt"
                             << "abc.ppt";
    QTest::newRow("1.5 abcd") << 1.5 << "abcd.ppt"
                              << "abcd\n.ppt";
    QTest::newRow("1.5 abcdef") << 1.5 << "abcdef.ppt"
                                << "abcde\n...ppt";
    QTest::newRow("1.5 abcdefgh") << 1.5 << "abcdefgh.ppt"
                                  << "abcde\n...ppt";
}

void TestCourseFileBar::buttonText()
{
    QFETCH(double, scale);
    QFETCH(QString, fileName);
    QFETCH(QString, text);
    g_uiScale = scale;
    CourseFileButton tile("5_1", fileName);
    QCOMPARE(tile.mainButton()->text(), text);
    QCOMPARE(tile.mainButton()->toolTip(), StringUtil::plainToolTip(fileName));
}

void TestCourseFileBar::tileLayout()
{
    CourseFileButton tile("5_1", "abcd.ppt");
    QCOMPARE(tile.size(), QSize(120, 120));
    QCOMPARE(tile.minimumSize(), tile.maximumSize());
    QCOMPARE(tile.mainButton()->geometry(), QRect(15, 15, 90, 90));
    QVERIFY(tile.mainButton()->isCheckable());
    QCOMPARE(tile.mainButton()->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    QCOMPARE(tile.mainButton()->styleSheet(), QString(CourseFileButton::normalStyle));
    QCOMPARE(tile.deleteButton()->geometry(), QRect(90, 0, 30, 30));
    QVERIFY(tile.deleteButton()->isHidden());
    QCOMPARE(tile.deleteButton()->iconSize(), QSize(30, 30));
    QVERIFY(!tile.deleteButton()->icon().isNull());
    QCOMPARE(tile.getFileIdAll(), QString("5_1"));
    QCOMPARE(tile.getFileName(), QString("abcd.ppt"));
    tile.setDeleteHidden(false);
    QVERIFY(!tile.deleteButton()->isHidden());
    tile.setChecked(true);
    QVERIFY(tile.isChecked());
    tile.setChecked(false);
    QVERIFY(!tile.isChecked());
}

void TestCourseFileBar::icons_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("icon"); // empty: none
    QTest::addColumn<double>("scale");
    QTest::addColumn<int>("side");
    const QString dir = ":/vrek/image/centerview/";
    QTest::newRow("ppt") << "a.ppt" << dir + "ppt.png" << 1.0 << 40;
    QTest::newRow("PPTX") << "a.PPTX" << dir + "ppt.png" << 1.25 << 50;
    QTest::newRow("pdf") << "a.pdf" << dir + "pdf.png" << 1.0 << 40;
    QTest::newRow("doc") << "a.doc" << dir + "word.png" << 1.0 << 40;
    QTest::newRow("docx") << "a.docx" << dir + "word.png" << 1.75 << 70;
    QTest::newRow("png") << "a.png" << dir + "pic.png" << 1.0 << 40;
    QTest::newRow("Jpg") << "a.Jpg" << dir + "pic.png" << 1.0 << 40;
    for (const char *suffix : { "mpg", "avi", "mp4", "wmv", "rmvb", "flv", "3gp" })
        QTest::newRow(suffix) << QString("a.") + suffix << dir + "video.png" << 1.5 << 60;
    for (const char *suffix : { "wav", "mp3", "m4a" })
        QTest::newRow(suffix) << QString("a.") + suffix << dir + "audio.png" << 1.0 << 40;
    QTest::newRow("NOTES.TXT") << "NOTES.TXT" << QString() << 1.0 << 0;
    QTest::newRow("no suffix") << "README" << QString() << 1.0 << 0;
}

void TestCourseFileBar::icons()
{
    QFETCH(QString, fileName);
    QFETCH(QString, icon);
    QFETCH(double, scale);
    QFETCH(int, side);
    g_uiScale = scale;
    if (icon.isEmpty())
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^CourseFileButton::setBtnIcon unknow fileType:"));
    CourseFileButton tile("5_1", fileName);
    if (icon.isEmpty()) {
        QVERIFY(tile.mainButton()->icon().isNull());
        return;
    }
    QVERIFY(!QIcon(icon).pixmap(QSize(40, 40)).isNull());
    QCOMPARE(iconImage(tile.mainButton()->icon()), iconImage(QIcon(icon)));
    QCOMPARE(tile.mainButton()->iconSize(), QSize(side, side));
}

void TestCourseFileBar::progress_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("x2");
    QTest::newRow("start") << 0 << "0";
    QTest::newRow("half") << 500 << "0.5";
    QTest::newRow("one thousandth") << 1 << "0.001";
    QTest::newRow("almost") << 999 << "0.999";
    QTest::newRow("a third") << 333 << "0.333";
}

void TestCourseFileBar::progress()
{
    QFETCH(int, value);
    QFETCH(QString, x2);
    CourseFileButton tile("5_1", "abcd.ppt");
    tile.setProgress(value);
    QCOMPARE(tile.mainButton()->styleSheet(),
        QString("QToolButton{border:1px none grey;border-radius:3px;background-color:QLinearGradient(x1:0, y1:0, "
                "x2:%1, y2:0,stop:0 #75f3ff,stop:1 transparent)};")
            .arg(x2));
    tile.setNormalStyle();
    QCOMPARE(tile.mainButton()->styleSheet(), QString(CourseFileButton::normalStyle));
}

void TestCourseFileBar::tileClicks()
{
    CourseFileButton tile("7_1", "abcd.ppt");
    tile.show();
    QSignalSpy left(&tile, &CourseFileButton::signalBtnLeftClicked);
    QSignalSpy right(&tile, &CourseFileButton::signalBtnRightClicked);
    QSignalSpy deleted(&tile, &CourseFileButton::signalDelBtnClicked);

    QTest::mouseClick(tile.mainButton(), Qt::LeftButton);
    QCOMPARE(left.count(), 1);
    QCOMPARE(left.first().first().toString(), QString("7_1"));
    QVERIFY(tile.isChecked());

    QTest::mouseClick(tile.mainButton(), Qt::RightButton);
    QCOMPARE(right.count(), 1);
    QCOMPARE(right.first().first().toString(), QString("7_1"));
    QCOMPARE(left.count(), 1);

    tile.setDeleteHidden(false);
    QTest::mouseClick(tile.deleteButton(), Qt::LeftButton);
    QCOMPARE(deleted.count(), 1);
    QCOMPARE(deleted.first().first().toString(), QString("7_1"));
    QCOMPARE(left.count(), 1);
    QCOMPARE(right.count(), 1);
}

void TestCourseFileBar::toolButtonRightClick()
{
    ToolButton button;
    button.resize(40, 40);
    button.show();
    QSignalSpy right(&button, &ToolButton::rightClicked);
    QSignalSpy clicked(&button, &ToolButton::clicked);
    QTest::mousePress(&button, Qt::RightButton);
    QCOMPARE(right.count(), 0);
    QTest::mouseRelease(&button, Qt::RightButton);
    QCOMPARE(right.count(), 1);
    // The usual handling goes on: a left click is still a click, and no right click.
    QTest::mouseClick(&button, Qt::LeftButton);
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(right.count(), 1);
}

void TestCourseFileBar::selectAreaWheelScrollsSideways()
{
    QScopedPointer<SelectCourseScrollArea> area(makeArea<SelectCourseScrollArea>(new QLabel()));
    area->widget()->setFixedSize(2000, 100);
    area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QScrollBar *bar = area->horizontalScrollBar();
    bar->setValue(500);
    sendWheel(area->viewport(), 120);
    QCOMPARE(bar->value(), 380);
    sendWheel(area->viewport(), -240);
    QCOMPARE(bar->value(), 620);
    QCOMPARE(area->verticalScrollBar()->value(), 0);
}

// Dragging moves the page with every step and reports the position at most once per interval.
void TestCourseFileBar::dragReportsAtMostOncePerInterval()
{
    QScopedPointer<CourseScrollArea> area(makeArea<CourseScrollArea>(new QLabel()));
    QCOMPARE(area->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(area->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(area->styleSheet(), QString("QScrollArea{border: 0px;}"));
    qint64 now = 1000;
    area->setClock([&now] { return now; });
    area->setScrollArea(100, 200);
    QCOMPARE(area->horizontalScrollBar()->value(), 100);
    QCOMPARE(area->verticalScrollBar()->value(), 200);
    QSignalSpy reports(area.data(), &CourseScrollArea::signalScrollAreaMove);
    QWidget *viewport = area->viewport();

    sendMouse(viewport, QEvent::MouseButtonPress, QPoint(300, 250), Qt::LeftButton, Qt::LeftButton);
    QList<qint64> reportTimes;
    for (int step = 1; step <= 30; ++step) {
        now += 10;
        sendMouse(viewport, QEvent::MouseMove, QPoint(300 - step, 250 - 2 * step), Qt::NoButton, Qt::LeftButton);
        // The page follows every step, reported or not.
        QCOMPARE(area->horizontalScrollBar()->value(), 100 + step);
        QCOMPARE(area->verticalScrollBar()->value(), 200 + 2 * step);
        if (reports.count() > reportTimes.size()) {
            reportTimes << now;
            const QList<QVariant> last = reports.last();
            QCOMPARE(last.at(0).toInt(), 100 + step);
            QCOMPARE(last.at(1).toInt(), 200 + 2 * step);
            QCOMPARE(last.at(2).value<GlobalEnum::PPMFromType>(), GlobalEnum::PPMLocal);
        }
    }
    QCOMPARE(reportTimes, QList<qint64>({ 1050, 1100, 1150, 1200, 1250, 1300 }));
    sendMouse(viewport, QEvent::MouseButtonRelease, QPoint(270, 190), Qt::LeftButton, Qt::NoButton);
}

void TestCourseFileBar::dragNeedsTheLeftButtonHeld()
{
    QScopedPointer<CourseScrollArea> area(makeArea<CourseScrollArea>(new QLabel()));
    qint64 now = 0;
    area->setClock([&now] { return now; });
    QSignalSpy reports(area.data(), &CourseScrollArea::signalScrollAreaMove);
    QWidget *viewport = area->viewport();
    now = 100;
    // Moving without a press, or with the right button, moves nothing.
    sendMouse(viewport, QEvent::MouseMove, QPoint(50, 50), Qt::NoButton, Qt::LeftButton);
    sendMouse(viewport, QEvent::MouseButtonPress, QPoint(300, 250), Qt::RightButton, Qt::RightButton);
    sendMouse(viewport, QEvent::MouseMove, QPoint(200, 200), Qt::NoButton, Qt::RightButton);
    QCOMPARE(area->horizontalScrollBar()->value(), 0);
    QCOMPARE(reports.count(), 0);

    sendMouse(viewport, QEvent::MouseButtonPress, QPoint(300, 250), Qt::LeftButton, Qt::LeftButton);
    sendMouse(viewport, QEvent::MouseMove, QPoint(250, 250), Qt::NoButton, Qt::LeftButton);
    QCOMPARE(area->horizontalScrollBar()->value(), 50);
    QCOMPARE(reports.count(), 1);
    sendMouse(viewport, QEvent::MouseButtonRelease, QPoint(250, 250), Qt::LeftButton, Qt::NoButton);
    now = 1000;
    sendMouse(viewport, QEvent::MouseMove, QPoint(100, 100), Qt::NoButton, Qt::LeftButton);
    QCOMPARE(area->horizontalScrollBar()->value(), 50);
    QCOMPARE(reports.count(), 1);
}

// The wheel moves the page two wheel deltas and reports exactly where it ends; a turn within the interval is
// dropped whole.
void TestCourseFileBar::wheelReportsWhereThePageIs()
{
    QScopedPointer<CourseScrollArea> area(makeArea<CourseScrollArea>(new QLabel()));
    qint64 now = 0;
    area->setClock([&now] { return now; });
    area->setScrollArea(30, 600);
    QSignalSpy reports(area.data(), &CourseScrollArea::signalScrollAreaMove);

    now = 60;
    sendWheel(area->viewport(), -120);
    QCOMPARE(reports.count(), 1);
    QCOMPARE(reports.last().at(0).toInt(), 30);
    QCOMPARE(reports.last().at(1).toInt(), 840);
    QCOMPARE(area->horizontalScrollBar()->value(), 30);
    QCOMPARE(area->verticalScrollBar()->value(), 840);

    now = 100;
    sendWheel(area->viewport(), -120);
    QCOMPARE(reports.count(), 1);
    QCOMPARE(area->verticalScrollBar()->value(), 840);

    now = 110;
    sendWheel(area->viewport(), 240);
    QCOMPARE(reports.count(), 2);
    QCOMPARE(reports.last().at(1).toInt(), 360);
    QCOMPARE(area->verticalScrollBar()->value(), 360);
}

void TestCourseFileBar::centerWidgetTellsItsSize()
{
    CourseCenterWidget widget;
    widget.show();
    QSignalSpy sizes(&widget, &CourseCenterWidget::signalCenterWidgetResize);
    widget.resize(640, 360);
    QVERIFY(sizes.count() >= 1);
    QCOMPARE(sizes.last().first().toSize(), QSize(640, 360));
    widget.resize(300, 200);
    QCOMPARE(sizes.last().first().toSize(), QSize(300, 200));
}

QTEST_MAIN(TestCourseFileBar)
#include "tst_coursefilebar.moc"
