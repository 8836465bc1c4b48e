// A client whose FFmpeg lacks a library (TAVI_TEST_FFMPEG_MISSING makes the loader look for a name that does not
// exist): it signs in and shows the course list as usual, and entering a lesson is refused with a box that names
// the library, owned by the course list, and a log line; nothing is sent to the classroom, nothing crashes, and
// the course list stays usable.
#include "platform/lazyffmpeg/ffmpegloader.h"
#include "sandbox/classroomsandbox.h"
#include "tests/support/fakeclassroomserver.h"
#include "tests/support/sandboxclient.h"
#include "vrek/class/classinfowidget.h"
#include "vrek/class/classlistwidget.h"
#include "vrek/class/classmanagerview.h"
#include "vrek/class/selectclassview.h"
#include "vrek/logfilemanager.h"
#include "vrek/profession/zephapplication.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/window/titleview.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

class TestMissingFfmpeg : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void aLessonIsRefusedWithTheMissingLibraryNamed();

private:
    SandboxClient *m_client = nullptr;
};

void TestMissingFfmpeg::initTestCase()
{
    QVERIFY(!qEnvironmentVariableIsEmpty("TAVI_TEST_FFMPEG_MISSING"));
    m_client = new SandboxClient;
    QVERIFY(m_client->start());
    g_logFileName = LogFileManager::fileNameFor(QDateTime::currentDateTime());
}

void TestMissingFfmpeg::cleanupTestCase()
{
    delete m_client;
}

void TestMissingFfmpeg::aLessonIsRefusedWithTheMissingLibraryNamed()
{
    const QString library = qEnvironmentVariable("TAVI_TEST_FFMPEG_MISSING");
    ClassroomSandbox *sandbox = m_client->sandbox();
    LogFileManager log;
    ZephApplication application;
    QVERIFY(application.run());
    SandboxClient::signIn(application, sandbox->account());
    QTRY_COMPARE_WITH_TIMEOUT(application.stage(), int(ZephApplication::StageCourseList), 10000);
    // The load after the login window's first paint has failed by itself, before any lesson is asked for.
    QTRY_COMPARE_WITH_TIMEOUT(int(FfmpegLoader::status()), int(FfmpegLoader::Failed), 60000);

    SelectClassView *courses = application.classManagerView()->selectClassView();
    ClassListWidget *all = courses->pages().first();
    QTRY_COMPARE_WITH_TIMEOUT(all->cards().size(), sandbox->lessons().size(), 10000);
    QTRY_VERIFY(courses->tabWidget()->isEnabled());
    QPushButton *enter = all->cards().at(0)->findChild<QPushButton *>("enterPushButton");
    QVERIFY(enter->isEnabled());

    FakeClassroomServer *classroom = sandbox->classroom();
    classroom->clearLines();
    // Each box that opens: its text and the window it belongs to; then it is accepted.
    QStringList texts;
    QList<QWidget *> owners;
    QTimer boxes;
    connect(&boxes, &QTimer::timeout, this, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            texts << box->text();
            owners << (box->parentWidget() ? box->parentWidget()->window() : nullptr);
            box->accept();
        }
    });
    boxes.start(20);
    for (int attempt = 1; attempt <= 2; ++attempt) {
        QTest::mouseClick(enter, Qt::LeftButton);
        // The box is modal: the click returns once it has been answered.
        QCOMPARE(texts.size(), attempt);
        QCOMPARE(texts.last(), QStringLiteral("缺少运行库 %1，无法进入课堂。请重新安装本程序。").arg(library));
        QCOMPARE(owners.last(), static_cast<QWidget *>(application.courseListWindow()));
        QCOMPARE(application.stage(), int(ZephApplication::StageCourseList));
        QVERIFY(application.courseListWindow()->isVisible());
        QVERIFY(courses->tabWidget()->isEnabled());
        QVERIFY(enter->isEnabled());
    }
    boxes.stop();
    // The refusal comes before the classroom connection is opened, in the click itself.
    QVERIFY(!g_socketClientManager->isConnected());
    QVERIFY2(classroom->lines().isEmpty(), qPrintable(classroom->lines().join(" | ")));
    QVERIFY(!application.classWindow());

    QFile file(g_logFileName);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    QVERIFY2(text.contains("FFmpeg cannot be loaded: " + library), "no line of the loader in the log");
    QCOMPARE(text.count("the class is not entered: FFmpeg cannot be loaded: " + library), 2);
}

QTEST_MAIN(TestMissingFfmpeg)
#include "tst_missingffmpeg.moc"
