#include "vrek/course/coursetoolview.h"
#include "vrek/utils/globalvalue.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

namespace {
const QStringList toolNames = { "pullButton", "blaserButton", "penButton", "textButton", "lineButton", "ellipseButton",
    "rectangleButton", "eraseButton", "undoButton", "clearButton" };

QPushButton *button(const QWidget *bar, const QString &name)
{
    return bar->findChild<QPushButton *>(name);
}

QComboBox *pagesOf(const QWidget *bar)
{
    return bar->findChild<QComboBox *>("pageComboBox");
}

QComboBox *zoomOf(const QWidget *bar)
{
    return bar->findChild<QComboBox *>("rationComboBox");
}
} // namespace

class TestCourseToolView : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void layoutAndPictures();
    void defaultTool_data();
    void defaultTool();
    void toolButtonsSayTheirName();
    void pageBox_data();
    void pageBox();
    void choosingAPage();
    void zoomBox();
    void boxesReadable();
    void sizes_data();
    void sizes();
    void hidingAndEnabling();
    void colourSwatchAndName();
};

void TestCourseToolView::init()
{
    g_userType = 0;
    g_uiScale = 1.0;
}

void TestCourseToolView::cleanup()
{
    g_userType = 1;
    g_uiScale = 1.0;
}

void TestCourseToolView::layoutAndPictures()
{
    CourseToolView bar;
    QCOMPARE(bar.windowTitle(), QString("CourseToolView"));
    auto *row = bar.findChild<QHBoxLayout *>("horizontalLayout_3");
    QVERIFY(row);
    QCOMPARE(row->count(), 10);
    QCOMPARE(row->stretch(0), 1);
    QCOMPARE(row->stretch(1), 5);
    QCOMPARE(row->stretch(9), 1);
    QCOMPARE(row->itemAt(1)->widget()->objectName(), QString("courseNameLabel"));
    QCOMPARE(row->itemAt(4)->widget()->objectName(), QString("pageComboBox"));
    QCOMPARE(row->itemAt(6)->widget()->objectName(), QString("rationComboBox"));
    auto *tools = bar.findChild<QHBoxLayout *>("drawBtnHorizontalLayout");
    QCOMPARE(tools->count(), 11);
    for (int i = 0; i < toolNames.size(); ++i)
        QCOMPARE(tools->itemAt(i)->widget()->objectName(), toolNames.at(i));
    QCOMPARE(tools->itemAt(10)->widget()->objectName(), QString("colorButton"));
    QVERIFY(button(&bar, "saveButton")->isHidden());
    QVERIFY(button(&bar, "undoButton")->isHidden());
    QVERIFY(!button(&bar, "clearButton")->isHidden());

    // Every picture the bar and the pen pop-up name is in the resources.
    const QStringList pictures
        = { "drag", "laser", "pencil", "text", "line", "ppen", "rect", "eraser", "revert", "cls" };
    for (const QString &picture : pictures) {
        for (int state = 1; state <= 3; ++state) {
            const QString path = QString(":/vrek/image/centerview/%1-%2.png").arg(picture).arg(state);
            QVERIFY2(!QPixmap(path).isNull(), qPrintable(path));
        }
    }
    for (const char *picture :
        { "save-1", "save-2", "fullppt-1", "fullppt-2", "linewidth-1", "linewidth-2", "linewidth-3" }) {
        const QString path = QString(":/vrek/image/centerview/%1.png").arg(picture);
        QVERIFY2(!QPixmap(path).isNull(), qPrintable(path));
    }
    QCOMPARE(button(&bar, "penButton")->styleSheet(),
        QString("QPushButton{border-image: url(:/vrek/image/centerview/pencil-1.png);}"
                "QPushButton:hover{border-image: url(:/vrek/image/centerview/pencil-2.png);}"
                "QPushButton:checked{border-image: url(:/vrek/image/centerview/pencil-3.png);}"));
    QVERIFY(button(&bar, "pullButton")
                ->styleSheet()
                .endsWith("QPushButton:checked {border-image: url(:/vrek/image/centerview/drag-3.png);}"));
}

void TestCourseToolView::defaultTool_data()
{
    QTest::addColumn<int>("userType");
    QTest::addColumn<QString>("checked");
    QTest::newRow("lecturer") << 0 << "blaserButton";
    QTest::newRow("student") << 1 << "pullButton";
}

void TestCourseToolView::defaultTool()
{
    QFETCH(int, userType);
    QFETCH(QString, checked);
    g_userType = userType;
    CourseToolView bar;
    for (const QString &name : toolNames)
        QCOMPARE(button(&bar, name)->isChecked(), name == checked);
}

