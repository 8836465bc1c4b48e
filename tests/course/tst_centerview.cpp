// The courseware area offscreen, with a classroom connection on loopback and the stored course files in a
// temporary folder: the file bar's tiles, the default view forwarded by origin, the page switch, the lecturer's
// presence, and the late joiner's course files.
#include "tests/course/coursewaretest.h"
#include "tests/support/mediaclip.h"
#include "vrek/container/coursefilehash.h"
#include "vrek/container/userinfohash.h"
#include "vrek/course/centerview.h"
#include "vrek/course/coursefilebutton.h"
#include "vrek/course/courseislect.h"
#include "vrek/course/htmlcourseview.h"
#include "vrek/course/latectrlmanager.h"
#include "vrek/course/picturecourseview.h"
#include "vrek/course/toolbutton.h"
#include "vrek/course/videocoursemanager.h"
#include "vrek/course/videocourseview.h"
#include "vrek/dao/dbmanager.h"
#include "vrek/dao/userfiledao.h"
#include "vrek/socketclientmanager.h"

#include <QPushButton>
#include <QStackedWidget>
#include <QtTest>

using namespace CoursewareTest;

namespace {
constexpr int waitMs = 20000;
const QString pictures = QStringLiteral("pd001_1");
const QString video = QStringLiteral("vd002_1");
// The default view's open as the class and the pad get it.
const QString defaultViewText = QStringLiteral("0$0$AAAA_A:0:0:1");

QStringList texts(const QSignalSpy &spy)
{
    QStringList list;
    for (const QList<QVariant> &arguments : spy)
        list << text(arguments.first().value<PPtMessage>());
    return list;
}
} // namespace

class TestCenterView : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void startPage_data();
    void startPage();
    void oneTilePerFile();
    void progressDisablesTheTile_data();
    void progressDisablesTheTile();
    void rightClickTogglesDeleteButtonsOfEnabledTiles();
    void removingTheOpenFileShowsTheDefaultView_data();
    void removingTheOpenFileShowsTheDefaultView();
    void defaultViewIsForwardedByOrigin_data();
    void defaultViewIsForwardedByOrigin();
    void fileWithoutTileIsNotOpened();
    void pageChange_data();
    void pageChange();
    void classroomVideoOpenShowsTheVideoPage();
    void lecturerPresenceLeadsAStudentsBar_data();
    void lecturerPresenceLeadsAStudentsBar();
    void lateStartAsksAPresentLecturer_data();
    void lateStartAsksAPresentLecturer();
    void lateJoinerGetsSharedFilesAndTheirCount();
    void lateJoinerGetsTheOpenVideo();
    void maximizeWithoutFileDoesNothing();

private:
    void setUser(int userType);

    Session *m_session = nullptr;
};

void TestCenterView::initTestCase()
{
    QVERIFY(DBManager::dbFileInitial());
    m_session = new Session;
    QVERIFY(m_session->link.connectToServer());
    QVERIFY(DBManager::createDataFile(DBManager::dataBaseName));
    QVERIFY(UserFileDao::initial());
    QVERIFY(QDir().mkpath(m_session->dir.filePath(QString("fileRecv/u1/%1").arg(video))));
    MediaClip clip;
    QVERIFY(clip.make(m_session->dir.filePath(QString("fileRecv/u1/%1/clip.mp4").arg(video))));
    storeCourseFile(video, QString::fromUtf8("动画.mp4"));
}

void TestCenterView::cleanupTestCase()
{
    delete m_session;
}

void TestCenterView::init()
{
    setUser(1);
    g_classType = 4;
    g_lectId = "L1";
    g_userInfoHash.clear();
    // Removing a tile's file takes the deck away.
    QVERIFY(writePictureDeck(m_session->dir, pictures, { "page_1.jpg", "page_2.jpg" }));
    storeCourseFile(pictures, QString::fromUtf8("练习.pdf"));
    // One test makes a lecturer's connection of its own the program's one for a while.
    g_socketClientManager = m_session->link.manager();
    m_session->link.clear();
}

void TestCenterView::cleanup()
{
    courseIsLect = false;
}

void TestCenterView::setUser(int userType)
{
    g_userType = userType;
    g_userId = "u1";
}

