#include "tests/course/storeduserfile.h"
#include "tests/support/classroomlink.h"
#include "tests/support/fakehttpserver.h"
#include "tests/support/signalrecorder.h"
#include "tests/support/tempworkdir.h"
#include "tests/transferfile/transfertestsupport.h"
#include "vrek/container/coursefilehash.h"
#include "vrek/course/coursefilemanager.h"
#include "vrek/course/coursefileview.h"
#include "vrek/dao/dbmanager.h"
#include "vrek/dao/transferfiledao.h"
#include "vrek/dao/userfiledao.h"
#include "vrek/socketclientmanager.h"
#include "vrek/transferfile/transferfileview.h"
#include "vrek/transferfile/transfertreeview.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/window/titleview.h"

#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QToolButton>
#include <QtTest>

#include <quazip/JlCompress.h>

namespace {
QString formatRecord(const QVariant &value, bool &handled)
{
    handled = value.userType() == qMetaTypeId<CtrlMessage::LateCtrlType>();
    return handled ? QString::number(quint32(value.value<CtrlMessage::LateCtrlType>())) : QString();
}

// The status of a file's row in the transfer list, -1 without one.
int rowStatus(const CourseFileView &view, const QString &fileId)
{
    TransferInfo info;
    info.setId(fileId);
    return view.transferFileView()->treeView()->selectRow(info) ? int(info.getStatus()) : -1;
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
    void fileButtonReadable();
    void relaysTheManager();
    void transferWindow_data();
    void transferWindow();
    void downloadsThroughTheTransferList();
    void removedFileIsUpdatedInTheList();
    void fullDiskIsToldAndRetried();

private:
    TempWorkDir *m_dir = nullptr;
    NetworkEngineThread *m_network = nullptr;
};

void TestCourseFileView::initTestCase()
{
    m_network = new NetworkEngineThread();
    QVERIFY(DBManager::dbFileInitial());
}

void TestCourseFileView::init()
{
    m_dir = new TempWorkDir();
    QVERIFY(DBManager::createDataFile(DBManager::dataBaseName));
    QVERIFY(UserFileDao::initial());
    QVERIFY(TransferFileDao::initial());
    g_userId = "17";
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
    QVERIFY(button->styleSheet().startsWith("background-color:transparent;"));
}

// The lecturer's add button shows its text ("课件") on the panel's light ground: under the icon some pixels differ
// clearly in brightness from the button's most common colour.
void TestCourseFileView::fileButtonReadable()
{
    g_userType = 0;
    g_classType = 4;
    CourseFileView view;
    view.resize(600, 120);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QToolButton *button = view.fileButton();
    QVERIFY(button->isVisible());
    const QRect textArea(button->mapTo(&view, QPoint(0, button->height() - 24)), QSize(button->width(), 24));
    const QImage image = view.grab(textArea).toImage().convertToFormat(QImage::Format_RGB32);
    QHash<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ++counts[image.pixel(x, y)];
    QRgb ground = 0;
    for (auto it = counts.constBegin(); it != counts.constEnd(); ++it)
        if (it.value() > counts.value(ground))
            ground = it.key();
    int strokes = 0;
    for (auto it = counts.constBegin(); it != counts.constEnd(); ++it)
        if (qAbs(qGray(it.key()) - qGray(ground)) > 100)
            strokes += it.value();
    QVERIFY2(qGray(ground) > 128, qPrintable(QString("ground %1").arg(qGray(ground))));
    QVERIFY2(strokes >= 20, qPrintable(QString("%1 text pixels").arg(strokes)));
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

    QVERIFY(m_dir->writeFile("fileRecv/17/kept_1/a.png", "x"));
    UserFile stored;
    stored.setId("kept_1", "17");
    stored.setFileName("a.png");
    stored.setFileCount(1);
    stored.setStatus(2);
    QVERIFY(UserFileDao().saveUserFile(stored));
    view.verifyLocalFile();
    QCOMPARE(recorder.emitted(), QStringList { "signalAddCourseFileOut(kept_1,a.png)" });

    recorder.clear();
    view.manager()->slotGetFileStart("41_1", "deck.ppt", "http://h/41_1.zip");
    QVERIFY(m_dir->writeFile("fileRecv/17/41_1/index.html", "x"));
    view.manager()->slotGetFileResult("41_1", true);
    emit view.signalRemoveLocalFileIn("41_1");
    QCOMPARE(recorder.emitted(),
        QStringList({ "signalAddCourseFileOut(41_1,deck.ppt)", "signalCourseFileStatus(41_1,0)",
            "signalLateCountInc(0)", "signalCourseFileStatus(41_1,1000)", "signalFileDownloadFinish(41_1)",
            "signalRemoveLocalFileOut(41_1)" }));
    QVERIFY(!QFileInfo::exists("fileRecv/17/41_1"));

    // A stored file offered again only counts for a late joiner's replay, straight from the server.
    recorder.clear();
    link.server().sendLine("4\t0\ta.png\tkept_1\thttp://h/kept_1.zip\t1");
    QTRY_COMPARE_WITH_TIMEOUT(recorder.emitted(), QStringList { "signalLateCountInc(0)" }, 10000);
}

void TestCourseFileView::transferWindow_data()
{
    QTest::addColumn<int>("classType");
    QTest::addColumn<QString>("title");
    QTest::newRow("lesson") << 4 << "文件上传";
    QTest::newRow("meeting") << 5 << "资料上传";
}

// The lecturer's button opens the transfer list in its frame, which asks the server for the class's files.
void TestCourseFileView::transferWindow()
{
    QFETCH(int, classType);
    QFETCH(QString, title);
    g_userType = 0;
    g_classType = classType;
    ClassroomLink link(true, GlobalEnum::User0);
    QVERIFY(link.connectToServer());
    CourseFileView view;
    TitleView *frame = view.transferTitleView();
    QCOMPARE(frame->title(), title);
    QCOMPARE(frame->centerWidget(), view.transferFileView());
    QVERIFY(frame->windowFlags().testFlag(Qt::Tool));
    QVERIFY(frame->windowFlags().testFlag(Qt::FramelessWindowHint));
    QVERIFY(!frame->isVisible());

    view.show();
    link.clear();
    QTest::mouseClick(view.fileButton(), Qt::LeftButton);
    QVERIFY(frame->isVisible());
    QVERIFY(view.transferFileView()->isVisible());
    QCOMPARE(link.sent(), QStringList { "4\t17\t2" });
    frame->close();
}

// The manager's offers go to the transfer list, whose download is recorded by the manager and relayed to the
// bar: a complete archive unpacked and stored, a file the server lacks only listed, a failed download dropped.
void TestCourseFileView::downloadsThroughTheTransferList()
{
    QVERIFY(m_dir->writeFile("src/deck/index.html", "<html></html>"));
    QVERIFY(m_dir->writeFile("src/deck/data/pres/outline.xml", "<outline><slide/></outline>"));
    QVERIFY(JlCompress::compressDir(m_dir->filePath("deck.zip"), m_dir->filePath("src/deck"), true));
    QFile zip(m_dir->filePath("deck.zip"));
    QVERIFY(zip.open(QIODevice::ReadOnly));
    FakeHttpServer files;
    QVERIFY(files.listen());
    FakeHttpServer::Reply archive;
    archive.body = zip.readAll();
    archive.contentType = "application/zip";
    archive.ranges = true;
    files.setReply("/files/61_1.zip", archive);

    ClassroomLink link(true);
    QVERIFY(link.connectToServer());
    CourseFileView view;
    SignalRecorder recorder(&view);
    recorder.setFormatter(formatRecord);

    link.server().sendLines(
        { QString("4\t0\tdeck.pptx\t61_1\t%1/files/61_1.zip\t1").arg(files.baseUrl()), "4\t1\tgone.pdf\t62_1\t\t0" });
    QTRY_VERIFY_WITH_TIMEOUT(recorder.emitted().contains("signalFileDownloadFinish(61_1)"), 20000);
    const QStringList emitted = recorder.emitted();
    QCOMPARE(
        emitted.mid(0, 2), QStringList({ "signalAddCourseFileOut(61_1,deck.pptx)", "signalCourseFileStatus(61_1,0)" }));
    QCOMPARE(emitted.mid(emitted.size() - 3),
        QStringList(
            { "signalLateCountInc(0)", "signalCourseFileStatus(61_1,1000)", "signalFileDownloadFinish(61_1)" }));
    int last = 0;
    for (const QVariantList &arguments : recorder.arguments("signalCourseFileStatus")) {
        QCOMPARE(arguments.at(0).toString(), QString("61_1"));
        QVERIFY(arguments.at(1).toInt() >= last && arguments.at(1).toInt() <= 1000);
        last = arguments.at(1).toInt();
    }
    QVERIFY(QFileInfo::exists("fileRecv/17/61_1/index.html"));
    QVERIFY(QFileInfo::exists("fileRecv/17/61_1/data/pres/outline.xml"));
    QVERIFY(!QFileInfo::exists("fileRecv/17/61_1.zip"));
    QCOMPARE(storedUserFile("61_1@17").status, 2);
    QCOMPARE(storedUserFile("61_1@17").fileCount, 1);
    UserFile file;
    QVERIFY(g_courseFileHash.selectUserFile("61_1", file));
    QVERIFY(file.isDownloaded());
    QCOMPARE(file.getCourseType(), 2);
    QCOMPARE(rowStatus(view, "61_1"), int(TransferInfo::Downloaded));
    QCOMPARE(rowStatus(view, "62_1"), int(TransferInfo::FreeText));
    QCOMPARE(storedUserFile("62_1@17").status, -1);

    recorder.clear();
    link.server().sendLine(QString("4\t0\tlost.pdf\t63_1\t%1/files/none.zip\t1").arg(files.baseUrl()));
    QTRY_VERIFY_WITH_TIMEOUT(recorder.emitted().contains("signalRemoveLocalFileOut(63_1)"), 20000);
    QCOMPARE(recorder.emitted().first(), QString("signalAddCourseFileOut(63_1,lost.pdf)"));
    QVERIFY(!recorder.emitted().contains("signalFileDownloadFinish(63_1)"));
    QCOMPARE(storedUserFile("63_1@17").status, -1);
    QVERIFY(!QFileInfo::exists("fileRecv/17/63_1"));
    QCOMPARE(rowStatus(view, "63_1"), int(TransferInfo::DownloadError));
}

// A file deleted from the bar is dropped by the manager and its line in the transfer list is told.
void TestCourseFileView::removedFileIsUpdatedInTheList()
{
    ClassroomLink link(true);
    QVERIFY(link.connectToServer());
    CourseFileView view;
    view.transferFileView()->slotGetFileResult("64_1", "a.pdf", QString(), 0);
    QCOMPARE(rowStatus(view, "64_1"), int(TransferInfo::FreeText));
    view.slotUpdateFileStatus("64_1");
    QCOMPARE(rowStatus(view, "64_1"), int(TransferInfo::Uploaded));
}

// A disk that fills during a clip's download: the student is told, nothing of the clip stays, and the next
// lesson brings it whole.
void TestCourseFileView::fullDiskIsToldAndRetried()
{
    const QByteArray clip = transferPattern(1024 * 1024);
    FakeHttpServer files;
    QVERIFY(files.listen());
    FakeHttpServer::Reply reply;
    reply.body = clip;
    reply.contentType = "video/mp4";
    reply.ranges = true;
    reply.headers.append(qMakePair(QByteArray("ETag"), QByteArray("\"clip-1\"")));
    files.setReply("/files/clip.mp4", reply);
    const QString offer = QString("4\t0\tclip.mp4\t65_3\t%1/files/clip.mp4\t1").arg(files.baseUrl());

    ClassroomLink link(true);
    QVERIFY(link.connectToServer());
    {
        auto *view = new CourseFileView();
        SignalRecorder recorder(view);
        recorder.setFormatter(formatRecord);
        {
            // The database is far below the limit; the clip is not.
            FileSizeLimit full(256 * 1024);
            QVERIFY(full.isSet());
            link.server().sendLine(offer);
            QTRY_VERIFY_WITH_TIMEOUT(recorder.emitted().contains("signalRemoveLocalFileOut(65_3)"), 20000);
        }
        const QStringList emitted = recorder.emitted();
        // Told as what it is, with the room that is left, not as something to try again at once.
        QVERIFY(!emitted.contains(QString::fromUtf8("signalCourseFileTip(下载失败，请稍后重试！)")));
        QVERIFY(!emitted.filter(QString::fromUtf8("signalCourseFileTip(磁盘空间不足（剩余 ")).isEmpty());
        QVERIFY(!emitted.contains("signalFileDownloadFinish(65_3)"));
        QCOMPARE(rowStatus(*view, "65_3"), int(TransferInfo::DownloadError));
        QCOMPARE(storedUserFile("65_3@17").status, -1);
        QCOMPARE(QDir("fileRecv/17").entryList({ "65_3*" }, QDir::AllEntries | QDir::Hidden), QStringList());
        delete view;
    }

    // The next lesson: the server offers the clip again and it comes whole, this time without a length: its
    // button shows no share on the way and opens at the end.
    reply.lengthUnknown = true;
    files.setReply("/files/clip.mp4", reply);
    CourseFileView view;
    SignalRecorder recorder(&view);
    recorder.setFormatter(formatRecord);
    link.server().sendLine(offer);
    QTRY_VERIFY_WITH_TIMEOUT(recorder.emitted().contains("signalFileDownloadFinish(65_3)"), 20000);
    const QList<QVariantList> shares = recorder.arguments("signalCourseFileStatus");
    QVERIFY(!shares.isEmpty());
    for (const QVariantList &arguments : shares)
        QVERIFY(arguments.at(1).toInt() >= 0 && arguments.at(1).toInt() <= 1000);
    QCOMPARE(shares.last().at(1).toInt(), 1000);
    QFile stored("fileRecv/17/65_3/clip.mp4");
    QVERIFY(stored.open(QIODevice::ReadOnly));
    QVERIFY(stored.readAll() == clip);
    QCOMPARE(storedUserFile("65_3@17").status, 2);
    QCOMPARE(rowStatus(view, "65_3"), int(TransferInfo::Downloaded));
}

QTEST_MAIN(TestCourseFileView)
#include "tst_coursefileview.moc"
