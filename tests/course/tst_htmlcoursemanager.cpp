#include "tests/course/coursewaretest.h"
#include "tests/support/fakehttpserver.h"
#include "vrek/container/graphtoidhash.h"
#include "vrek/course/courseislect.h"
#include "vrek/course/htmlcoursemanager.h"
#include "vrek/course/picturecoursemanager.h"
#include "vrek/paint/drawboard.h"
#include "vrek/paint/graphset.h"
#include "vrek/socketclientmanager.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTimer>
#include <QWebFrame>
#include <QWebSettings>
#include <QWebView>
#include <QtTest>

using namespace CoursewareTest;

namespace {
const QString deckId = QStringLiteral("5001_2");
const QString otherDeckId = QStringLiteral("5002_2");
const int pollMs = 20;

// Runs the loop until a timer of ms, started now, has fired: a timer of this thread due before it fires first.
bool passTimers(int ms)
{
    QTimer marker;
    marker.setSingleShot(true);
    marker.setTimerType(Qt::PreciseTimer);
    QSignalSpy fired(&marker, &QTimer::timeout);
    marker.start(ms);
    return fired.wait(ms + 30000);
}
} // namespace

// The HTML courseware manager on decks of our own whose script records the calls it gets and answers the status
// poll from the third poll on, with a real web view and a real classroom connection.
class TestHtmlCourseManager : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void openFailures_data();
    void openFailures();
    void entryPageIsTheFirstHtmlByName();
    void openWaitsForTheScript();
    void aSharedDeckReachesNoRemoteAddress();
    void changeStep_data();
    void changeStep();
    void arrowsAtTheEdges();
    void failingClickCount();
    void sendRule_data();
    void sendRule();
    void fit_data();
    void fit();
    void resizeBeforeAnyPictureIsIgnored();
    void scroll_data();
    void scroll();
    void noScrollBeforeAFit();
    void incomingStrokes();
    void lateReplayOfBothManagers();
    void replayedStrokesWaitForTheirPage();
    void replayBeyondTheBoundsIsDropped();
    void clearDrawDataKeepsTheOpenDeckDrawable();
    void reopenedDeckComesBackWhereItStood();

private:
    // Opens the deck from the server and waits until its script has answered.
    bool openReady(const QString &fileIdAll = deckId);
    QString calls() const;
    void clearCalls();
    QStringList classLines() const;

    Session *m_session = nullptr;
    TempWorkDir *m_dir = nullptr;
    ClassroomLink *m_link = nullptr;
    DrawBoard *m_board = nullptr;
    QWebView *m_webView = nullptr;
    QLabel *m_label = nullptr;
    HtmlCourseManager *m_manager = nullptr;
    QSignalSpy *m_pad = nullptr;
    qint64 m_now = 0;
};

void TestHtmlCourseManager::initTestCase()
{
    m_session = new Session;
    m_dir = &m_session->dir;
    m_link = &m_session->link;
    QVERIFY(m_link->connectToServer());
    HtmlDeck deck;
    deck.outline = HtmlDeck::outlineOf(3);
    QVERIFY(deck.write(*m_dir, deckId));
    QVERIFY(deck.write(*m_dir, otherDeckId));
}

void TestHtmlCourseManager::cleanupTestCase()
{
    delete m_session;
}

void TestHtmlCourseManager::init()
{
    g_userType = 0;
    courseIsLect = true;
    m_board = new DrawBoard;
    m_webView = new QWebView;
    m_label = new QLabel;
    m_manager = new HtmlCourseManager(m_board, m_webView, m_label, nullptr, pollMs);
    m_now = 1000;
    m_manager->setClock([this] { return m_now; });
    m_pad = new QSignalSpy(m_manager, &HtmlCourseManager::signalSendPPtMessageOut);
    m_link->clear();
}