void TestCourseToolView::toolButtonsSayTheirName()
{
    CourseToolView bar;
    QSignalSpy drawn(&bar, &CourseToolView::signalDrawButtonClicked);
    button(&bar, "penButton")->click();
    QVERIFY(button(&bar, "penButton")->isChecked());
    QVERIFY(!button(&bar, "blaserButton")->isChecked());
    button(&bar, "clearButton")->click();
    button(&bar, "undoButton")->click();
    // Undo and clear act at once: the checked drawing tool stays.
    QVERIFY(button(&bar, "penButton")->isChecked());
    QVERIFY(!button(&bar, "clearButton")->isChecked());
    QCOMPARE(drawn.size(), 3);
    QCOMPARE(drawn.at(0).at(0).toString(), QString("penButton"));
    QCOMPARE(drawn.at(1).at(0).toString(), QString("clearButton"));
    QCOMPARE(drawn.at(2).at(0).toString(), QString("undoButton"));
}

void TestCourseToolView::pageBox_data()
{
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("shown");
    QTest::newRow("page 5 of 10") << 4 << 10 << "5/10";
    QTest::newRow("nothing open") << 0 << 0 << "1/0";
    QTest::newRow("last of one") << 0 << 1 << "1/1";
}

void TestCourseToolView::pageBox()
{
    QFETCH(int, current);
    QFETCH(int, count);
    QFETCH(QString, shown);
    CourseToolView bar;
    QComboBox *pages = pagesOf(&bar);
    QCOMPARE(pages->count(), 1);
    QCOMPARE(pages->currentText(), QString("0/0"));
    QSignalSpy chosen(&bar, &CourseToolView::signalPageComboboxChanged);
    bar.setPageCombox(2, 30); // an earlier file's pages go
    bar.setPageCombox(current, count);
    QCOMPARE(pages->count(), count + 1);
    QCOMPARE(pages->currentIndex(), 0);
    QCOMPARE(pages->currentText(), shown);
    QCOMPARE(pages->itemData(0).toInt(), 0);
    QCOMPARE(pages->itemData(0, Qt::SizeHintRole).toSize(), QSize(0, 0));
    for (int k = 1; k <= count; ++k) {
        QCOMPARE(pages->itemText(k), QString::number(k));
        QCOMPARE(pages->itemData(k).toInt(), k - 1);
    }
    QVERIFY(chosen.isEmpty());
}

void TestCourseToolView::choosingAPage()
{
    CourseToolView bar;
    bar.setPageCombox(0, 10);
    QSignalSpy chosen(&bar, &CourseToolView::signalPageComboboxChanged);
    QComboBox *pages = pagesOf(&bar);
    pages->setCurrentIndex(3);
    QCOMPARE(chosen.size(), 1);
    QCOMPARE(chosen.first().at(0).toString(), QString("3"));
    QCOMPARE(chosen.first().at(1).toInt(), 2);
    QCOMPARE(pages->currentIndex(), 0); // the closed box shows current/count again
    QCOMPARE(pages->currentText(), QString("1/10"));
    pages->setCurrentIndex(0);
    QCOMPARE(chosen.size(), 1);
}

void TestCourseToolView::zoomBox()
{
    CourseToolView bar;
    QComboBox *zoom = zoomOf(&bar);
    QCOMPARE(zoom->count(), 15);
    QCOMPARE(zoom->currentText(), QString("100%"));
    QCOMPARE(zoom->itemText(0), QString("25%"));
    QCOMPARE(zoom->itemData(1).toDouble(), 0.33);
    QCOMPARE(zoom->itemData(14).toDouble(), 4.0);

    QSignalSpy chosen(&bar, &CourseToolView::signalRationComboboxChanged);
    bar.setRateCombox(1.2);
    QCOMPARE(zoom->currentIndex(), -1);
    bar.setRateCombox(1.25);
    QCOMPARE(zoom->currentText(), QString("125%"));
    QVERIFY(chosen.isEmpty()); // a zoom the manager sets is not echoed back

    // The user's choice goes out, the one already shown as well.
    emit zoom->activated(zoom->currentIndex());
    emit zoom->activated(zoom->currentIndex());
    QCOMPARE(chosen.size(), 2);
    QCOMPARE(chosen.at(1).at(0).toString(), QString("125%"));
    QCOMPARE(chosen.at(1).at(1).toDouble(), 1.25);
}

