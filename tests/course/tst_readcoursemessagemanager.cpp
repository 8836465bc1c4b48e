#include "tests/support/classroomlink.h"
#include "tests/support/signalrecorder.h"
#include "vrek/container/coursefilehash.h"
#include "vrek/course/readcoursemessagemanager.h"
#include "vrek/message/tsprotocolanalysis.h"
#include "vrek/socketclientmanager.h"

#include <QtTest>

namespace {
// Files of the table: downloaded picture and HTML decks, a downloaded video and sound, a picture still coming.
const QString picture = QStringLiteral("11_1");
const QString html = QStringLiteral("12_1");
const QString video = QStringLiteral("13_1");
const QString sound = QStringLiteral("14_1");
const QString coming = QStringLiteral("15_1");
const QString unknown = QStringLiteral("99_1");
const QString none = QStringLiteral("AAAA_A");

void addFile(const QString &fileIdAll, const QString &name, bool downloaded)
{
    UserFile file;
    file.setId(fileIdAll, "u1");
    file.setFileName(name);
    file.setCourseType(name);
    file.setDownloaded(downloaded);
    g_courseFileHash.updateUserFile(file);
}

QString formatRecord(const QVariant &value, bool &handled)
{
    handled = true;
    if (value.userType() == qMetaTypeId<GlobalEnum::PPMFromType>())
        return QString::number(int(value.value<GlobalEnum::PPMFromType>()));
    if (value.userType() == qMetaTypeId<CtrlMessage::LateCtrlType>())
        return QString::number(quint32(value.value<CtrlMessage::LateCtrlType>()));
    if (value.userType() == qMetaTypeId<DrawSignal>())
        return "draw" + QString::number(value.value<DrawSignal>().getPointSetId());
    if (value.userType() == qMetaTypeId<PPtMessage>()) {
        const PPtMessage message = value.value<PPtMessage>();
        return QString("ppt%1:%2:draw%3")
            .arg(quint32(message.getPpmType()))
            .arg(message.getDrawControl().getFileIdAll())
            .arg(message.getDrawSignal().getPointSetId());
    }
    handled = false;
    return QString();
}

PPtMessage pptMessage(quint32 type, const QString &fileIdAll)
{
    PPtMessage message(static_cast<PPtMessage::PPMType>(type));
    DrawControl control;
    control.setFileIdAll(fileIdAll);
    control.setPageId(4);
    control.setStepId(2);
    message.setDrawControl(control);
    DrawSignal drawing;
    drawing.setPointSetId(7);
    message.resetDrawSignal(drawing);
    message.setPoint(QPoint(10, 20));
    message.setRate(150);
    return message;
}

VideoCourseMessage videoMessage(quint32 type, const QString &fileIdAll)
{
    VideoCourseMessage message;
    message.setVcmType(type);
    message.setId(fileIdAll);
    message.setValue1(3500);
    message.setFlag(true);
    return message;
}
} // namespace

class TestReadCourseMessageManager : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void pptMessages_data();
    void pptMessages();
    void defaultViewTwice();
    void openedWhenItsDownloadEnds();
    void videoMessages_data();
    void videoMessages();
    void videoOpenedWhenItsDownloadEnds();
    void fromTheClassroomServer();
};

void TestReadCourseMessageManager::initTestCase()
{
    addFile(picture, "page.pdf", true);
    addFile(html, "deck.PPTX", true);
    addFile(video, "clip.mp4", true);
    addFile(sound, "song.mp3", true);
    addFile(coming, "later.jpg", false);
}