void TestHtmlCourseManager::cleanup()
{
    delete m_pad;
    delete m_manager;
    delete m_label;
    delete m_webView;
    delete m_board;
    courseIsLect = false;
}

bool TestHtmlCourseManager::openReady(const QString &fileIdAll)
{
    if (!m_manager->openHtmlFile(fileIdAll, GlobalEnum::PPMServer))
        return false;
    QElapsedTimer clock;
    clock.start();
    while (!m_manager->isLoaded() && clock.elapsed() < 20000)
        QTest::qWait(10);
    m_pad->clear();
    m_link->clear();
    clearCalls();
    return m_manager->isLoaded();
}

QString TestHtmlCourseManager::calls() const
{
    return m_webView->page()->mainFrame()->evaluateJavaScript("Presentation.calls.join('|')").toString();
}

void TestHtmlCourseManager::clearCalls()
{
    m_webView->page()->mainFrame()->evaluateJavaScript("Presentation.calls = []");
}

QStringList TestHtmlCourseManager::classLines() const
{
    return m_link->forwards();
}

void TestHtmlCourseManager::openFailures_data()
{
    QTest::addColumn<QString>("entryName");
    QTest::addColumn<QString>("outline");
    QTest::addColumn<QSize>("pictureSize");
    QTest::addColumn<QString>("warning");
    const QString three = HtmlDeck::outlineOf(3);
    const QSize picture(800, 450);
    QTest::newRow("no page of suffix html") << "index.htm" << three << picture << "htmlFile is null!";
    QTest::newRow("the suffix is compared as it is") << "index.HTML" << three << picture << "htmlFile is null!";
    QTest::newRow("no page picture") << "index.html" << three << QSize() << "htmlSize = 0!";
    QTest::newRow("no outline") << "index.html" << QString() << picture << "pageCount = 0!";
    QTest::newRow("an outline of no slides") << "index.html" << HtmlDeck::outlineOf(0) << picture << "pageCount = 0!";
    QTest::newRow("an outline without declaration")
        << "index.html" << HtmlDeck::outlineOf(3, false) << picture << "pageCount = 0!";
}

void TestHtmlCourseManager::openFailures()
{
    QFETCH(QString, entryName);
    QFETCH(QString, outline);
    QFETCH(QSize, pictureSize);
    QFETCH(QString, warning);
    const QString fileIdAll = QStringLiteral("6%1_2").arg(QTest::currentDataTag() ? qHash(QTest::currentDataTag()) : 0);
    HtmlDeck deck;
    deck.entryName = entryName;
    deck.outline = outline;
    deck.pictureSize = pictureSize;
    QVERIFY(deck.write(*m_dir, fileIdAll));
    courseIsLect = true;
    QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
    QVERIFY(!m_manager->openHtmlFile(fileIdAll, GlobalEnum::PPMLocal));
    QVERIFY(classLines().isEmpty());
    QCOMPARE(m_pad->count(), 0);
    // Nothing open: no page can be turned.
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^pageId: 0 pageCount:"));
    QVERIFY(!m_manager->changeHtmlStep(0, 0, GlobalEnum::PPMLocal));
}

void TestHtmlCourseManager::entryPageIsTheFirstHtmlByName()
{
    const QString folder = QStringLiteral("entry");
    QVERIFY(m_dir->writeFile(folder + "/b.html", "b"));
    QVERIFY(m_dir->writeFile(folder + "/C.html", "c"));
    QVERIFY(m_dir->writeFile(folder + "/a.htm", "a"));
    QVERIFY(m_dir->writeFile(folder + "/0.html/inner.html", "folder"));
    QCOMPARE(QFileInfo(HtmlCourseManager::findEntryPage(m_dir->filePath(folder))).fileName(), QString("b.html"));
    QVERIFY(m_dir->writeFile(folder + "/.A.html", "hidden"));
    QCOMPARE(QFileInfo(HtmlCourseManager::findEntryPage(m_dir->filePath(folder))).fileName(), QString(".A.html"));

    QTest::ignoreMessage(QtWarningMsg, "the fileIdAll error! fileIdAll: \"../u2\"");
    QTest::ignoreMessage(QtWarningMsg, "htmlFile is null!");
    QVERIFY(!m_manager->openHtmlFile("../u2", GlobalEnum::PPMServer));
}