// The page and zoom boxes' texts stand out from what lies behind them: inside each box (its frame and arrow left
// out) some pixels differ clearly in brightness from the box's most common colour.
void TestCourseToolView::boxesReadable()
{
    QWidget host;
    host.resize(929, 43);
    auto *bar = new CourseToolView(&host);
    bar->resize(host.size());
    bar->viewResizeIn(24);
    bar->setPageCombox(1, 3);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    for (QComboBox *box : { pagesOf(bar), zoomOf(bar) }) {
        QVERIFY(box->isVisible());
        const QRect inner = box->geometry().adjusted(3, 3, -box->height(), -3);
        const QImage image = bar->grab(inner).toImage().convertToFormat(QImage::Format_RGB32);
        QHash<QRgb, int> counts;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                ++counts[image.pixel(x, y)];
        QRgb background = 0;
        for (auto it = counts.constBegin(); it != counts.constEnd(); ++it)
            if (it.value() > counts.value(background))
                background = it.key();
        int strokes = 0;
        for (auto it = counts.constBegin(); it != counts.constEnd(); ++it)
            if (qAbs(qGray(it.key()) - qGray(background)) > 100)
                strokes += it.value();
        QVERIFY2(strokes >= 20,
            qPrintable(QString("%1: %2 text pixels on %3").arg(box->currentText()).arg(strokes).arg(qGray(background))));
    }
}

void TestCourseToolView::sizes_data()
{
    QTest::addColumn<double>("scale");
    QTest::addColumn<unsigned>("height");
    QTest::addColumn<QSize>("swatch");
    QTest::addColumn<QSize>("box");
    QTest::newRow("start, scale 1.0") << 1.0 << 24u << QSize(19, 19) << QSize(60, 24);
    QTest::newRow("start, scale 1.5") << 1.5 << 24u << QSize(19, 19) << QSize(90, 24);
    QTest::newRow("taller bar") << 1.25 << 40u << QSize(32, 32) << QSize(125, 40);
}

void TestCourseToolView::sizes()
{
    QFETCH(double, scale);
    QFETCH(unsigned, height);
    QFETCH(QSize, swatch);
    QFETCH(QSize, box);
    g_uiScale = scale;
    CourseToolView bar;
    bar.viewResizeIn(height);
    const QSize square { int(height), int(height) };
    QCOMPARE(button(&bar, "colorButton")->minimumSize(), swatch);
    QCOMPARE(button(&bar, "colorButton")->maximumSize(), swatch);
    for (const QString &name : toolNames)
        QCOMPARE(button(&bar, name)->maximumSize(), square);
    QCOMPARE(button(&bar, "maximizeButton")->maximumSize(), square);
    QCOMPARE(pagesOf(&bar)->maximumSize(), box);
    QCOMPARE(zoomOf(&bar)->maximumSize(), box);
    QCOMPARE(bar.findChild<QLabel *>("courseNameLabel")->maximumHeight(), int(height));
}

void TestCourseToolView::hidingAndEnabling()
{
    CourseToolView bar;
    bar.setMaximizeBtnHidden(true);
    QVERIFY(button(&bar, "maximizeButton")->isHidden());
    bar.setDrawBtnHidden(true);
    for (const char *name : { "pullButton", "pageComboBox", "rationComboBox", "line", "line_2", "line_3" })
        QVERIFY2(bar.findChild<QWidget *>(name)->isHidden(), name);
    QVERIFY(!button(&bar, "penButton")->isHidden());
    bar.setToolBtnHidden(true);
    for (const QString &name : toolNames + QStringList { "colorButton" })
        QVERIFY(button(&bar, name)->isHidden());

    bar.setToolBtnEnable(false);
    for (const QString &name : toolNames + QStringList { "colorButton" })
        QVERIFY(!button(&bar, name)->isEnabled());
    QVERIFY(!pagesOf(&bar)->isEnabled());
    QVERIFY(!zoomOf(&bar)->isEnabled());
    QVERIFY(button(&bar, "maximizeButton")->isEnabled());
    bar.setToolBtnEnable(true);
    QVERIFY(zoomOf(&bar)->isEnabled());
}

void TestCourseToolView::colourSwatchAndName()
{
    CourseToolView bar;
    QSignalSpy colour(&bar, &CourseToolView::signalColorButtonClicked);
    QSignalSpy maximized(&bar, &CourseToolView::signalMaximizeButtonToggled);
    QTest::mousePress(button(&bar, "colorButton"), Qt::LeftButton);
    QCOMPARE(colour.size(), 1); // on press, not on release
    QTest::mouseRelease(button(&bar, "colorButton"), Qt::LeftButton);
    QCOMPARE(colour.size(), 1);
    bar.slotPenColorChange("#FB3838");
    QCOMPARE(button(&bar, "colorButton")->styleSheet(),
        QString("QPushButton{border:1px  groove gray solid #808080;border-radius:10px;padding:2px 4px ; "
                "background-color:#FB3838;}"));
    button(&bar, "maximizeButton")->click();
    QCOMPARE(maximized.size(), 1);
    QCOMPARE(maximized.first().at(0).toBool(), true);

    bar.setCourseName("物理 第三章");
    auto *label = bar.findChild<QLabel *>("courseNameLabel");
    QCOMPARE(label->text(), QString("<p style='margin:10px'>物理 第三章</p>"));
    QCOMPARE(label->toolTip(), QString("物理 第三章"));
}

QTEST_MAIN(TestCourseToolView)
#include "tst_coursetoolview.moc"