void TestReadCourseMessageManager::pptMessages_data()
{
    QTest::addColumn<QString>("open"); // the file opened first, so that it is the current one
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("fileIdAll");
    QTest::addColumn<int>("from");
    QTest::addColumn<QStringList>("emitted");
    QTest::addColumn<QString>("current"); // afterwards
    QTest::addColumn<QString>("warning");

    const auto row = [](const char *name) -> QTestData & { return QTest::newRow(name); };
    row("0 default view") << picture << 0 << none << 1 << QStringList { "signalOpenDefaultView(1)" } << picture << "";
    row("0 picture") << none << 0 << picture << 1
                     << QStringList { "signalOpenFile(11_1,1)", "signalChangePicturePage(4,1)" } << picture << "";
    row("0 picture from the pad") << none << 0 << picture << 0
                                  << QStringList { "signalOpenFile(11_1,0)", "signalChangePicturePage(4,0)" } << picture
                                  << "";
    row("0 html") << picture << 0 << html << 1
                  << QStringList { "signalOpenFile(12_1,1)", "signalChangeHtmlStep(4,2,1)" } << html << "";
    // A file that is not here is asked for: one whose download failed is fetched again.
    row("0 still downloading") << picture << 0 << coming << 1 << QStringList { "signalFileWanted(15_1)" } << picture
                               << "";
    row("0 video") << picture << 0 << video << 1 << QStringList() << picture << "";
    row("0 sound") << none << 0 << sound << 1 << QStringList() << none << "";
    row("0 unknown") << none << 0 << unknown << 1 << QStringList { "signalFileWanted(99_1)" } << none << "";

    row("1 current picture") << picture << 1 << picture << 1 << QStringList { "signalChangePicturePage(4,1)" }
                             << picture << "";
    row("1 other picture") << html << 1 << picture << 1 << QStringList { "signalSetPicturePage(11_1,4)" } << html << "";
    row("1 picture still downloading") << html << 1 << coming << 1 << QStringList { "signalSetPicturePage(15_1,4)" }
                                       << html << "";
    row("1 current html") << html << 1 << html << 2 << QStringList { "signalChangeHtmlStep(4,2,2)" } << html << "";
    row("1 other html") << picture << 1 << html << 1 << QStringList { "signalSetHtmlStep(12_1,4,2)" } << picture << "";
    row("1 video") << picture << 1 << video << 1 << QStringList() << picture << "";

    row("2 current picture") << picture << 2 << picture << 1 << QStringList { "signalPictureDrawGraph(draw7,1)" }
                             << picture << "";
    row("2 current html") << html << 2 << html << 0 << QStringList { "signalHtmlDrawGraph(draw7,0)" } << html << "";
    row("2 hidden picture") << html << 2 << picture << 1 << QStringList { "signalPictureDrawGraphAll(ppt3:11_1:draw7)" }
                            << html << "";
    row("2 hidden html") << picture << 2 << html << 1 << QStringList { "signalHtmlDrawGraphAll(ppt3:12_1:draw7)" }
                         << picture << "";
    row("2 video") << picture << 2 << video << 1 << QStringList() << picture << "";

    row("3 picture") << picture << 3 << picture << 1
                     << QStringList { "signalPictureDrawGraphAll(ppt3:11_1:draw7)", "signalLateCountInc(1)" } << picture
                     << "";
    row("3 html") << picture << 3 << html << 1
                  << QStringList { "signalHtmlDrawGraphAll(ppt3:12_1:draw7)", "signalLateCountInc(1)" } << picture
                  << "";
    row("3 video counts all the same") << picture << 3 << video << 1 << QStringList { "signalLateCountInc(1)" }
                                       << picture << "";
    row("3 unknown counts all the same") << picture << 3 << unknown << 1 << QStringList { "signalLateCountInc(1)" }
                                         << picture << "";

    row("4 page id") << picture << 4 << picture << 1 << QStringList() << picture << "";
    row("5 board page") << picture << 5 << "" << 1 << QStringList() << picture << "";
    row("6 board stroke") << picture << 6 << "" << 1 << QStringList { "signalBoardDrawGraph(draw7,1)" } << picture
                          << "";
    row("7 board replay") << picture << 7 << "" << 1
                          << QStringList { "signalBoardDrawGraphAll(ppt7::draw7)", "signalLateCountInc(3)" } << picture
                          << "";

    row("8 current picture") << picture << 8 << picture << 1 << QStringList { "signalPictureScrollAreaMove(10,20,1)" }
                             << picture << "";
    row("8 current html") << html << 8 << html << 0 << QStringList { "signalHtmlScrollAreaMove(10,20,0)" } << html
                          << "";
    row("8 other file") << picture << 8 << html << 1 << QStringList() << picture << "file not open! fileIdAll:";
    row("8 nothing open") << none << 8 << picture << 1 << QStringList() << none << "file not open! fileIdAll:";

    row("9 current picture") << picture << 9 << picture << 1 << QStringList { "signalChangePictureRate(150,1)" }
                             << picture << "";
    row("9 other picture") << html << 9 << picture << 1 << QStringList { "signalSetPictureRate(150)" } << html << "";
    row("9 current html") << html << 9 << html << 2 << QStringList { "signalChangeHtmlRate(150,2)" } << html << "";
    row("9 other html") << picture << 9 << html << 1 << QStringList { "signalSetHtmlRate(150)" } << picture << "";
    row("9 video") << picture << 9 << video << 1 << QStringList() << picture << "";

    row("10 unknown type") << picture << 10 << picture << 1 << QStringList() << picture << "unknow ppmType: 10";
}