void TestCenterView::startPage_data()
{
    QTest::addColumn<int>("classType");
    QTest::addColumn<int>("page");
    QTest::newRow("class") << 4 << 0;
    QTest::newRow("meeting") << 5 << 2;
}

void TestCenterView::startPage()
{
    QFETCH(int, classType);
    QFETCH(int, page);
    g_classType = classType;
    CenterView view;
    QCOMPARE(view.pageStackedWidget()->count(), 3);
    QCOMPARE(view.pageStackedWidget()->currentIndex(), page);
    QCOMPARE(view.courseStackedWidget()->count(), 4);
    QCOMPARE(view.courseStackedWidget()->currentIndex(), 0);
    QCOMPARE(view.currentCourseType(), 0);
    QVERIFY(!courseIsLect);
    auto *media = new QWidget;
    view.addMediaWidget(media);
    QCOMPARE(media->parentWidget(), view.pageStackedWidget()->widget(2));
}

void TestCenterView::oneTilePerFile()
{
    CenterView view;
    view.slotAddCourseFile(pictures, "a.pdf");
    view.slotAddCourseFile(video, "b.mp4");
    view.slotAddCourseFile(pictures, "a.pdf");
    const QList<CourseFileButton *> tiles = view.courseButtons();
    QCOMPARE(tiles.size(), 2);
    QCOMPARE(tiles.at(0)->getFileIdAll(), pictures);
    QCOMPARE(tiles.at(1)->getFileIdAll(), video);
    QCOMPARE(view.selectCourseContents()->findChildren<CourseFileButton *>().size(), 2);
}

void TestCenterView::progressDisablesTheTile_data()
{
    QTest::addColumn<int>("progress");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("started") << 0 << false;
    QTest::newRow("almost") << 999 << false;
    QTest::newRow("complete") << 1000 << true;
    QTest::newRow("beyond") << 1200 << true;
}

void TestCenterView::progressDisablesTheTile()
{
    QFETCH(int, progress);
    QFETCH(bool, enabled);
    CenterView view;
    view.slotAddCourseFile(pictures, "a.pdf");
    CourseFileButton *tile = view.courseButton(pictures);
    view.slotCourseFileStatus(pictures, 500);
    view.slotCourseFileStatus(pictures, progress);
    QCOMPARE(tile->isEnabled(), enabled);
    QCOMPARE(tile->mainButton()->styleSheet() == QLatin1String(CourseFileButton::normalStyle), enabled);
    // An unknown file changes nothing.
    view.slotCourseFileStatus("zz009_1", 100);
}

void TestCenterView::rightClickTogglesDeleteButtonsOfEnabledTiles()
{
    CenterView view;
    view.resize(900, 600);
    view.show();
    view.slotAddCourseFile(pictures, "a.pdf");
    view.slotAddCourseFile(video, "b.mp4");
    view.slotAddCourseFile("dl003_1", "c.pdf");
    view.slotCourseFileStatus("dl003_1", 300);
    CourseFileButton *downloading = view.courseButton("dl003_1");

    emit view.courseButton(video)->mainButton()->rightClicked();
    QVERIFY(view.isDeleteFlag());
    QVERIFY(!view.courseButton(pictures)->deleteButton()->isHidden());
    QVERIFY(!view.courseButton(video)->deleteButton()->isHidden());
    QVERIFY(downloading->deleteButton()->isHidden());

    // A press beside the tiles ends the delete mode.
    QTest::mousePress(view.selectCourseContents(), Qt::LeftButton, Qt::NoModifier,
        QPoint(view.selectCourseContents()->width() - 5, 5));
    QVERIFY(!view.isDeleteFlag());
    for (CourseFileButton *tile : view.courseButtons())
        QVERIFY(tile->deleteButton()->isHidden());
    // And once more by a right click; the downloading tile never shows one.
    emit view.courseButton(pictures)->mainButton()->rightClicked();
    emit view.courseButton(pictures)->mainButton()->rightClicked();
    QVERIFY(!view.isDeleteFlag());
    QVERIFY(view.courseButton(pictures)->deleteButton()->isHidden());
    QVERIFY(downloading->deleteButton()->isHidden());
}

