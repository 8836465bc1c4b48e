#include "vrek/class/deviceinfolabel.h"

#include <QLabel>
#include <QtTest>

namespace {
QColor textColour(const DeviceInfoLabel &row, const char *label, QPalette::ColorGroup group = QPalette::Active)
{
    return row.findChild<QLabel *>(label)->palette().color(group, QPalette::WindowText);
}
} // namespace

// A row of the device check: the colours follow whether the status tells of success.
class TestDeviceInfoLabel : public QObject
{
    Q_OBJECT
private slots:
    void form();
    void colours_data();
    void colours();
    void infoAloneChangesNoColour();
};

void TestDeviceInfoLabel::form()
{
    DeviceInfoLabel row;
    row.setTitle("网络");
    row.setInfo("延迟 12 ms");
    QCOMPARE(row.findChild<QLabel *>("titleLabel")->text(), QString("网络"));
    QCOMPARE(row.findChild<QLabel *>("infoLabel")->text(), QString("延迟 12 ms"));
    QCOMPARE(row.findChild<QLabel *>("statusLabel")->text(), QString());
    QCOMPARE(row.height(), 50);
    QCOMPARE(row.minimumHeight(), row.maximumHeight());
    for (const char *name : { "titleLabel", "infoLabel", "statusLabel" })
        QCOMPARE(row.findChild<QLabel *>(name)->alignment(), Qt::AlignCenter);
}

void TestDeviceInfoLabel::colours_data()
{
    QTest::addColumn<QString>("status");
    QTest::addColumn<QColor>("title");
    QTest::addColumn<QColor>("statusColour");
    const QColor green("#55aa7f");
    const QColor red("#da545c");
    QTest::newRow("通过") << "通过" << QColor(Qt::black) << green;
    QTest::newRow("正常") << "正常" << QColor(Qt::black) << green;
    QTest::newRow("不通过") << "不通过" << QColor(Qt::red) << red;
    QTest::newRow("网络异常") << "网络异常" << QColor(Qt::red) << red;
    QTest::newRow("empty") << QString() << QColor(Qt::red) << red;
    QTest::newRow("success in a sentence") << "正常运行" << QColor(Qt::red) << red;
}

void TestDeviceInfoLabel::colours()
{
    QFETCH(QString, status);
    QFETCH(QColor, title);
    QFETCH(QColor, statusColour);
    DeviceInfoLabel row;
    // A success first, so that a failure has to change the colours back.
    row.setStatus(DeviceInfoLabel::isSuccess(status) ? "不通过" : "通过");
    row.setStatus(status);
    QCOMPARE(row.status(), status);
    for (QPalette::ColorGroup group : { QPalette::Active, QPalette::Inactive, QPalette::Disabled }) {
        QCOMPARE(textColour(row, "titleLabel", group), title);
        QCOMPARE(textColour(row, "statusLabel", group), statusColour);
        QCOMPARE(textColour(row, "infoLabel", group), QColor("#666666"));
    }
}

void TestDeviceInfoLabel::infoAloneChangesNoColour()
{
    DeviceInfoLabel row;
    row.setStatus("不通过");
    const QColor title = textColour(row, "titleLabel");
    const QColor status = textColour(row, "statusLabel");
    row.setInfo("您选择了可以听到");
    row.setTitle("扬声器");
    QCOMPARE(textColour(row, "titleLabel"), title);
    QCOMPARE(textColour(row, "statusLabel"), status);
}

QTEST_MAIN(TestDeviceInfoLabel)
#include "tst_deviceinfolabel.moc"