void TestHtmlCourseManager::openWaitsForTheScript()
{
    m_manager->slotSetHtmlStep(deckId, 1, 2);
    QVERIFY(m_manager->openHtmlFile(deckId, GlobalEnum::PPMServer));
    QCOMPARE(m_manager->getPageId(), 1);
    QCOMPARE(m_manager->getStepId(), 2);
    QCOMPARE(m_pad->count(), 1);
    QCOMPARE(text(m_pad->first().first().value<PPtMessage>()), "0$0$" + deckId + ":1:2:3");
    QVERIFY(!m_manager->isLoaded());
    // A change before the script answers is kept and sent, but no script is called.
    QVERIFY(m_manager->changeHtmlStep(2, 1, GlobalEnum::PPMServer));
    QTRY_VERIFY_WITH_TIMEOUT(m_manager->isLoaded(), 20000);
    QWebFrame *frame = m_webView->page()->mainFrame();
    QCOMPARE(frame->evaluateJavaScript("Presentation.polls").toInt(), 3);
    QCOMPARE(calls(), QString("JumpToAnim(1, 3)"));
    // The poll has stopped: over five polls on a timer of this thread, the poll's, it would have polled first.
    QSignalSpy polls(m_manager->findChild<QTimer *>(), &QTimer::timeout);
    QVERIFY(passTimers(pollMs * 5));
    QCOMPARE(polls.count(), 0);
    QCOMPARE(frame->evaluateJavaScript("Presentation.polls").toInt(), 3);
}

void TestHtmlCourseManager::aSharedDeckReachesNoRemoteAddress()
{
    FakeHttpServer server;
    QVERIFY(server.listen());
    const QByteArray base = server.baseUrl().toLatin1();
    HtmlDeck deck;
    deck.outline = HtmlDeck::outlineOf(1);
    deck.body = "<img src='" + base + "/picture.png'><iframe src='" + base
        + "/frame'></iframe><script>"
          "var request = new XMLHttpRequest(); request.open('GET', '"
        + base + "/data'); request.send();</script>";
    QVERIFY(deck.write(*m_dir, "5003_2"));
    QSignalSpy finished(m_webView, &QWebView::loadFinished);
    QVERIFY(m_manager->openHtmlFile("5003_2", GlobalEnum::PPMServer));
    // The blank page at once, then the deck with whatever it asked for.
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 2, 20000);
    QTRY_VERIFY_WITH_TIMEOUT(m_manager->isLoaded(), 20000);
    QCoreApplication::processEvents();
    QVERIFY(server.requests().isEmpty());
    QVERIFY(!m_webView->settings()->testAttribute(QWebSettings::PluginsEnabled));
    QVERIFY(!m_webView->settings()->testAttribute(QWebSettings::LocalContentCanAccessRemoteUrls));
    QVERIFY(!m_webView->isEnabled());
}

void TestHtmlCourseManager::changeStep_data()
{
    QTest::addColumn<int>("pageId");
    QTest::addColumn<int>("stepId");
    QTest::addColumn<QString>("call");
    // From slide 1 (from 0) at step 2.
    QTest::newRow("one step back") << 1 << 1 << "Prev()";
    QTest::newRow("two steps back") << 1 << 0 << "JumpToAnim(0, 2)";
    QTest::newRow("one step forward") << 1 << 3 << "JumpToAnim(3, 2)";
    QTest::newRow("the slide before, one step lower") << 0 << 1 << "JumpToAnim(1, 1)";
    QTest::newRow("the last slide") << 2 << 1 << "JumpToAnim(1, 3)";
    QTest::newRow("beyond the last slide") << 3 << 0 << "";
    QTest::newRow("below the first") << -1 << 0 << "";
}