void TestCenterView::removingTheOpenFileShowsTheDefaultView_data()
{
    QTest::addColumn<int>("userType");
    QTest::addColumn<QStringList>("forwards");
    QTest::newRow("lecturer") << 0 << QStringList { classLine(defaultViewText) };
    QTest::newRow("student") << 1 << QStringList {};
}

void TestCenterView::removingTheOpenFileShowsTheDefaultView()
{
    QFETCH(int, userType);
    QFETCH(QStringList, forwards);
    setUser(userType);
    CenterView view;
    QSignalSpy pad(&view, &CenterView::signalSendPPtMessageOut);
    QSignalSpy removed(&view, &CenterView::signalRemoveLocalFile);
    view.slotAddCourseFile(pictures, "a.pdf");
    view.slotAddCourseFile(video, "b.mp4");
    view.slotOpenFile(pictures, GlobalEnum::PPMServer);
    QCOMPARE(view.currentCourseType(), 1);
    QCOMPARE(view.courseStackedWidget()->currentIndex(), 1);
    QVERIFY(view.courseButton(pictures)->isChecked());
    m_session->link.clear();
    pad.clear();

    emit view.courseButton(pictures)->mainButton()->rightClicked();
    QTest::mouseClick(view.courseButton(pictures)->deleteButton(), Qt::LeftButton);
    QCOMPARE(view.currentCourseType(), 0);
    QCOMPARE(view.courseStackedWidget()->currentIndex(), 0);
    QCOMPARE(m_session->link.forwards(), forwards);
    QCOMPARE(texts(pad), QStringList { defaultViewText });
    QCOMPARE(removed.size(), 1);
    QCOMPARE(removed.first().first().toString(), pictures);
    QVERIFY(!view.courseButton(pictures));
    QCOMPARE(view.courseButtons().size(), 1);
    // The file may come back at once.
    view.slotAddCourseFile(pictures, "a.pdf");
    QCOMPARE(view.courseButtons().size(), 2);

    // A tile of a file that is not open goes without a word.
    pad.clear();
    m_session->link.clear();
    view.slotRemoveCourseBtn(video);
    QVERIFY(pad.isEmpty());
    QVERIFY(m_session->link.forwards().isEmpty());
}

void TestCenterView::defaultViewIsForwardedByOrigin_data()
{
    QTest::addColumn<int>("userType");
    QTest::addColumn<int>("from");
    QTest::addColumn<bool>("toClass");
    QTest::addColumn<bool>("toPad");
    QTest::newRow("lecturer's own") << 0 << int(GlobalEnum::PPMLocal) << true << true;
    QTest::newRow("student's own") << 1 << int(GlobalEnum::PPMLocal) << false << true;
    QTest::newRow("lecturer, from the server") << 0 << int(GlobalEnum::PPMServer) << false << true;
    QTest::newRow("student, from the server") << 1 << int(GlobalEnum::PPMServer) << false << true;
    QTest::newRow("from the pad") << 0 << int(GlobalEnum::PPMPad) << true << false;
}

void TestCenterView::defaultViewIsForwardedByOrigin()
{
    QFETCH(int, userType);
    QFETCH(int, from);
    QFETCH(bool, toClass);
    QFETCH(bool, toPad);
    setUser(userType);
    CenterView view;
    QSignalSpy pad(&view, &CenterView::signalSendPPtMessageOut);
    // The pad's messages come through the courseware dispatch like the server's.
    PPtMessage open(PPtMessage::OpenFile);
    DrawControl control;
    control.setFileIdAll("AAAA_A");
    open.setDrawControl(control);
    emit view.signalReadPPtCourseMessage(open, GlobalEnum::PPMFromType(from));
    QCOMPARE(m_session->link.forwards(), toClass ? QStringList { classLine(defaultViewText) } : QStringList());
    QCOMPARE(texts(pad), toPad ? QStringList { defaultViewText } : QStringList());
}

void TestCenterView::fileWithoutTileIsNotOpened()
{
    CenterView view;
    view.slotOpenFile(pictures, GlobalEnum::PPMServer);
    QCOMPARE(view.currentCourseType(), 0);
    QCOMPARE(view.courseStackedWidget()->currentIndex(), 0);
}

