#include "vrek/course/coursetooloptionwidget.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

namespace {
QPushButton *button(const QWidget *panel, const QString &name)
{
    return panel->findChild<QPushButton *>(name);
}

// The one button without a name: the current colour.
QPushButton *currentColour(const QWidget *panel)
{
    for (QPushButton *candidate : panel->findChildren<QPushButton *>()) {
        if (candidate->objectName().isEmpty())
            return candidate;
    }
    return nullptr;
}

QString currentColourSheet(const QString &colour)
{
    return QString("QPushButton{border:1px solid #808080;background-color:%1;}").arg(colour);
}
} // namespace

class TestCourseToolOptionWidget : public QObject
{
    Q_OBJECT

private slots:
    void defaultsWithoutSignals();
    void sendDefaultOption();
    void colours_data();
    void colours();
    void widths();
    void unknownSenders();
    void hidesOnFocusLoss();
};

void TestCourseToolOptionWidget::defaultsWithoutSignals()
{
    QWidget host;
    CourseToolOptionWidget panel(&host);
    QSignalSpy colour(&panel, &CourseToolOptionWidget::signalPenColorChange);
    QSignalSpy width(&panel, &CourseToolOptionWidget::signalLineWidthChange);
    QCoreApplication::processEvents();
    QVERIFY(panel.isHidden());
    QCOMPARE(panel.size(), QSize(270, 35));
    QCOMPARE(currentColour(&panel)->styleSheet(), currentColourSheet("#FB3838"));
    QVERIFY(button(&panel, "lineWidthBtn1")->isChecked());
    QVERIFY(!button(&panel, "lineWidthBtn2")->isChecked());
    QCOMPARE(panel.findChildren<QPushButton *>().size(), 20);
    for (QPushButton *each : panel.findChildren<QPushButton *>())
        QCOMPARE(each->focusPolicy(), Qt::NoFocus);
    QCOMPARE(button(&panel, "penColorBtn16")->size(), QSize(13, 13));
    QCOMPARE(button(&panel, "lineWidthBtn3")->size(), QSize(24, 24));
    QVERIFY(colour.isEmpty());
    QVERIFY(width.isEmpty());
}

void TestCourseToolOptionWidget::sendDefaultOption()
{
    CourseToolOptionWidget panel;
    QStringList order;
    connect(&panel, &CourseToolOptionWidget::signalPenColorChange, this,
        [&order](const QString &colour) { order << colour; });
    connect(&panel, &CourseToolOptionWidget::signalLineWidthChange, this,
        [&order](int width) { order << QString::number(width); });
    panel.sendDefaultOption();
    QCOMPARE(order, (QStringList { "#FB3838", "2" }));
}

void TestCourseToolOptionWidget::colours_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("colour");
    QTest::newRow("first") << "penColorBtn1"
                           << "#000000";
    QTest::newRow("white") << "penColorBtn9"
                           << "#FFFFFF";
    QTest::newRow("default") << "penColorBtn11"
                             << "#FB3838";
    QTest::newRow("last") << "penColorBtn16"
                          << "#16DCDC";
}

void TestCourseToolOptionWidget::colours()
{
    QFETCH(QString, name);
    QFETCH(QString, colour);
    CourseToolOptionWidget panel;
    QSignalSpy chosen(&panel, &CourseToolOptionWidget::signalPenColorChange);
    QPushButton *pick = button(&panel, name);
    QVERIFY(pick->styleSheet().contains("background-color:" + colour + ";"));
    pick->click();
    QCOMPARE(chosen.size(), 1);
    QCOMPARE(chosen.first().at(0).toString(), colour);
    QCOMPARE(currentColour(&panel)->styleSheet(), currentColourSheet(colour));
}

void TestCourseToolOptionWidget::widths()
{
    CourseToolOptionWidget panel;
    QSignalSpy chosen(&panel, &CourseToolOptionWidget::signalLineWidthChange);
    button(&panel, "lineWidthBtn3")->click();
    button(&panel, "lineWidthBtn3")->click(); // already checked: told again
    button(&panel, "lineWidthBtn2")->click();
    QCOMPARE(chosen.size(), 3);
    QCOMPARE(chosen.at(0).at(0).toInt(), 4);
    QCOMPARE(chosen.at(1).at(0).toInt(), 4);
    QCOMPARE(chosen.at(2).at(0).toInt(), 3);
    QVERIFY(button(&panel, "lineWidthBtn2")->isChecked());
    QVERIFY(!button(&panel, "lineWidthBtn3")->isChecked());
}

void TestCourseToolOptionWidget::unknownSenders()
{
    CourseToolOptionWidget panel;
    QPushButton stranger;
    stranger.setObjectName("other");
    connect(&stranger, &QPushButton::clicked, &panel, &CourseToolOptionWidget::slotPenColorBtnClicked);
    connect(&stranger, &QPushButton::clicked, &panel, &CourseToolOptionWidget::slotLineWidthBtnClicked);
    QSignalSpy colour(&panel, &CourseToolOptionWidget::signalPenColorChange);
    QSignalSpy width(&panel, &CourseToolOptionWidget::signalLineWidthChange);
    button(&panel, "penColorBtn1")->click();
    QTest::ignoreMessage(QtWarningMsg, "unknow lineWidth objectName: \"other\"");
    stranger.click();
    QCOMPARE(colour.last().at(0).toString(), QString("#FB3838"));
    QCOMPARE(currentColour(&panel)->styleSheet(), currentColourSheet("#FB3838"));
    QCOMPARE(width.last().at(0).toInt(), 3);
}

void TestCourseToolOptionWidget::hidesOnFocusLoss()
{
    QWidget host;
    host.resize(400, 300);
    auto *courseware = new QLineEdit(&host);
    courseware->setGeometry(10, 200, 200, 30);
    auto *panel = new CourseToolOptionWidget(&host);
    host.show();
    QApplication::setActiveWindow(&host);
    QVERIFY(QTest::qWaitForWindowActive(&host));

    panel->show();
    QVERIFY(panel->isVisible());
    QVERIFY(panel->hasFocus());
    // Picking keeps it open: its buttons never take the focus; nor does its background.
    QTest::mouseClick(button(panel, "penColorBtn5"), Qt::LeftButton);
    QTest::mouseClick(button(panel, "lineWidthBtn2"), Qt::LeftButton);
    QTest::mouseClick(panel, Qt::LeftButton, Qt::NoModifier, QPoint(265, 30));
    QVERIFY(panel->isVisible());
    QVERIFY(panel->hasFocus());
    // A click that takes the focus elsewhere closes it.
    QTest::mouseClick(courseware, Qt::LeftButton);
    QVERIFY(courseware->hasFocus());
    QVERIFY(panel->isHidden());
    panel->show();
    QVERIFY(panel->isVisible());
}

QTEST_MAIN(TestCourseToolOptionWidget)
#include "tst_coursetooloptionwidget.moc"
