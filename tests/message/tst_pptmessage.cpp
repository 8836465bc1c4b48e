#include "vrek/message/chatmessage.h"
#include "vrek/message/ctrlmessage.h"
#include "vrek/message/devicemessage.h"
#include "vrek/message/pptmessage.h"
#include "vrek/message/streammediamessage.h"
#include "vrek/message/videocoursemessage.h"
#include "vrek/model/groupinfo.h"

#include <QThread>
#include <QtTest>

namespace {
DrawSignal stroke(QList<quint32> points)
{
    DrawSignal drawSignal;
    drawSignal.setShapeType(DrawSignal::Irregular);
    drawSignal.setPointSetId(6);
    drawSignal.setPointList(points);
    return drawSignal;
}

PPtMessage filled(PPtMessage::PPMType type)
{
    PPtMessage message(type);
    DrawControl control;
    control.setFileIdAll("f1");
    control.setPageId(3);
    message.setDrawControl(control);
    message.resetDrawSignal(stroke({ 1, 2 }));
    message.setPoint(QPoint(7, 8));
    message.setRate(150);
    return message;
}

// Echoes a record back through a queued connection across threads, as the classroom connection does.
class Relay : public QObject
{
    Q_OBJECT
signals:
    void send(const PPtMessage &message);
    void echo(const PPtMessage &message);
};
} // namespace

class TestPPtMessage : public QObject
{
    Q_OBJECT
private slots:
    void copyCarriesTheKindsParts_data();
    void copyCarriesTheKindsParts();
    void copyAndAssignNeverGrowThePoints();
    void setDrawSignalAppends();
    void unknownKindCopiesOnlyTheKind();
    void onlineToOffline();
    void recordsAreMetaTypes_data();
    void recordsAreMetaTypes();
    void travelsQueuedAcrossThreads();
};

void TestPPtMessage::copyCarriesTheKindsParts_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("drawing");
    QTest::addColumn<bool>("point");
    QTest::addColumn<bool>("rate");
    for (int type : { 0, 1, 4, 5 })
        QTest::addRow("kind %d", type) << type << false << false << false;
    for (int type : { 2, 3, 6, 7 })
        QTest::addRow("kind %d", type) << type << true << false << false;
    QTest::newRow("kind 8") << 8 << false << true << false;
    QTest::newRow("kind 9") << 9 << false << false << true;
}

void TestPPtMessage::copyCarriesTheKindsParts()
{
    QFETCH(int, type);
    QFETCH(bool, drawing);
    QFETCH(bool, point);
    QFETCH(bool, rate);
    const PPtMessage source = filled(PPtMessage::PPMType(type));
    const PPtMessage copy(source);
    QCOMPARE(int(copy.getPpmType()), type);
    QCOMPARE(copy.getDrawControl().getFileIdAll(), QString("f1"));
    QCOMPARE(copy.getDrawControl().getPageId(), 3u);
    QCOMPARE(copy.getDrawSignal().getPointList(), (drawing ? QList<quint32> { 1, 2 } : QList<quint32> {}));
    QCOMPARE(copy.getPoint(), point ? QPoint(7, 8) : QPoint());
    QCOMPARE(copy.getRate(), rate ? 150 : 0);
}

void TestPPtMessage::copyAndAssignNeverGrowThePoints()
{
    const PPtMessage source = filled(PPtMessage::DrawOnline);
    PPtMessage target = filled(PPtMessage::DrawOnline);
    target = source;
    QCOMPARE(target.getDrawSignal().getPointList(), (QList<quint32> { 1, 2 }));
    target = target;
    QCOMPARE(target.getDrawSignal().getPointList(), (QList<quint32> { 1, 2 }));

    const QVariant variant = QVariant::fromValue(source);
    QCOMPARE(variant.value<PPtMessage>().getDrawSignal().getPointList(), (QList<quint32> { 1, 2 }));
    QList<PPtMessage> list { source, source };
    list[0] = list[1];
    QCOMPARE(list[0].getDrawSignal().getPointList(), (QList<quint32> { 1, 2 }));

    // Assigning a kind that carries no drawing leaves none behind.
    target = filled(PPtMessage::PageChange);
    QVERIFY(target.getDrawSignal().isPointListEmpty());
}

void TestPPtMessage::setDrawSignalAppends()
{
    PPtMessage message(PPtMessage::DrawOffline);
    message.setDrawSignal(stroke({ 1, 2 }));
    message.setDrawSignal(stroke({ 3 }));
    QCOMPARE(message.getDrawSignal().getPointList(), (QList<quint32> { 1, 2, 3 }));
    message.resetDrawSignal(stroke({ 4 }));
    QCOMPARE(message.getDrawSignal().getPointList(), QList<quint32> { 4 });
}

void TestPPtMessage::unknownKindCopiesOnlyTheKind()
{
    const PPtMessage source = filled(PPtMessage::PPMType(12));
    QTest::ignoreMessage(QtWarningMsg, "PPtMessage::setPPtMessage the pptType unknown error!  12");
    const PPtMessage copy(source);
    QCOMPARE(quint32(copy.getPpmType()), 12u);
    QVERIFY(copy.getDrawControl().getFileIdAll().isEmpty());
    QVERIFY(copy.getDrawSignal().isPointListEmpty());
}

void TestPPtMessage::onlineToOffline()
{
    PPtMessage live(PPtMessage::DrawOnline);
    QVERIFY(live.pptOnlineToOffline());
    QCOMPARE(live.getPpmType(), PPtMessage::DrawOffline);
    QTest::ignoreMessage(QtWarningMsg, "Wanring: PPtMessage::pptOnlineToOffline 3");
    QVERIFY(!live.pptOnlineToOffline());
    QCOMPARE(live.getPpmType(), PPtMessage::DrawOffline);
}

void TestPPtMessage::recordsAreMetaTypes_data()
{
    QTest::addColumn<QByteArray>("name");
    for (const char *name :
        { "ChatMessage", "CtrlMessage", "CtrlMessage::LateCtrlType", "DrawControl", "DrawSignal", "PPtMessage",
            "StreamMediaMessage", "DeviceMessage", "VideoCourseMessage", "GroupInfo", "QList<GroupInfo>" })
        QTest::newRow(name) << QByteArray(name);
}

void TestPPtMessage::recordsAreMetaTypes()
{
    QFETCH(QByteArray, name);
    QVERIFY(QMetaType::type(name.constData()) != QMetaType::UnknownType);
}

void TestPPtMessage::travelsQueuedAcrossThreads()
{
    QThread thread;
    thread.start();
    Relay sender;
    Relay worker;
    worker.moveToThread(&thread);
    connect(&sender, &Relay::send, &worker, &Relay::echo, Qt::QueuedConnection);
    QSignalSpy echoed(&worker, &Relay::echo);
    emit sender.send(filled(PPtMessage::BoardDrawOffline));
    QVERIFY(echoed.wait(5000));
    const PPtMessage received = echoed.at(0).at(0).value<PPtMessage>();
    QCOMPARE(received.getDrawSignal().getPointList(), (QList<quint32> { 1, 2 }));
    thread.quit();
    thread.wait();
}

QTEST_GUILESS_MAIN(TestPPtMessage)
#include "tst_pptmessage.moc"
