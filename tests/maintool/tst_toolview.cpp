#include "tests/support/classroomlink.h"
#include "tests/support/padclient.h"
#include "tests/support/tempworkdir.h"
#include "vrek/maintool/padtcpmanager.h"
#include "vrek/maintool/qrcodewidget.h"
#include "vrek/maintool/toolview.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/settingconfig.h"
#include "vrek/window/titleview.h"

#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QtTest>

namespace {
// What zbarimg reads from a picture; empty when it finds no code.
QString decodeQrCode(const QPixmap &pixmap, const QString &folder)
{
    const QString path = folder + "/qr.png";
    if (!pixmap.save(path))
        return QString();
    QProcess zbar;
    zbar.start("zbarimg", { "--raw", "-q", path });
    if (!zbar.waitForFinished(30000))
        return QString();
    return QString::fromUtf8(zbar.readAllStandardOutput()).trimmed();
}
} // namespace

class TestToolView : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void visibility_data();
    void visibility();
    void lockTwice();
    void lateArrivalGetsTheLockAlone();
    void rates_data();
    void rates();
    void connectionState_data();
    void connectionState();
    void pairingTexts_data();
    void pairingTexts();
    void pairingPopUpAndPadState();
    void popUpWhenTheServerDidNotStart();

private:
    TempWorkDir *m_work = nullptr;
    ClassroomLink *m_link = nullptr;
};

void TestToolView::initTestCase()
{
    m_work = new TempWorkDir;
    QVERIFY(m_work->isValid());
    SettingConfig::getSetting(); // reads and writes config.ini in the temporary folder
    m_link = new ClassroomLink;
    QVERIFY(m_link->connectToServer());
    g_runId = "Qq1Ww2Ee3R";
    g_userId = "90001";
    g_userName = QString::fromUtf8("王老师");
    g_classId = "class3101";
    PadTcpManager::setAddressChooser([] { return QStringLiteral("127.0.0.1"); });
}

void TestToolView::cleanupTestCase()
{
    PadTcpManager::setAddressChooser({});
    delete m_link;
    delete m_work;
}

void TestToolView::init()
{
    g_userType = 0;
    g_classType = 4;
    m_link->clear();
}

void TestToolView::visibility_data()
{
    QTest::addColumn<int>("userType");
    QTest::addColumn<int>("classType");
    QTest::addColumn<bool>("lock");
    QTest::addColumn<bool>("pad");
    QTest::newRow("lecturer") << 0 << 4 << true << true;
    QTest::newRow("student") << 1 << 4 << false << false;
    QTest::newRow("lecturer in a meeting") << 0 << 5 << false << true;
    QTest::newRow("meeting host") << 2 << 5 << false << true;
    QTest::newRow("meeting participant") << 3 << 5 << false << false;
}

void TestToolView::visibility()
{
    QFETCH(int, userType);
    QFETCH(int, classType);
    QFETCH(bool, lock);
    QFETCH(bool, pad);
    g_userType = userType;
    g_classType = classType;
    ToolView view;
    view.show();
    QCOMPARE(view.findChild<QPushButton *>("lockScreenBtn")->isVisible(), lock);
    QCOMPARE(view.findChild<QPushButton *>("padConnectBtn")->isVisible(), pad);
    QVERIFY(!view.findChild<QPushButton *>("devSetBtn")->isVisible());
    QCOMPARE(view.height(), ToolView::barHeight);
    QCOMPARE(view.findChild<QLabel *>("netStateLabel")->text(), QString::fromUtf8("正常"));
    // Only a user who can pair has a pad server.
    QCOMPARE(view.getPadTcpManager()->startTcpServer() != 0, pad);
}

