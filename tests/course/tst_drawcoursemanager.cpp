#include "tests/course/coursewaretest.h"
#include "vrek/course/courseislect.h"
#include "vrek/course/drawcoursemanager.h"
#include "vrek/paint/drawboard.h"
#include "vrek/paint/graphset.h"
#include "vrek/paint/pointset.h"
#include "vrek/socketclientmanager.h"

#include <QSignalSpy>
#include <QtTest>

using namespace CoursewareTest;

Q_DECLARE_METATYPE(DrawSignal::DSType)

// The blank board's manager on a real classroom connection: the merge windows in both directions with a clock
// the test turns, the late joiner's replay and the fit into the centre area.
class TestDrawCourseManager : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void incomingLineStepsWithinTheWindowAreReplaced();
    void incomingFreehandGathersItsPoints();
    void incomingNewShapeWhileOneIsInProgressIsDropped();
    void incomingByOrigin_data();
    void incomingByOrigin();
    void outgoingSteps_data();
    void outgoingSteps();
    void outgoingTextWhateverTheRole();
    void outgoingFreehandWithoutNewPointsIsNotSent();
    void replayToLateJoiner();
    void replayReceived();
    void fitToCentre_data();
    void fitToCentre();
    void toolButtons_data();
    void toolButtons();
    void clearBoardEmptiesTheLayer();

private:
    QList<PPtMessage> classMessages() const;

    Session *m_session = nullptr;
    ClassroomLink *m_link = nullptr;
    DrawBoard *m_board = nullptr;
    DrawCourseManager *m_manager = nullptr;
    QSignalSpy *m_pad = nullptr;
    qint64 m_now = 0;
};

void TestDrawCourseManager::initTestCase()
{
    m_session = new Session;
    m_link = &m_session->link;
    QVERIFY(m_link->connectToServer());
}

void TestDrawCourseManager::cleanupTestCase()
{
    delete m_session;
}

void TestDrawCourseManager::init()
{
    g_userType = 0;
    courseIsLect = true;
    m_now = 0;
    m_board = new DrawBoard;
    m_board->resize(937, 704);
    m_manager = new DrawCourseManager(m_board);
    m_manager->setClock([this] { return m_now; });
    m_pad = new QSignalSpy(m_manager, &DrawCourseManager::signalSendPPtMessageOut);
    m_now = 1000;
    m_link->clear();
}

void TestDrawCourseManager::cleanup()
{
    delete m_pad;
    delete m_manager;
    delete m_board;
    courseIsLect = false;
}

QList<PPtMessage> TestDrawCourseManager::classMessages() const
{
    QList<PPtMessage> messages;
    for (const QString &line : m_link->forwards()) {
        if (line.startsWith("11\t0\t"))
            messages.append(fromLine(line));
    }
    return messages;
}

void TestDrawCourseManager::incomingLineStepsWithinTheWindowAreReplaced()
{
    m_manager->slotDrawGraphIn(step(DrawSignal::Line, 2, 1, {}, QPoint(40, 30)), GlobalEnum::PPMServer);
    QCOMPARE(m_pad->count(), 1);
    m_now = 1050;
    m_manager->slotDrawGraphIn(step(DrawSignal::Line, 2, 1, {}, QPoint(60, 30)), GlobalEnum::PPMServer);
    QCOMPARE(m_pad->count(), 1);
    m_now = 1100;
    m_manager->slotDrawGraphIn(step(DrawSignal::Line, 2, 1, {}, QPoint(80, 30)), GlobalEnum::PPMServer);
    QCOMPARE(m_pad->count(), 2);
    m_now = 1120;
    m_manager->slotDrawGraphIn(step(DrawSignal::Line, 2, 0, {}, QPoint(90, 30)), GlobalEnum::PPMServer);
    QCOMPARE(m_pad->count(), 3);

    const QList<QPoint> ends { QPoint(40, 30), QPoint(80, 30), QPoint(90, 30) };
    for (int i = 0; i < m_pad->count(); ++i) {
        const PPtMessage message = m_pad->at(i).first().value<PPtMessage>();
        QCOMPARE(message.getPpmType(), PPtMessage::BoardDrawOnline);
        QCOMPARE(message.getDrawSignal().getEndPoint(), ends.at(i));
        QCOMPARE(message.getDrawControl().getFileIdAll(), QString());
        QCOMPARE(message.getDrawControl().getFourthValue(), 1u);
    }
    QVERIFY(m_link->forwards().isEmpty());
    QCOMPARE(shapeCount(m_board->graphSet()), 1);
}