void TestHtmlCourseManager::changeStep()
{
    QFETCH(int, pageId);
    QFETCH(int, stepId);
    QFETCH(QString, call);
    m_manager->slotSetHtmlStep(deckId, 1, 2);
    QVERIFY(openReady());
    if (call.isEmpty())
        QTest::ignoreMessage(QtWarningMsg, qPrintable(QString("pageId: %1 pageCount: 3").arg(pageId)));
    QCOMPARE(m_manager->changeHtmlStep(pageId, stepId, GlobalEnum::PPMServer), !call.isEmpty());
    QCOMPARE(calls(), call);
    QCOMPARE(m_pad->count(), call.isEmpty() ? 0 : 1);
    if (!call.isEmpty()) {
        QCOMPARE(m_manager->getPageId(), pageId);
        QCOMPARE(m_manager->getStepId(), stepId);
        QCOMPARE(int(m_manager->fileGraphSetHash().selectPageId(deckId)), pageId);
        QCOMPARE(int(m_manager->fileGraphSetHash().selectStepId(deckId)), stepId);
    }
}

void TestHtmlCourseManager::arrowsAtTheEdges()
{
    QVERIFY(openReady());
    QTest::ignoreMessage(QtWarningMsg, "pageId <= 0!");
    QVERIFY(!m_manager->frontHtmlStep(GlobalEnum::PPMLocal));
    QVERIFY(classLines().isEmpty());

    // Two steps on slide 0, then slide 1.
    QStringList expected;
    for (const char *call : { "JumpToAnim(1, 1)", "JumpToAnim(2, 1)", "JumpToAnim(0, 2)" }) {
        QVERIFY(m_manager->nextHtmlStep(GlobalEnum::PPMLocal));
        expected << call;
    }
    QCOMPARE(calls(), expected.join('|'));
    QCOMPARE(m_manager->getPageId(), 1);
    QCOMPARE(classLines().last(), classLine("0$1$" + deckId + ":1:0:3"));
    clearCalls();
    // Back over the slide's start goes to the slide before at its first step; within a slide it steps back.
    QVERIFY(m_manager->frontHtmlStep(GlobalEnum::PPMLocal));
    QVERIFY(m_manager->changeHtmlStep(0, 2, GlobalEnum::PPMLocal));
    QVERIFY(m_manager->frontHtmlStep(GlobalEnum::PPMLocal));
    QCOMPARE(calls(), QString("JumpToAnim(0, 1)|JumpToAnim(2, 1)|Prev()"));
    QCOMPARE(m_manager->getStepId(), 1);

    // The last step of the last slide.
    QVERIFY(m_manager->changeHtmlStep(2, 2, GlobalEnum::PPMLocal));
    m_link->clear();
    QVERIFY(!m_manager->nextHtmlStep(GlobalEnum::PPMLocal));
    QVERIFY(classLines().isEmpty());
    QCOMPARE(m_manager->getPageId(), 2);
}

void TestHtmlCourseManager::failingClickCount()
{
    QVERIFY(openReady());
    QVERIFY(m_manager->changeHtmlStep(1, 1, GlobalEnum::PPMLocal));
    m_link->clear();
    m_webView->page()->mainFrame()->evaluateJavaScript("clickCount = 'many'");
    QTest::ignoreMessage(QtWarningMsg, "Presentation.ClickCount() toUInt failed!");
    QVERIFY(!m_manager->frontHtmlStep(GlobalEnum::PPMLocal));
    QVERIFY(!m_manager->nextHtmlStep(GlobalEnum::PPMLocal));
    QVERIFY(classLines().isEmpty());
    QCOMPARE(m_manager->getStepId(), 1);
}