void TestCenterView::pageChange_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("shown");
    QTest::addColumn<bool>("paused");
    QTest::newRow("courseware") << 0 << 0 << false;
    QTest::newRow("board") << 1 << 1 << true;
    QTest::newRow("media") << 2 << 2 << true;
    QTest::newRow("3: nothing") << 3 << 0 << false;
    QTest::newRow("-1: nothing") << -1 << 0 << false;
}

void TestCenterView::pageChange()
{
    QFETCH(int, page);
    QFETCH(int, shown);
    QFETCH(bool, paused);
    setUser(0);
    CenterView view;
    view.slotAddCourseFile(video, "b.mp4");
    view.slotOpenFile(video, GlobalEnum::PPMServer);
    QCOMPARE(view.currentCourseType(), 3);
    QCOMPARE(view.courseStackedWidget()->currentIndex(), 3);
    m_session->link.clear();
    view.slotPageChange(page);
    QCOMPARE(view.pageStackedWidget()->currentIndex(), shown);
    QCOMPARE(view.videoView()->manager()->isPause(), paused);
    // The lecturer's own pause goes to the class.
    QCOMPARE(m_session->link.forwards().size(), paused ? 1 : 0);
    if (paused)
        QVERIFY(m_session->link.forwards().first().startsWith(QString("11\t0\tclass7\t5$1$%1:").arg(video)));
}

void TestCenterView::classroomVideoOpenShowsTheVideoPage()
{
    CenterView view;
    view.slotAddCourseFile(video, "b.mp4");
    m_session->link.server().sendLine(QString("11\t0\t5$0$%1:1500:0:1").arg(video));
    QTRY_COMPARE_WITH_TIMEOUT(view.currentCourseType(), 3, waitMs);
    QCOMPARE(view.courseStackedWidget()->currentIndex(), 3);
    QVERIFY(view.courseButton(video)->isChecked());
    VideoCourseManager *manager = view.videoView()->manager();
    QCOMPARE(manager->currentFileIdAll(), video);
    QVERIFY(manager->isPause());
    // It stands paused where the lecturer's video stands.
    QTRY_COMPARE_WITH_TIMEOUT(manager->player()->state(), VlcPlayer::Paused, waitMs);
    QTRY_VERIFY_WITH_TIMEOUT(qAbs(manager->player()->position() - 1500) < 800, waitMs);
    // A student follows and sends nothing back.
    QVERIFY(m_session->link.forwards().isEmpty());
}

void TestCenterView::lecturerPresenceLeadsAStudentsBar_data()
{
    QTest::addColumn<int>("userType");
    QTest::addColumn<bool>("whilePresent");
    QTest::newRow("student") << 1 << false;
    QTest::newRow("lecturer") << 0 << true;
}

void TestCenterView::lecturerPresenceLeadsAStudentsBar()
{
    QFETCH(int, userType);
    QFETCH(bool, whilePresent);
    setUser(userType);
    CenterView view;
    view.slotAddCourseFile(pictures, "a.pdf");
    view.slotOpenFile(pictures, GlobalEnum::PPMServer);
    const auto enabled = [&view](bool on) {
        return view.selectCourseContents()->isEnabled() == on && view.videoView()->isControlEnabled() == on
            && view.pictureView()->form().leftButton->isEnabled() == on
            && view.htmlView()->form().rightButton->isEnabled() == on;
    };
    QVERIFY(enabled(true));
    UserInfo lecturer("L1", "Teacher", "0");
    view.slotLectOnline(lecturer);
    QVERIFY(enabled(whilePresent));
    view.slotLectOffline(lecturer);
    QVERIFY(enabled(true));
    // The lecturer left: the default view.
    QCOMPARE(view.currentCourseType(), 0);
    QCOMPARE(view.courseStackedWidget()->currentIndex(), 0);
}

void TestCenterView::lateStartAsksAPresentLecturer_data()
{
    QTest::addColumn<int>("userType");
    QTest::addColumn<bool>("present");
    QTest::addColumn<bool>("asked");
    QTest::newRow("student, lecturer present") << 1 << true << true;
    QTest::newRow("student, lecturer absent") << 1 << false << false;
    QTest::newRow("lecturer") << 0 << true << false;
}