void TestReadCourseMessageManager::pptMessages()
{
    QFETCH(QString, open);
    QFETCH(int, type);
    QFETCH(QString, fileIdAll);
    QFETCH(int, from);
    QFETCH(QStringList, emitted);
    QFETCH(QString, current);
    QFETCH(QString, warning);

    ReadCourseMessageManager manager;
    if (open != none)
        manager.readPPtCourseMessage(pptMessage(0, open), GlobalEnum::PPMServer);
    QCOMPARE(manager.currentFileIdAll(), open);
    const QString requested = manager.requestFileIdAll();

    SignalRecorder recorder(&manager);
    recorder.setFormatter(formatRecord);
    if (!warning.isEmpty())
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^" + QRegularExpression::escape(warning)));
    manager.readPPtCourseMessage(pptMessage(quint32(type), fileIdAll), GlobalEnum::PPMFromType(from));
    QCOMPARE(recorder.emitted(), emitted);
    QCOMPARE(manager.currentFileIdAll(), current);
    // Only an open changes the requested file, shown or not.
    QCOMPARE(manager.requestFileIdAll(), type == 0 ? fileIdAll : requested);
}

void TestReadCourseMessageManager::defaultViewTwice()
{
    ReadCourseMessageManager manager;
    manager.readPPtCourseMessage(pptMessage(0, html), GlobalEnum::PPMServer);
    SignalRecorder recorder(&manager);
    recorder.setFormatter(formatRecord);
    manager.readPPtCourseMessage(pptMessage(0, none), GlobalEnum::PPMServer);
    manager.readPPtCourseMessage(pptMessage(0, none), GlobalEnum::PPMServer);
    QCOMPARE(recorder.emitted(), QStringList({ "signalOpenDefaultView(1)", "signalOpenDefaultView(1)" }));
    QCOMPARE(manager.currentFileIdAll(), html);
    QCOMPARE(manager.requestFileIdAll(), none);
}

void TestReadCourseMessageManager::openedWhenItsDownloadEnds()
{
    const QString file = QStringLiteral("21_1");
    addFile(file, "slides.pdf", false);
    ReadCourseMessageManager manager;
    manager.readPPtCourseMessage(pptMessage(0, picture), GlobalEnum::PPMServer);
    SignalRecorder recorder(&manager);
    recorder.setFormatter(formatRecord);
    manager.readPPtCourseMessage(pptMessage(0, file), GlobalEnum::PPMServer);
    QCOMPARE(recorder.emitted(), QStringList { "signalFileWanted(21_1)" });
    recorder.clear();

    // Another download ending opens nothing.
    manager.slotFileDownloadFinish(html);
    QCOMPARE(recorder.emitted(), QStringList());

    addFile(file, "slides.pdf", true);
    manager.slotFileDownloadFinish(file);
    QCOMPARE(recorder.emitted(), QStringList { "signalOpenFile(21_1,1)" });
    QCOMPARE(manager.currentFileIdAll(), file);
    // Once shown, the same news changes nothing.
    manager.slotFileDownloadFinish(file);
    QCOMPARE(recorder.emitted().size(), 1);
}