void TestHtmlCourseManager::sendRule_data()
{
    QTest::addColumn<bool>("zoom");
    QTest::addColumn<int>("from");
    QTest::addColumn<bool>("lecturer");
    QTest::addColumn<bool>("toClass");
    QTest::addColumn<bool>("toPad");
    for (const bool zoom : { false, true }) {
        const char *what = zoom ? "zoom" : "step";
        QTest::addRow("%s, own, lecturer", what) << zoom << 2 << true << true << true;
        QTest::addRow("%s, own, student", what) << zoom << 2 << false << false << false;
        QTest::addRow("%s, server", what) << zoom << 1 << false << false << true;
        QTest::addRow("%s, pad", what) << zoom << 0 << true << true << false;
    }
}

void TestHtmlCourseManager::sendRule()
{
    QFETCH(bool, zoom);
    QFETCH(int, from);
    QFETCH(bool, lecturer);
    QFETCH(bool, toClass);
    QFETCH(bool, toPad);
    QVERIFY(openReady());
    courseIsLect = lecturer;
    QSignalSpy pageBox(m_manager, &HtmlCourseManager::signalSetPageCombox);
    QSignalSpy zoomBox(m_manager, &HtmlCourseManager::signalSetRateCombox);
    const auto origin = GlobalEnum::PPMFromType(from);
    const QString data = zoom ? "0$9$" + deckId + ":0:0:3@150" : "0$1$" + deckId + ":1:0:3";
    QVERIFY(zoom ? m_manager->changeHtmlRate(150, origin) : m_manager->changeHtmlStep(1, 0, origin));
    QCOMPARE(classLines(), toClass ? QStringList { classLine(data) } : QStringList());
    QCOMPARE(m_pad->count(), toPad ? 1 : 0);
    if (toPad)
        QCOMPARE(text(m_pad->first().first().value<PPtMessage>()), data);
    const bool fromServer = from == GlobalEnum::PPMServer;
    QCOMPARE(pageBox.count(), fromServer && !zoom ? 1 : 0);
    QCOMPARE(zoomBox.count(), fromServer && zoom ? 1 : 0);
    if (fromServer && zoom)
        QCOMPARE(zoomBox.first().first().toDouble(), 1.5);
    if (fromServer && !zoom)
        QCOMPARE(pageBox.first(), (QList<QVariant> { 1, 3 }));
    // The view moves whoever sent the change.
    QCOMPARE(zoom ? m_manager->rate() : m_manager->getPageId(), zoom ? 150 : 1);
}

void TestHtmlCourseManager::fit_data()
{
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("laidOutAs");
    QTest::newRow("0 as 100") << 0 << 100;
    QTest::newRow("125") << 125 << 125;
    QTest::newRow("far beyond the zoom box") << 100000 << 400;
    QTest::newRow("below the zoom box") << 3 << 25;
    QTest::newRow("negative") << -50 << 25;
}

void TestHtmlCourseManager::fit()
{
    QFETCH(int, rate);
    QFETCH(int, laidOutAs);
    QVERIFY(openReady());
    QSignalSpy spacer(m_manager, &HtmlCourseManager::signalCenterSpacerChange);
    // 800 x 450 in 1000 x 1000: the width decides, 1.25.
    m_manager->slotCenterWidgetResize(QSize(1000, 1000));
    QVERIFY(m_manager->changeHtmlRate(laidOutAs, GlobalEnum::PPMServer));
    const QSize expected = spacer.last().at(1).toSize();
    const double expectedScale = m_manager->displayScale();
    QCOMPARE(expectedScale, laidOutAs * 1.25 / 100);
    QVERIFY(m_manager->changeHtmlRate(rate, GlobalEnum::PPMServer));
    QCOMPARE(spacer.last().at(0).toSize(), QSize(1000, 1000));
    QCOMPARE(spacer.last().at(1).toSize(), expected);
    QCOMPARE(m_manager->displayScale(), expectedScale);
    QCOMPARE(m_board->scale(), expectedScale);
    QCOMPARE(m_label->pixmap(Qt::ReturnByValue).size(), expected);
    // What is stored and passed on stays as it came.
    QCOMPARE(m_manager->rate(), rate);
    QCOMPARE(m_pad->last().first().value<PPtMessage>().getRate(), rate);
}