void TestDrawCourseManager::incomingFreehandGathersItsPoints()
{
    m_manager->slotDrawGraphIn(step(DrawSignal::Irregular, 2, 1, { QPoint(1, 1) }), GlobalEnum::PPMServer);
    for (int i = 2; i <= 4; ++i) {
        m_now += 35;
        m_manager->slotDrawGraphIn(step(DrawSignal::Irregular, 2, 1, { QPoint(i, i) }), GlobalEnum::PPMServer);
    }
    QCOMPARE(m_pad->count(), 2);
    const DrawSignal drawn = m_pad->at(1).first().value<PPtMessage>().getDrawSignal();
    QCOMPARE(drawn.getPointList().size(), 3);
    QCOMPARE(drawn.uintToPoint(drawn.getPointList().first()), QPoint(2, 2));
    QCOMPARE(drawn.uintToPoint(drawn.getPointList().last()), QPoint(4, 4));
}

void TestDrawCourseManager::incomingNewShapeWhileOneIsInProgressIsDropped()
{
    m_manager->slotDrawGraphIn(step(DrawSignal::Line, 2, 1), GlobalEnum::PPMServer);
    m_now = 1040;
    QTest::ignoreMessage(
        QtWarningMsg, "DrawCourseManager::slotDrawGraphIn the pre graph does not end! drawSignalId: 2 dsId: 4");
    m_manager->slotDrawGraphIn(step(DrawSignal::Rectangle, 4, 1), GlobalEnum::PPMServer);
    m_now = 1060;
    m_manager->slotDrawGraphIn(step(DrawSignal::Line, 2, 0), GlobalEnum::PPMServer);
    QCOMPARE(m_pad->count(), 2);
    QCOMPARE(m_pad->at(1).first().value<PPtMessage>().getDrawSignal().getShapeType(), DrawSignal::Line);
}

void TestDrawCourseManager::incomingByOrigin_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("classLines");
    QTest::addColumn<int>("padMessages");
    QTest::newRow("pad: to the class") << 0 << 1 << 0;
    QTest::newRow("server: to the pad") << 1 << 0 << 1;
    QTest::newRow("own controls: nowhere, still drawn") << 2 << 0 << 0;
}

void TestDrawCourseManager::incomingByOrigin()
{
    QFETCH(int, from);
    QFETCH(int, classLines);
    QFETCH(int, padMessages);
    const DrawSignal final = step(DrawSignal::Ellipse, 6, 0);
    if (from == GlobalEnum::PPMLocal)
        QTest::ignoreMessage(QtWarningMsg, "DrawCourseManager::slotDrawGraphIn the ppmft PCServer error! ");
    m_manager->slotDrawGraphIn(final, GlobalEnum::PPMFromType(from));
    QCOMPARE(m_link->forwards().size(), classLines);
    if (classLines == 1) {
        PPtMessage expected(PPtMessage::BoardDrawOnline);
        expected.resetDrawSignal(final);
        QCOMPARE(m_link->forwards().first(), classLine(text(expected)));
        QVERIFY(m_link->forwards().first().endsWith("@:0:0:1\t0"));
    }
    QCOMPARE(m_pad->count(), padMessages);
    QCOMPARE(shapeCount(m_board->graphSet()), 1);
}