void TestToolView::lockTwice()
{
    ToolView view;
    auto *lock = view.findChild<QPushButton *>("lockScreenBtn");
    QCOMPARE(lock->property("lock").toString(), QString("false"));
    QTest::mouseClick(lock, Qt::LeftButton);
    QVERIFY(view.isLocked());
    QVERIFY(lock->isChecked());
    QCOMPARE(lock->property("lock").toString(), QString("true"));
    QCOMPARE(lock->toolTip(), QString::fromUtf8("学生已锁屏"));
    QCOMPARE(SettingConfig::getSetting().getValue("lockScreen/flag"), QString("1"));
    QTest::mouseClick(lock, Qt::LeftButton);
    QVERIFY(!view.isLocked());
    QVERIFY(!lock->isChecked());
    QCOMPARE(lock->property("lock").toString(), QString("false"));
    QCOMPARE(lock->toolTip(), QString::fromUtf8("学生锁屏"));
    QCOMPARE(m_link->forwards(), (QStringList { "11\t0\tclass3101\t1\t2", "11\t0\tclass3101\t0\t2" }));
    QCOMPARE(SettingConfig::getSetting().getValue("lockScreen/flag"), QString("0"));
    QCOMPARE(m_link->server().waitForLine("11\t0\tclass3101\t0"), QString("11\t0\tclass3101\t0\t2"));
}

void TestToolView::lateArrivalGetsTheLockAlone()
{
    ToolView view;
    view.sendLateState("S5");
    QVERIFY(m_link->forwards().isEmpty());
    view.sendLockScreen();
    m_link->clear();
    view.sendLateState("S6");
    QCOMPARE(m_link->forwards(), QStringList { "11\t1\tS6\t1\t2" });
}

void TestToolView::rates_data()
{
    QTest::addColumn<double>("rate");
    QTest::addColumn<QString>("text");
    QTest::newRow("nothing") << 0.0 << "0Kbps";
    QTest::newRow("two digits") << 56.3 << "56Kbps";
    QTest::newRow("one decimal") << 1.234 << "1.2Kbps";
    QTest::newRow("just under 100") << 99.4 << "99Kbps";
    QTest::newRow("100 whole") << 100.0 << "100Kbps";
    QTest::newRow("above 100 in Mbps") << 512.0 << "0.5Mbps";
    QTest::newRow("100 Mbps whole") << 102400.0 << "100Mbps";
    QTest::newRow("many Mbps whole") << 150000.0 << "146Mbps";
}

void TestToolView::rates()
{
    QFETCH(double, rate);
    QFETCH(QString, text);
    QCOMPARE(ToolView::rateText(rate), text);
    ToolView view;
    view.slotNetFlowChange(rate, 56.3);
    QCOMPARE(view.findChild<QLabel *>("upSpeed")->text(), text);
    QCOMPARE(view.findChild<QLabel *>("downSpeed")->text(), QString("56Kbps"));
}

void TestToolView::connectionState_data()
{
    QTest::addColumn<bool>("dropped");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("style");
    QTest::newRow("normal") << false << QString::fromUtf8("正常") << "QLabel{color:#00cc00;}";
    QTest::newRow("normal even when dropped") << true << QString::fromUtf8("正常") << "QLabel{color:#00cc00;}";
    QTest::newRow("poor") << false << QString::fromUtf8("较差") << "QLabel{color:#ff7f0d;}";
    QTest::newRow("dropped") << true << QString::fromUtf8("断开") << "QLabel{color:#ff0000;}";
}

void TestToolView::connectionState()
{
    QFETCH(bool, dropped);
    QFETCH(QString, text);
    QFETCH(QString, style);
    ToolView view;
    emit m_link->manager()->signalSocketTimeout(dropped, text);
    auto *label = view.findChild<QLabel *>("netStateLabel");
    QCOMPARE(label->text(), text);
    QCOMPARE(label->styleSheet(), style);
}

void TestToolView::pairingTexts_data()
{
    QTest::addColumn<quint16>("port");
    QTest::addColumn<QString>("content");
    QTest::addColumn<QString>("caption");
    QTest::newRow("default port") << quint16(56789) << "192.168.1.20:56789"
                                  << QString::fromUtf8("手动输入\n3232235796-56789");
    QTest::newRow("another port") << quint16(51234) << "192.168.1.20:51234"
                                  << QString::fromUtf8("手动输入\n3232235796-51234");
    QTest::newRow("no server") << quint16(0) << "0.0.0.0:0" << QString::fromUtf8("服务未正常启动");
}

void TestToolView::pairingTexts()
{
    QFETCH(quint16, port);
    QFETCH(QString, content);
    QFETCH(QString, caption);
    QString actualContent;
    QString actualCaption;
    ToolView::pairingTexts(port, "192.168.1.20", "3232235796", actualContent, actualCaption);
    QCOMPARE(actualContent, content);
    QCOMPARE(actualCaption, caption);
}