void TestHtmlCourseManager::resizeBeforeAnyPictureIsIgnored()
{
    QSignalSpy spacer(m_manager, &HtmlCourseManager::signalCenterSpacerChange);
    m_manager->slotCenterWidgetResize(QSize(1000, 1000));
    QVERIFY(openReady());
    QCOMPARE(spacer.count(), 0);
    m_manager->slotCenterWidgetResize(QSize(400, 900));
    QCOMPARE(spacer.count(), 1);
    QCOMPARE(spacer.last().at(1).toSize(), QSize(400, 225));
}

void TestHtmlCourseManager::scroll_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<bool>("lecturer");
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<bool>("toClass");
    QTest::addColumn<bool>("toPad");
    QTest::addColumn<bool>("moves");
    // The page is laid out at 1.25: screen pixels (100, 50) are page pixels (80, 40).
    QTest::newRow("own, lecturer") << 2 << true << QPoint(100, 50) << true << true << false;
    QTest::newRow("own, student") << 2 << false << QPoint(100, 50) << false << false << false;
    QTest::newRow("server") << 1 << false << QPoint(80, 40) << false << true << true;
    QTest::newRow("pad") << 0 << true << QPoint(80, 40) << true << false << true;
}

void TestHtmlCourseManager::scroll()
{
    QFETCH(int, from);
    QFETCH(bool, lecturer);
    QFETCH(QPoint, at);
    QFETCH(bool, toClass);
    QFETCH(bool, toPad);
    QFETCH(bool, moves);
    QVERIFY(openReady());
    m_manager->slotCenterWidgetResize(QSize(1000, 1000));
    courseIsLect = lecturer;
    QSignalSpy moved(m_manager, &HtmlCourseManager::signalScrollAreaMoveOut);
    m_manager->slotScrollAreaMove(at.x(), at.y(), GlobalEnum::PPMFromType(from));
    const QString data = "0$8$" + deckId + ":0:0:3@80:40";
    QCOMPARE(classLines(), toClass ? QStringList { classLine(data) } : QStringList());
    QCOMPARE(m_pad->count(), toPad ? 1 : 0);
    QCOMPARE(moved.count(), moves ? 1 : 0);
    if (moves)
        QCOMPARE(moved.first(), (QList<QVariant> { 100, 50 }));
}

void TestHtmlCourseManager::noScrollBeforeAFit()
{
    QVERIFY(openReady());
    m_manager->slotScrollAreaMove(100, 50, GlobalEnum::PPMLocal);
    QVERIFY(classLines().isEmpty());
    QCOMPARE(m_pad->count(), 0);
}

void TestHtmlCourseManager::incomingStrokes()
{
    QVERIFY(openReady());
    QVERIFY(m_manager->changeHtmlStep(1, 1, GlobalEnum::PPMServer));
    m_pad->clear();
    // The window runs from the manager's start.
    m_now += 200;
    m_manager->slotDrawGraphIn(step(DrawSignal::Line, 2, 1, {}, QPoint(40, 30)), GlobalEnum::PPMServer);
    m_now += 50;
    m_manager->slotDrawGraphIn(step(DrawSignal::Line, 2, 1, {}, QPoint(60, 30)), GlobalEnum::PPMServer);
    QCOMPARE(m_pad->count(), 1);
    m_now += 50;
    m_manager->slotDrawGraphIn(step(DrawSignal::Line, 2, 1, {}, QPoint(70, 30)), GlobalEnum::PPMServer);
    QCOMPARE(m_pad->count(), 2);
    const PPtMessage sent = m_pad->last().first().value<PPtMessage>();
    QCOMPARE(sent.getPpmType(), PPtMessage::DrawOnline);
    QCOMPARE(sent.getDrawSignal().getEndPoint(), QPoint(70, 30));
    QVERIFY(text(sent).endsWith("@" + deckId + ":1:1:3"));

    // This client's own steps never come this way; one that does is logged, and drawn.
    m_now += 200;
    QTest::ignoreMessage(QtWarningMsg, "the ppmft PCServer error! ");
    m_manager->slotDrawGraphIn(step(DrawSignal::Line, 2, 0, {}, QPoint(90, 30)), GlobalEnum::PPMLocal);
    QCOMPARE(m_pad->count(), 2);
    QVERIFY(classLines().isEmpty());
    QCOMPARE(shapeCount(m_board->graphSet()), 1);
}

