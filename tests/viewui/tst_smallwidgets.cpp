#include "vrek/viewui/combobox.h"
#include "vrek/viewui/comboboxline.h"
#include "vrek/viewui/integralview.h"
#include "vrek/viewui/menubutton.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QtTest>

class TestSmallWidgets : public QObject
{
    Q_OBJECT
private slots:
    void menuButton();
    void comboBoxPlaceholder();
    void comboBoxOpensOnFirstPressAfterClosingElsewhere();
    void integral_data();
    void integral();
};

void TestSmallWidgets::menuButton()
{
    MenuButton button;
    button.setButtonText("课程");
    QCOMPARE(button.text(), QString("课程"));
    QCOMPARE(button.toolTip(), QString("课程"));
    QCOMPARE(button.height(), 60);
    QCOMPARE(button.iconSize(), QSize(30, 30));
    QCOMPARE(button.toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
}

void TestSmallWidgets::comboBoxPlaceholder()
{
    ComboBox combo;
    QVERIFY(combo.lineEdit()->isReadOnly());
    QVERIFY(qobject_cast<ComboBoxLine *>(combo.lineEdit()));
    combo.setPlaceholderText("请选择摄像头");
    QCOMPARE(combo.lineEdit()->placeholderText(), QString("请选择摄像头"));
}

void TestSmallWidgets::comboBoxOpensOnFirstPressAfterClosingElsewhere()
{
    ComboBox combo;
    combo.addItems({ "麦克风一", "麦克风二" });
    combo.show();
    QVERIFY(QTest::qWaitForWindowExposed(&combo));
    QLineEdit *line = combo.lineEdit();
    QTest::mouseClick(line, Qt::LeftButton, Qt::NoModifier, line->rect().center());
    QTRY_VERIFY(combo.view()->isVisible());
    combo.hidePopup(); // closed elsewhere: a key, a click outside, a choice
    QTRY_VERIFY(!combo.view()->isVisible());
    QTest::mouseClick(line, Qt::LeftButton, Qt::NoModifier, line->rect().center());
    QTRY_VERIFY(combo.view()->isVisible());
    combo.hidePopup();
}

void TestSmallWidgets::integral_data()
{
    QTest::addColumn<QString>("points");
    QTest::addColumn<bool>("pointsShown");
    QTest::addColumn<QString>("pointsText");
    QTest::addColumn<QString>("caption");
    QTest::newRow("points") << "5" << true << "+5"
                            << "积分";
    QTest::newRow("zero") << "0" << false << ""
                          << "感谢您的付出!";
    QTest::newRow("not a number") << "abc" << false << ""
                                  << "感谢您的付出!";
}

void TestSmallWidgets::integral()
{
    QFETCH(QString, points);
    QFETCH(bool, pointsShown);
    QFETCH(QString, pointsText);
    QFETCH(QString, caption);
    IntegralView view;
    view.slotIntegralResult(points);
    QCOMPARE(view.isPointsShown(), pointsShown);
    if (pointsShown)
        QCOMPARE(view.pointsText(), pointsText);
    QCOMPARE(view.captionText(), caption);
}

QTEST_MAIN(TestSmallWidgets)
#include "tst_smallwidgets.moc"