void TestToolView::pairingPopUpAndPadState()
{
    ToolView view;
    view.show();
    PadTcpManager *manager = view.getPadTcpManager();
    const quint16 port = manager->startTcpServer();
    QVERIFY(port != 0);
    auto *padButton = view.findChild<QPushButton *>("padConnectBtn");
    QTest::mouseClick(padButton, Qt::LeftButton);
    QVERIFY(view.pairingFrame()->isVisible());
    QCOMPARE(view.pairingFrame()->title(), QString::fromUtf8("Tessli识别码"));
    QVERIFY(manager->isPairingOpen());
    QCOMPARE(view.qrCodeWidget()->qrcodeText()->text(), QString::fromUtf8("手动输入\n2130706433-%1").arg(port));
    const QPixmap qr = view.qrCodeWidget()->qrcodeImage()->pixmap(Qt::ReturnByValue);
    QCOMPARE(qr.size(), QSize(ToolView::qrCodeSide, ToolView::qrCodeSide));
    QCOMPARE(decodeQrCode(qr, m_work->path()), QString("127.0.0.1:%1").arg(port));

    // A pad that logs in turns the button green and closes the pop-up and the pairing time.
    PadClient pad;
    QString host;
    quint16 padPort = 0;
    QVERIFY(PadClient::parseCode(QString("2130706433-%1").arg(port), host, padPort));
    QVERIFY(pad.connectTo(host, padPort));
    QVERIFY(pad.login());
    QTRY_COMPARE_WITH_TIMEOUT(
        padButton->styleSheet(), QString("border-image: url(:/vrek/image/toolview/padconnect-4.png);"), 5000);
    QVERIFY(!view.pairingFrame()->isVisible());
    QVERIFY(!manager->isPairingOpen());
    // With a pad logged in the button shows nothing.
    QTest::mouseClick(padButton, Qt::LeftButton);
    QVERIFY(!view.pairingFrame()->isVisible());
    pad.disconnectFromHost();
    QTRY_COMPARE_WITH_TIMEOUT(
        padButton->styleSheet(), QString("border-image: url(:/vrek/image/toolview/padconnect-3.png);"), 5000);
    // Closing the pop-up ends the pairing time.
    QTest::mouseClick(padButton, Qt::LeftButton);
    QVERIFY(manager->isPairingOpen());
    view.pairingFrame()->close();
    QVERIFY(!manager->isPairingOpen());
    // Shown and hidden by other hands than the bar's (a window manager restoring it, a minimise), the pop-up
    // pairs exactly while it shows the code.
    view.pairingFrame()->show();
    QVERIFY(manager->isPairingOpen());
    PadClient again;
    QVERIFY(again.connectTo(host, padPort));
    QVERIFY(again.login());
    QTRY_VERIFY_WITH_TIMEOUT(!view.pairingFrame()->isVisible(), 5000);
    QVERIFY(!manager->isPairingOpen());
    again.disconnectFromHost();
    QTRY_VERIFY_WITH_TIMEOUT(!manager->isPadConnected(), 5000);
    view.pairingFrame()->show();
    view.pairingFrame()->hide();
    QVERIFY(!manager->isPairingOpen());
}

void TestToolView::popUpWhenTheServerDidNotStart()
{
    PadTcpManager::setAddressChooser([] { return QString(); });
    ToolView view;
    PadTcpManager::setAddressChooser([] { return QStringLiteral("127.0.0.1"); });
    QTest::ignoreMessage(QtWarningMsg, "no local address for the pad link, no server started");
    QCOMPARE(view.getPadTcpManager()->startTcpServer(), quint16(0));
    view.padConnectSlot();
    QVERIFY(view.pairingFrame()->isVisible());
    QCOMPARE(view.qrCodeWidget()->qrcodeText()->text(), QString::fromUtf8("服务未正常启动"));
    QCOMPARE(decodeQrCode(view.qrCodeWidget()->qrcodeImage()->pixmap(Qt::ReturnByValue), m_work->path()),
        QString("0.0.0.0:0"));
}

QTEST_MAIN(TestToolView)
#include "tst_toolview.moc"