void TestHtmlCourseManager::lateReplayOfBothManagers()
{
    const QString pictures = QStringLiteral("5101_1");
    QVERIFY(writePictureDeck(*m_dir, pictures, { "page_1.jpg", "page_2.jpg" }));
    DrawBoard pictureBoard;
    QLabel pictureLabel;
    PictureCourseManager pictureManager(&pictureBoard, &pictureLabel);
    quint32 count = 0;
    m_manager->slotSendDrawMsgAll("u9", count);
    pictureManager.slotSendDrawMsgAll("u9", count);
    QCOMPARE(count, 0u);
    QVERIFY(classLines().isEmpty());

    QVERIFY(pictureManager.openPictureFile(pictures, GlobalEnum::PPMServer));
    for (quint32 id : { 2u, 4u, 6u })
        pictureManager.slotDrawGraphIn(step(DrawSignal::Rectangle, id, 0), GlobalEnum::PPMServer);
    QVERIFY(openReady());
    m_manager->slotDrawGraphIn(step(DrawSignal::Ellipse, 2, 0), GlobalEnum::PPMServer);
    QVERIFY(m_manager->changeHtmlStep(1, 1, GlobalEnum::PPMServer));
    m_manager->slotDrawGraphIn(step(DrawSignal::Line, 4, 0), GlobalEnum::PPMServer);
    m_link->clear();

    count = 0;
    m_manager->slotSendDrawMsgAll("u9", count);
    pictureManager.slotSendDrawMsgAll("u9", count);
    QCOMPARE(count, 5u);
    const QStringList lines = classLines();
    QCOMPARE(lines.size(), 5);
    QStringList places;
    for (const QString &line : lines) {
        QVERIFY(line.startsWith("11\t1\tu9\t0$3$"));
        const DrawControl control = fromLine(line).getDrawControl();
        places << QString("%1:%2:%3:%4")
                      .arg(control.getFileIdAll())
                      .arg(control.getPageId())
                      .arg(control.getStepId())
                      .arg(control.getFourthValue());
    }
    QCOMPARE(places,
        QStringList(
            { deckId + ":0:0:3", deckId + ":1:0:3", pictures + ":0:0:2", pictures + ":0:0:2", pictures + ":0:0:2" }));
}

void TestHtmlCourseManager::replayedStrokesWaitForTheirPage()
{
    PPtMessage replayed(PPtMessage::DrawOffline);
    DrawControl control;
    control.setFileIdAll(deckId);
    control.setPageId(1);
    control.setFourthValue(3);
    replayed.setDrawControl(control);
    replayed.resetDrawSignal(step(DrawSignal::Line, 2, 0));
    m_manager->slotReadDrawMsgAll(replayed);
    replayed.resetDrawSignal(step(DrawSignal::Line, 4, 0));
    m_manager->slotReadDrawMsgAll(replayed);
    // A live step is no replay.
    PPtMessage live = replayed;
    live.setPpmType(PPtMessage::DrawOnline);
    m_manager->slotReadDrawMsgAll(live);

    QVERIFY(openReady());
    QCOMPARE(shapeCount(m_board->graphSet()), 0);
    QVERIFY(m_manager->changeHtmlStep(1, 0, GlobalEnum::PPMServer));
    QCOMPARE(shapeCount(m_board->graphSet()), 2);
    // A replay for the page shown now is drawn at once.
    replayed.resetDrawSignal(step(DrawSignal::Line, 6, 0, {}, QPoint(200, 100)));
    m_manager->slotReadDrawMsgAll(replayed);
    QCOMPARE(shapeCount(m_board->graphSet()), 3);
    QVERIFY(qAlpha(m_board->image().pixel(105, 55)) > 0);
}