void TestDrawCourseManager::outgoingSteps_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("lecturer");
    // Points in each message sent, in order.
    QTest::addColumn<QList<int>>("sent");
    // Steps at 1000, 1040, 1080, 1120 (all in progress) and 1150 (final), one point each.
    QTest::newRow("freehand: points gathered within the window") << 1 << true << QList<int> { 1, 3, 1 };
    QTest::newRow("line: steps within the window dropped") << 2 << true << QList<int> { 0, 0, 0 };
    QTest::newRow("rectangle") << 3 << true << QList<int> { 0, 0, 0 };
    QTest::newRow("ellipse") << 4 << true << QList<int> { 0, 0, 0 };
    QTest::newRow("freehand of a student: nothing") << 1 << false << QList<int> {};
    QTest::newRow("line of a student: nothing") << 2 << false << QList<int> {};
}

void TestDrawCourseManager::outgoingSteps()
{
    QFETCH(int, kind);
    QFETCH(bool, lecturer);
    QFETCH(QList<int>, sent);
    courseIsLect = lecturer;
    const bool withPoints = kind == DrawSignal::Irregular;
    const QList<qint64> times { 1000, 1040, 1080, 1120, 1150 };
    for (int i = 0; i < times.size(); ++i) {
        m_now = times.at(i);
        const QList<QPoint> points = withPoints ? QList<QPoint> { QPoint(i, i) } : QList<QPoint> {};
        m_manager->slotDrawGraphOut(step(quint32(kind), 8, i + 1 < times.size() ? 1 : 0, points, QPoint(50 + i, 9)));
    }
    const QList<PPtMessage> messages = classMessages();
    QCOMPARE(messages.size(), sent.size());
    QCOMPARE(m_pad->count(), sent.size());
    for (int i = 0; i < messages.size(); ++i) {
        QCOMPARE(messages.at(i).getPpmType(), PPtMessage::BoardDrawOnline);
        QCOMPARE(messages.at(i).getDrawSignal().getPointList().size(), withPoints ? sent.at(i) : 0);
        QCOMPARE(m_pad->at(i).first().value<PPtMessage>().getDrawSignal().getPointSetId(), 8u);
    }
    if (!messages.isEmpty()) {
        // The step after the window is the one sent, and the final one always.
        QCOMPARE(messages.at(1).getDrawSignal().getEndPoint(), QPoint(53, 9));
        QCOMPARE(messages.last().getDrawSignal().getIsTemp(), 0u);
    }
}

void TestDrawCourseManager::outgoingTextWhateverTheRole()
{
    courseIsLect = false;
    DrawSignal typed = step(DrawSignal::Text, 10, 0);
    typed.setText(QString::fromUtf8("分数"));
    m_manager->slotDrawGraphOut(typed);
    QCOMPARE(classMessages().size(), 1);
    QCOMPARE(classMessages().first().getDrawSignal().getText(), QString::fromUtf8("分数"));
    QCOMPARE(m_pad->count(), 1);
}

void TestDrawCourseManager::outgoingFreehandWithoutNewPointsIsNotSent()
{
    m_manager->slotDrawGraphOut(step(DrawSignal::Irregular, 8, 1));
    QCOMPARE(classMessages().size(), 0);
    m_now = 1200;
    m_manager->slotDrawGraphOut(step(DrawSignal::Irregular, 8, 1, { QPoint(3, 4) }));
    QCOMPARE(classMessages().size(), 1);
}

void TestDrawCourseManager::replayToLateJoiner()
{
    for (quint32 id : { 2u, 4u, 6u }) {
        PPtMessage replayed(PPtMessage::BoardDrawOffline);
        replayed.resetDrawSignal(step(DrawSignal::Rectangle, id, 0));
        m_manager->slotReadDrawMsgAll(replayed);
    }
    QCOMPARE(shapeCount(m_board->graphSet()), 3);
    m_link->clear();
    quint32 count = 99;
    m_manager->slotSendDrawMsgAll("u9", count);
    QCOMPARE(count, 3u);
    const QStringList lines = m_link->forwards();
    QCOMPARE(lines.size(), 3);
    for (const QString &line : lines) {
        QVERIFY(line.startsWith("11\t1\tu9\t0$7$pi:"));
        QVERIFY(line.endsWith("@:0:0:1\t0"));
        QCOMPARE(fromLine(line).getPpmType(), PPtMessage::BoardDrawOffline);
    }
    QCOMPARE(fromLine(lines.first()).getDrawSignal().getPointSetId(), 2u);
}

