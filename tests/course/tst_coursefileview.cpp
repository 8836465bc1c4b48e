#include "tests/support/classroomlink.h"
#include "tests/support/signalrecorder.h"
#include "tests/support/tempworkdir.h"
#include "vrek/course/coursefilemanager.h"
#include "vrek/course/coursefileview.h"
#include "vrek/dao/dbmanager.h"
#include "vrek/dao/userfiledao.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalvalue.h"

#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QToolButton>
#include <QtTest>

namespace {
QString formatRecord(const QVariant &value, bool &handled)
{
    handled = value.userType() == qMetaTypeId<CtrlMessage::LateCtrlType>();
    return handled ? QString::number(quint32(value.value<CtrlMessage::LateCtrlType>())) : QString();
}
} // namespace

class TestCourseFileView : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void fileButton_data();
    void fileButton();
    void relaysTheManager();

private:
    TempWorkDir *m_dir = nullptr;
};

void TestCourseFileView::initTestCase()
{
    QVERIFY(DBManager::dbFileInitial());
}

void TestCourseFileView::init()
{
    m_dir = new TempWorkDir();
    QVERIFY(DBManager::createDataFile(DBManager::dataBaseName));
    QVERIFY(UserFileDao::initial());
    g_userId = "u1";
    g_userType = 1;
    g_classType = 4;
}

void TestCourseFileView::cleanup()
{
    delete m_dir;
    m_dir = nullptr;
}

void TestCourseFileView::fileButton_data()
{
    QTest::addColumn<int>("userType");
    QTest::addColumn<int>("classType");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("hidden");
    QTest::newRow("lecturer, lesson") << 0 << 4 << "课件" << false;
    QTest::newRow("lecturer, meeting") << 2 << 5 << "资料" << false;
    QTest::newRow("student, lesson") << 1 << 4 << "课件" << true;
    QTest::newRow("student, meeting") << 3 << 5 << "资料" << true;
}

void TestCourseFileView::fileButton()
{
    QFETCH(int, userType);
    QFETCH(int, classType);
    QFETCH(QString, text);
    QFETCH(bool, hidden);
    g_userType = userType;
    g_classType = classType;
    CourseFileView view;
    QCOMPARE(view.windowTitle(), QString("CourseFileView"));
    auto *layout = view.findChild<QGridLayout *>("gridLayout");
    QVERIFY(layout);
    QCOMPARE(layout->spacing(), 0);
    QToolButton *button = view.fileButton();
    QCOMPARE(button->objectName(), QString("fileButton"));
    QCOMPARE(button->text(), text);
    QCOMPARE(button->isHidden(), hidden);
    QCOMPARE(button->size(), QSize(50, 70));
    QCOMPARE(button->minimumSize(), button->maximumSize());
    QCOMPARE(button->iconSize(), QSize(32, 32));
    QVERIFY(!button->icon().isNull());
    QCOMPARE(button->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    QCOMPARE(button->styleSheet(), QString("background-color:transparent;"));
}

// The panel's manager listens to the program's classroom connection and the panel passes its news on.
void TestCourseFileView::relaysTheManager()
{
    ClassroomLink link(true);
    QVERIFY(link.connectToServer());
    CourseFileView view;
    SignalRecorder recorder(&view);
    recorder.setFormatter(formatRecord);
    recorder.ignore({ "signalRemoveLocalFileIn" });

    QVERIFY(m_dir->writeFile("fileRecv/u1/kept_1/a.png", "x"));
    UserFile stored;
    stored.setId("kept_1", "u1");
    stored.setFileName("a.png");
    stored.setFileCount(1);
    stored.setStatus(2);
    QVERIFY(UserFileDao().saveUserFile(stored));
    view.verifyLocalFile();
    QCOMPARE(recorder.emitted(), QStringList { "signalAddCourseFileOut(kept_1,a.png)" });

    recorder.clear();
    view.manager()->slotGetFileStart("41_1", "deck.ppt", "http://h/41_1.zip");
    QVERIFY(m_dir->writeFile("fileRecv/u1/41_1/index.html", "x"));
    view.manager()->slotGetFileResult("41_1", true);
    emit view.signalRemoveLocalFileIn("41_1");
    QCOMPARE(recorder.emitted(),
        QStringList({ "signalAddCourseFileOut(41_1,deck.ppt)", "signalCourseFileStatus(41_1,0)",
            "signalLateCountInc(0)", "signalFileDownloadFinish(41_1)", "signalRemoveLocalFileOut(41_1)" }));
    QVERIFY(!QFileInfo::exists("fileRecv/u1/41_1"));

    // A stored file offered again only counts for a late joiner's replay, straight from the server.
    recorder.clear();
    link.server().sendLine("4\t0\ta.png\tkept_1\thttp://h/kept_1.zip\t1");
    QTRY_COMPARE_WITH_TIMEOUT(recorder.emitted(), QStringList { "signalLateCountInc(0)" }, 10000);
}

QTEST_MAIN(TestCourseFileView)
#include "tst_coursefileview.moc"
