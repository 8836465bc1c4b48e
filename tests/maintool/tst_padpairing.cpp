// The pad link end to end on a real X display (Xvfb, started before the QApplication): the lecturer signs in to
// the sandboxed school service, enters a lesson, locks the class's screens and opens the pairing pop-up; the
// sandbox's pad program reads the code, logs in, turns a page and draws a stroke, after strangers have sent noise.
#include "sandbox/classroomsandbox.h"
#include "tests/support/noiseflood.h"
#include "tests/support/tempworkdir.h"
#include "tests/support/xvfbtestmain.h"
#include "vrek/class/classinfowidget.h"
#include "vrek/class/classlistwidget.h"
#include "vrek/class/classmanagerview.h"
#include "vrek/class/schoolclassview.h"
#include "vrek/class/selectclassview.h"
#include "vrek/logfilemanager.h"
#include "vrek/login/loginclient.h"
#include "vrek/maintool/padtcpmanager.h"
#include "vrek/maintool/qrcodewidget.h"
#include "vrek/maintool/toolview.h"
#include "vrek/profession/zephapplication.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/window/titleview.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QThread>
#include <QtTest>

#include <cstdio>

class TestPadPairing : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void lecturerPairsAPad();

private:
    TempWorkDir *m_work = nullptr;
    ClassroomSandbox *m_sandbox = nullptr;
};

void TestPadPairing::initTestCase()
{
    QThread::currentThread()->setObjectName("Main Thread");
    m_work = new TempWorkDir;
    QVERIFY(m_work->isValid());
    m_sandbox = new ClassroomSandbox;
    QVERIFY(m_sandbox->start());
    g_socketHost = "127.0.0.1";
    g_socketPort = QString::number(m_sandbox->classroomPort());
    g_webHost = "127.0.0.1";
    g_webPort = QString::number(m_sandbox->httpPort());
    g_fileHost = "127.0.0.1";
    g_userType = 0; // what TAVI_TEST_USER_TYPE=0 gives the program
    g_runId = "Pp7Qq8Rr9S";
    g_logFileName = LogFileManager::fileNameFor(QDateTime::currentDateTime());
    g_socketClientManager = new SocketClientManager(GlobalEnum::User0);
    // The machine's own interfaces may be anything; the pad pairs on loopback here.
    PadTcpManager::setAddressChooser([] { return QStringLiteral("127.0.0.1"); });
}

void TestPadPairing::cleanupTestCase()
{
    PadTcpManager::setAddressChooser({});
    delete g_socketClientManager;
    g_socketClientManager = nullptr;
    delete m_sandbox;
    delete m_work;
}

void TestPadPairing::lecturerPairsAPad()
{
    const ClassroomSandbox::Account lecturer = m_sandbox->accounts().value(1);
    QCOMPARE(lecturer.userCode, QString("teacher01"));
    ZephApplication application;
    QVERIFY(application.run());
    LoginClient *login = application.loginClient();
    login->findChild<QLineEdit *>("userCodeEdit")->setText(lecturer.userCode);
    login->findChild<QLineEdit *>("passwordEdit")->setText(lecturer.password);
    QTest::mouseClick(login->findChild<QPushButton *>("loginButton"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(application.stage(), int(ZephApplication::StageCourseList), 10000);
    QCOMPARE(g_userId, lecturer.userId);

    ClassListWidget *all = application.classManagerView()->selectClassView()->pages().first();
    QTRY_VERIFY_WITH_TIMEOUT(!all->cards().isEmpty(), 10000);
    QTest::mouseClick(all->cards().first()->findChild<QPushButton *>("enterPushButton"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(application.stage(), int(ZephApplication::StageSchoolClass), 10000);
    auto *window = qobject_cast<SchoolClassView *>(application.classWindow()->centerWidget());
    QVERIFY(window);
    ToolView *tools = window->toolView();
    QVERIFY(tools);

    // The lecturer locks the class's screens; the class is told.
    auto *lock = tools->findChild<QPushButton *>("lockScreenBtn");
    QTRY_VERIFY_WITH_TIMEOUT(lock->isVisible(), 5000);
    FakeClassroomServer *classroom = m_sandbox->classroom();
    classroom->clearLines();
    QTest::mouseClick(lock, Qt::LeftButton);
    // The menu bar's page and hand-control lines of the window's start may still be on their way.
    QCOMPARE(classroom->waitForLine("11\t0\tclass3101\t1\t"), QString("11\t0\tclass3101\t1\t2"));

    // The pairing pop-up shows the QR code of the address and the code to type.
    PadTcpManager *padLink = tools->getPadTcpManager();
    const quint16 port = padLink->getServerPort();
    QVERIFY(port != 0);
    auto *padButton = tools->findChild<QPushButton *>("padConnectBtn");
    QVERIFY(padButton->isVisible());
    QTest::mouseClick(padButton, Qt::LeftButton);
    TitleView *popUp = tools->pairingFrame();
    QTRY_VERIFY_WITH_TIMEOUT(popUp->isVisible(), 5000);
    const QString caption = tools->qrCodeWidget()->qrcodeText()->text();
    QCOMPARE(caption, QString::fromUtf8("手动输入\n2130706433-%1").arg(port));
    const QString shot = m_work->filePath("popup.png");
    QVERIFY(popUp->grab().save(shot));
    QProcess zbar;
    zbar.start("zbarimg", { "--raw", "-q", shot });
    QVERIFY(zbar.waitForFinished(30000));
    QCOMPARE(QString::fromUtf8(zbar.readAllStandardOutput()).trimmed(), QString("127.0.0.1:%1").arg(port));

    // Strangers on the network come first: noise from many connections, each closed at once, leaves the client and
    // its pad link whole.
    QVERIFY(NoiseFlood::run(QHostAddress::LocalHost, port, 200, 4141));
    QVERIFY(!padLink->isPadConnected());
    QVERIFY(popUp->isVisible());

    // The pad takes the code from the caption.
    QSignalSpy courseware(padLink, &PadTcpManager::readPPtMessageOut);
    QProcess pad;
    pad.setProcessChannelMode(QProcess::MergedChannels);
    pad.start(TAVIPAD, { caption.section('\n', 1), "--wait", "30" });
    QVERIFY(pad.waitForStarted());
    QTRY_COMPARE_WITH_TIMEOUT(
        padButton->styleSheet(), QString("border-image: url(:/vrek/image/toolview/padconnect-4.png);"), 20000);
    QVERIFY(!popUp->isVisible());
    QTRY_COMPARE_WITH_TIMEOUT(courseware.count(), 2, 10000);
    const PPtMessage page = courseware.at(0).at(0).value<PPtMessage>();
    QCOMPARE(quint32(page.getPpmType()), 1u);
    QCOMPARE(page.getDrawControl().getPageId(), 2u);
    const PPtMessage stroke = courseware.at(1).at(0).value<PPtMessage>();
    QCOMPARE(quint32(stroke.getPpmType()), 6u);
    QCOMPARE(stroke.getDrawSignal().getPointList().size(), 4);
    QByteArray output;
    QTRY_VERIFY_WITH_TIMEOUT((output += pad.readAll()).contains("received 1/4"), 10000);
    QVERIFY(output.contains("logged in: user 901"));

    pad.kill();
    pad.waitForFinished();
    QTRY_COMPARE_WITH_TIMEOUT(
        padButton->styleSheet(), QString("border-image: url(:/vrek/image/toolview/padconnect-3.png);"), 10000);
}

VREK_XVFB_TEST_MAIN(TestPadPairing)

#include "tst_padpairing.moc"