void TestDrawCourseManager::replayReceived()
{
    PPtMessage live(PPtMessage::BoardDrawOnline);
    live.resetDrawSignal(step(DrawSignal::Line, 2, 0));
    m_manager->slotReadDrawMsgAll(live);
    QCOMPARE(shapeCount(m_board->graphSet()), 0);
    PPtMessage replayed(PPtMessage::BoardDrawOffline);
    replayed.resetDrawSignal(step(DrawSignal::Line, 2, 0, {}, QPoint(300, 200)));
    m_manager->slotReadDrawMsgAll(replayed);
    QCOMPARE(shapeCount(m_board->graphSet()), 1);
    // Drawn at once: the line runs through the board's picture.
    QVERIFY(qAlpha(m_board->image().pixel(155, 105)) > 0);
}

void TestDrawCourseManager::fitToCentre_data()
{
    QTest::addColumn<QSize>("center");
    QTest::addColumn<double>("rate");
    QTest::addColumn<QSize>("board");
    QTest::newRow("the base size") << QSize(937, 704) << 1.0 << QSize(937, 704);
    QTest::newRow("twice as wide: the height decides") << QSize(1874, 704) << 1.0 << QSize(937, 704);
    QTest::newRow("twice as high: the width decides") << QSize(937, 1408) << 1.0 << QSize(937, 704);
    QTest::newRow("half as wide") << QSize(468, 704) << 468.0 / 937 << QSize(468, 352);
}

void TestDrawCourseManager::fitToCentre()
{
    QFETCH(QSize, center);
    QFETCH(double, rate);
    QFETCH(QSize, board);
    QSignalSpy spacer(m_manager, &DrawCourseManager::signalCenterSpacerChange);
    m_manager->slotCenterWidgetResize(center);
    QCOMPARE(m_manager->rate(), rate);
    QCOMPARE(m_board->scale(), rate);
    QCOMPARE(spacer.count(), 1);
    QCOMPARE(spacer.first().at(0).toSize(), center);
    QCOMPARE(spacer.first().at(1).toSize(), board);
}

void TestDrawCourseManager::toolButtons_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("tool");
    QTest::newRow("drag") << "pullButton" << 0;
    QTest::newRow("laser") << "blaserButton" << 5;
    QTest::newRow("pen") << "penButton" << 1;
    QTest::newRow("text") << "textButton" << 6;
    QTest::newRow("line") << "lineButton" << 2;
    QTest::newRow("ellipse") << "ellipseButton" << 4;
    QTest::newRow("rectangle") << "rectangleButton" << 3;
    QTest::newRow("eraser") << "eraseButton" << 9;
    QTest::newRow("undo keeps the tool") << "undoButton" << 2;
    QTest::newRow("clear keeps the tool") << "clearButton" << 2;
    QTest::newRow("unknown") << "saveButton" << 2;
}

void TestDrawCourseManager::toolButtons()
{
    QFETCH(QString, name);
    QFETCH(int, tool);
    QCOMPARE(m_board->tool(), quint32(DrawSignal::Laser));
    m_board->onLinePushButtonClicked();
    if (name == "saveButton")
        QTest::ignoreMessage(
            QtWarningMsg, "DrawCourseManager::slotDrawButtonClicked unknow objectName: \"saveButton\"");
    m_manager->slotDrawButtonClicked(name);
    QCOMPARE(m_board->tool(), quint32(tool));
}

void TestDrawCourseManager::clearBoardEmptiesTheLayer()
{
    m_manager->slotDrawGraphIn(step(DrawSignal::Line, 2, 0), GlobalEnum::PPMServer);
    QCOMPARE(shapeCount(m_board->graphSet()), 1);
    QVERIFY(m_manager->clearBoard());
    QCOMPARE(shapeCount(m_board->graphSet()), 0);
    QCOMPARE(m_board->graphSet(), m_manager->graphSet());
}

QTEST_MAIN(TestDrawCourseManager)
#include "tst_drawcoursemanager.moc"