void TestHtmlCourseManager::replayBeyondTheBoundsIsDropped()
{
    PPtMessage replayed(PPtMessage::DrawOffline);
    DrawControl control;
    control.setFileIdAll(deckId);
    control.setPageId(1);
    control.setFourthValue(10001);
    replayed.setDrawControl(control);
    replayed.resetDrawSignal(step(DrawSignal::Line, 2, 0));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^the pageCount error, drawing dropped!"));
    m_manager->slotReadDrawMsgAll(replayed);
    QVERIFY(m_manager->graphToIdHash().graphSetIds().isEmpty());

    control.setFourthValue(3);
    control.setPageId(3);
    replayed.setDrawControl(control);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^the pageId error, drawing dropped!"));
    m_manager->slotReadDrawMsgAll(replayed);
    control.setPageId(0xFFFFFFFFu);
    replayed.setDrawControl(control);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^the pageId error, drawing dropped!"));
    m_manager->slotReadDrawMsgAll(replayed);
    QVERIFY(m_manager->graphToIdHash().graphSetIds().isEmpty());
}

void TestHtmlCourseManager::clearDrawDataKeepsTheOpenDeckDrawable()
{
    QVERIFY(openReady());
    QVERIFY(m_manager->changeHtmlStep(2, 1, GlobalEnum::PPMServer));
    m_manager->slotDrawGraphIn(step(DrawSignal::Line, 2, 0), GlobalEnum::PPMServer);
    QCOMPARE(shapeCount(m_board->graphSet()), 1);
    QVERIFY(m_manager->clearDrawData());
    // The board shows a fresh layer of the page, not the one the tables dropped.
    QCOMPARE(shapeCount(m_board->graphSet()), 0);
    m_manager->slotCenterWidgetResize(QSize(500, 500));
    m_now += 500;
    m_manager->slotDrawGraphIn(step(DrawSignal::Line, 4, 0), GlobalEnum::PPMServer);
    QCOMPARE(shapeCount(m_board->graphSet()), 1);
    QCOMPARE(m_manager->graphToIdHash().graphSetIds().size(), 1);
    QCOMPARE(m_manager->getPageId(), 2);
    QCOMPARE(m_manager->fileGraphSetHash().selectStepId(deckId), 1u);
}

void TestHtmlCourseManager::reopenedDeckComesBackWhereItStood()
{
    QVERIFY(openReady());
    QVERIFY(m_manager->changeHtmlStep(2, 1, GlobalEnum::PPMServer));
    m_manager->slotDrawGraphIn(step(DrawSignal::Line, 2, 0), GlobalEnum::PPMServer);
    QVERIFY(m_manager->closeHtmlFile());
    QCOMPARE(m_webView->url(), QUrl("about:blank"));
    QVERIFY(openReady(otherDeckId));
    QCOMPARE(m_manager->getPageId(), 0);
    QCOMPARE(shapeCount(m_board->graphSet()), 0);
    QVERIFY(openReady(deckId));
    QCOMPARE(m_manager->getPageId(), 2);
    QCOMPARE(m_manager->getStepId(), 1);
    QCOMPARE(shapeCount(m_board->graphSet()), 1);
}

QTEST_MAIN(TestHtmlCourseManager)
#include "tst_htmlcoursemanager.moc"