void TestReadCourseMessageManager::videoMessages_data()
{
    QTest::addColumn<QString>("open"); // a video opened first
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("fileIdAll");
    QTest::addColumn<QStringList>("emitted");
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("requested");

    QTest::newRow("0 video") << none << 0 << video
                             << QStringList { "signalOpenFile(13_1,1)", "signalVideoPause(true,1)",
                                    "signalVideoRealTime(3500,1)" }
                             << video << video;
    QTest::newRow("0 sound") << video << 0 << sound
                             << QStringList { "signalOpenFile(14_1,1)", "signalVideoPause(true,1)",
                                    "signalVideoRealTime(3500,1)" }
                             << sound << sound;
    QTest::newRow("0 not downloaded") << video << 0 << coming << QStringList { "signalFileWanted(15_1)" } << video
                                      << coming;
    QTest::newRow("0 unknown") << none << 0 << unknown << QStringList { "signalFileWanted(99_1)" } << none << unknown;
    QTest::newRow("1 current") << video << 1 << video
                               << QStringList { "signalVideoPause(true,1)", "signalVideoRealTime(3500,1)" } << video
                               << video;
    QTest::newRow("1 other") << video << 1 << sound << QStringList { "signalSetVideoState(14_1,3500,true)" } << video
                             << video;
    QTest::newRow("2 unknown type") << video << 2 << video << QStringList() << video << video;
}

void TestReadCourseMessageManager::videoMessages()
{
    QFETCH(QString, open);
    QFETCH(int, type);
    QFETCH(QString, fileIdAll);
    QFETCH(QStringList, emitted);
    QFETCH(QString, current);
    QFETCH(QString, requested);

    ReadCourseMessageManager manager;
    if (open != none)
        manager.readVideoCourseMessage(videoMessage(0, open), GlobalEnum::PPMServer);
    QCOMPARE(manager.currentFileIdAll(), open);
    SignalRecorder recorder(&manager);
    recorder.setFormatter(formatRecord);
    manager.readVideoCourseMessage(videoMessage(quint32(type), fileIdAll), GlobalEnum::PPMServer);
    QCOMPARE(recorder.emitted(), emitted);
    QCOMPARE(manager.currentFileIdAll(), current);
    QCOMPARE(manager.requestFileIdAll(), requested);
}

void TestReadCourseMessageManager::videoOpenedWhenItsDownloadEnds()
{
    const QString file = QStringLiteral("22_1");
    addFile(file, "film.avi", false);
    ReadCourseMessageManager manager;
    SignalRecorder recorder(&manager);
    recorder.setFormatter(formatRecord);
    manager.readVideoCourseMessage(videoMessage(0, file), GlobalEnum::PPMServer);
    QCOMPARE(recorder.emitted(), QStringList { "signalFileWanted(22_1)" });
    recorder.clear();
    addFile(file, "film.avi", true);
    manager.slotFileDownloadFinish(file);
    QCOMPARE(recorder.emitted(), QStringList { "signalOpenFile(22_1,1)" });
}

// The classroom connection parses the forwarded texts; the dispatch receives them with the server's origin.
void TestReadCourseMessageManager::fromTheClassroomServer()
{
    ClassroomLink link(false);
    QVERIFY(link.connectToServer());
    ReadCourseMessageManager manager;
    connect(link.manager(), &SocketClientManager::readPPtMessage, &manager,
        &ReadCourseMessageManager::readPPtCourseMessage);
    connect(link.manager(), &SocketClientManager::readVideoCourseMessage, &manager,
        &ReadCourseMessageManager::readVideoCourseMessage);
    SignalRecorder recorder(&manager);
    recorder.setFormatter(formatRecord);

    QStringList lines;
    for (quint32 type : { 0u, 1u }) {
        QString text;
        QVERIFY(TSProtocolAnalysis::sendPPtMessage(pptMessage(type, html), text));
        lines << "11\t0\t" + text;
    }
    QString text;
    QVERIFY(TSProtocolAnalysis::sendVideoCourseMessage(videoMessage(1, video), text));
    lines << "11\t0\t" + text;
    link.server().sendLines(lines);

    const QStringList expected { "signalOpenFile(12_1,1)", "signalChangeHtmlStep(4,2,1)", "signalChangeHtmlStep(4,2,1)",
        "signalSetVideoState(13_1,3500,true)" };
    QTRY_COMPARE_WITH_TIMEOUT(recorder.emitted(), expected, 10000);
}

QTEST_GUILESS_MAIN(TestReadCourseMessageManager)
#include "tst_readcoursemessagemanager.moc"