void TestCenterView::lateStartAsksAPresentLecturer()
{
    QFETCH(int, userType);
    QFETCH(bool, present);
    QFETCH(bool, asked);
    setUser(userType);
    UserInfo lecturer("L1", "Teacher", "0");
    lecturer.setOnline(present);
    g_userInfoHash.updateUserInfo(lecturer);
    CenterView view;
    if (userType == 0)
        QTest::ignoreMessage(QtWarningMsg, "CenterView::slotSendLateStart isLect: true");
    view.slotSendLateStart();
    QCOMPARE(m_session->link.forwards(), asked ? QStringList { "11\t1\tL1\t2$4:u1\t0" } : QStringList());
}

void TestCenterView::lateJoinerGetsSharedFilesAndTheirCount()
{
    // The lecturer's side: only the lecturer's connection shares files.
    ClassroomLink link(true, GlobalEnum::User0);
    QVERIFY(link.connectToServer());
    setUser(0);
    UserFileDao dao;
    const QList<QPair<QString, int>> rows { { "sh01_1", 2 }, { "own02_0", 2 }, { "dl03_1", 1 }, { "gone04_1", 0 },
        { "nopart", 2 }, { "three_1_x", 2 } };
    for (const auto &row : rows) {
        UserFile file;
        file.setId(row.first, "u1");
        file.setFileName("f.pdf");
        file.setStatus(quint8(row.second));
        QVERIFY(dao.saveUserFile(file));
    }
    CenterView view;
    QVERIFY(view.lateCtrlManager()->isLect());
    link.clear();
    QTest::ignoreMessage(QtCriticalMsg, "LateCtrlManager::sendFileLate the strList length error! pid: \"S7\"");
    QTest::ignoreMessage(QtCriticalMsg, "LateCtrlManager::sendFileLate the strList length error! pid: \"S7\"");
    link.server().sendLine("11\t1\t2$4:S7");
    QCOMPARE(link.server().waitForLine("11\t1\tS7\t2$0:0"), QString("11\t1\tS7\t2$0:0:u1:3\t0"));
    QStringList shared = link.sent().filter(QRegularExpression("^4\t"));
    shared.sort();
    QCOMPARE(
        shared, QStringList({ "4\tu1\t3\tdl03\t1\t1\tS7", "4\tu1\t3\tsh01\t1\t1\tS7", "4\tu1\t3\tthree\t1\t1\tS7" }));
    for (const auto &row : rows)
        QVERIFY(dao.deleteUserFileById(row.first + "@u1"));
}

void TestCenterView::lateJoinerGetsTheOpenVideo()
{
    setUser(0);
    CenterView view;
    view.sendCourseLate("S9");
    QVERIFY(m_session->link.forwards().isEmpty());
    view.slotAddCourseFile(video, "b.mp4");
    view.slotOpenFile(video, GlobalEnum::PPMLocal);
    m_session->link.clear();
    view.sendCourseLate("S9");
    QCOMPARE(m_session->link.forwards(), QStringList { QString("11\t1\tS9\t5$0$%1:0:0:0\t0").arg(video) });
}

void TestCenterView::maximizeWithoutFileDoesNothing()
{
    CenterView view;
    view.slotMaximizeButtonToggled(true);
    for (QWidget *page : { static_cast<QWidget *>(view.pictureView()), static_cast<QWidget *>(view.htmlView()),
             static_cast<QWidget *>(view.videoView()) })
        QVERIFY(!page->isWindow());

    view.slotAddCourseFile(pictures, "a.pdf");
    view.slotOpenFile(pictures, GlobalEnum::PPMServer);
    view.slotMaximizeButtonToggled(true);
    QVERIFY(view.pictureView()->isWindow());
    view.slotMaximizeButtonToggled(false);
    QVERIFY(!view.pictureView()->isWindow());
    QCOMPARE(view.pictureView()->parentWidget(), view.courseStackedWidget()->widget(1));
}

QTEST_MAIN(TestCenterView)
#include "tst_centerview.moc"
