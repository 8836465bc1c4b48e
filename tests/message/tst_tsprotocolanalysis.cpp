#include "vrek/message/tsprotocolanalysis.h"

#include <QRegularExpression>
#include <QtTest>

namespace {
void expectWarning(const QString &prefix)
{
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^" + QRegularExpression::escape(prefix)));
}

DrawControl control(const QString &fileId, quint32 page, quint32 step, quint32 fourth = 1)
{
    DrawControl drawControl;
    drawControl.setFileIdAll(fileId);
    drawControl.setPageId(page);
    drawControl.setStepId(step);
    drawControl.setFourthValue(fourth);
    return drawControl;
}

PPtMessage pptMessage(PPtMessage::PPMType type, const DrawControl &drawControl, const DrawSignal &drawSignal = {})
{
    PPtMessage message(type);
    message.setDrawControl(drawControl);
    message.resetDrawSignal(drawSignal);
    return message;
}

DrawSignal shape(DrawSignal::DSType type)
{
    DrawSignal drawSignal;
    drawSignal.setShapeType(type);
    drawSignal.setPointSetId(42);
    drawSignal.setStartPoint(QPoint(0, 0)); // 50005000
    drawSignal.setEndPoint(QPoint(10, -20)); // 50104980
    drawSignal.setPenColor(QColor(255, 0, 0, 255)); // 4294901760
    drawSignal.setPenWidth(3);
    drawSignal.setIsTemp(1);
    return drawSignal;
}

// Writes any record kind the table carries.
bool write(const QVariant &record, QString &text)
{
    if (record.userType() == qMetaTypeId<PPtMessage>())
        return TSProtocolAnalysis::sendPPtMessage(record.value<PPtMessage>(), text);
    if (record.userType() == qMetaTypeId<ChatMessage>())
        return TSProtocolAnalysis::sendChatMessage(record.value<ChatMessage>(), text);
    if (record.userType() == qMetaTypeId<CtrlMessage>())
        return TSProtocolAnalysis::sendCtrlMessage(record.value<CtrlMessage>(), text);
    if (record.userType() == qMetaTypeId<StreamMediaMessage>())
        return TSProtocolAnalysis::sendStreamMediaMessage(record.value<StreamMediaMessage>(), text);
    if (record.userType() == qMetaTypeId<DeviceMessage>())
        return TSProtocolAnalysis::sendDeviceMessage(record.value<DeviceMessage>(), text);
    if (record.userType() == qMetaTypeId<VideoCourseMessage>())
        return TSProtocolAnalysis::sendVideoCourseMessage(record.value<VideoCourseMessage>(), text);
    return false;
}

// Reads a text by its kind and writes the record again: a reader and a writer that agree give the text back.
bool readAndWrite(const QString &text, QString &again)
{
    switch (TSProtocolAnalysis::readDataPacketType(text)) {
    case TSProtocolAnalysis::TSPPt: {
        PPtMessage message;
        return TSProtocolAnalysis::readPPtMessage(text, message) && TSProtocolAnalysis::sendPPtMessage(message, again);
    }
    case TSProtocolAnalysis::TSChat: {
        ChatMessage message;
        return TSProtocolAnalysis::readChatMessage(text, message)
            && TSProtocolAnalysis::sendChatMessage(message, again);
    }
    case TSProtocolAnalysis::TSCtrl: {
        CtrlMessage message;
        return TSProtocolAnalysis::readCtrlMessage(text, message)
            && TSProtocolAnalysis::sendCtrlMessage(message, again);
    }
    case TSProtocolAnalysis::TSStreamMedia: {
        StreamMediaMessage message;
        return TSProtocolAnalysis::readStreamMediaMessage(text, message)
            && TSProtocolAnalysis::sendStreamMediaMessage(message, again);
    }
    case TSProtocolAnalysis::TSDevice: {
        DeviceMessage message;
        return TSProtocolAnalysis::readDeviceMessage(text, message)
            && TSProtocolAnalysis::sendDeviceMessage(message, again);
    }
    case TSProtocolAnalysis::TSVideoCourse: {
        VideoCourseMessage message;
        return TSProtocolAnalysis::readVideoCourseMessage(text, message)
            && TSProtocolAnalysis::sendVideoCourseMessage(message, again);
    }
    default:
        return false;
    }
}
} // namespace

class TestTSProtocolAnalysis : public QObject
{
    Q_OBJECT
private slots:
    void writeAndReadBack_data();
    void writeAndReadBack();
    void readFields();
    void readChatContent();
    void readDrawing_data();
    void readDrawing();
    void refusedTexts_data();
    void refusedTexts();
    void writerRefuses_data();
    void writerRefuses();
    void packetType_data();
    void packetType();
};

void TestTSProtocolAnalysis::writeAndReadBack_data()
{
    QTest::addColumn<QVariant>("record");
    QTest::addColumn<QString>("text");

    ChatMessage chat;
    chat.setCmType(1);
    chat.setSenderId("u1");
    chat.setSenderName("Ann");
    chat.setSendTime(QDateTime::fromSecsSinceEpoch(1500000000));
    chat.setContent("hi");
    QTest::newRow("class chat") << QVariant::fromValue(chat) << "1$1$u1$1500000000$Ann$aGk=";
    chat.setContent("~~~???"); // standard Base64 "fn5+Pz8/"
    QTest::newRow("chat url-safe") << QVariant::fromValue(chat) << "1$1$u1$1500000000$Ann$fn5-Pz8_";
    chat.setContent(QString::fromUtf8("你好"));
    chat.setSenderName(QString::fromUtf8("李雷"));
    chat.setCmType(0);
    QTest::newRow("chat utf-8") << QVariant::fromValue(chat) << QString::fromUtf8("1$0$u1$1500000000$李雷$5L2g5aW9");

    CtrlMessage ctrl;
    ctrl.setCtType(4);
    ctrl.setPersonId("p9");
    QTest::newRow("ctrl 4") << QVariant::fromValue(ctrl) << "2$4:p9";
    ctrl.setCtType(0);
    ctrl.setLateCtrlType(1);
    ctrl.setLateCount(12);
    QTest::newRow("ctrl 0") << QVariant::fromValue(ctrl) << "2$0:1:p9:12";
    ctrl.setCtType(2);
    ctrl.setUiCtrlType(3);
    QTest::newRow("ctrl 2") << QVariant::fromValue(ctrl) << "2$2:3:p9";
    ctrl.setCtType(6);
    QTest::newRow("ctrl 6") << QVariant::fromValue(ctrl) << "2$6:p9";

    StreamMediaMessage stream;
    stream.setSmmType(7);
    stream.setFromUserId("a");
    stream.setToUserId("b");
    stream.setStreamId("s");
    QTest::newRow("stream") << QVariant::fromValue(stream) << "3$7$a$b$s$0$$";
    stream.setSmmType(17);
    stream.setErrorType(1);
    stream.setTripartiteUserId("c");
    stream.setFrId("f");
    QTest::newRow("stream full") << QVariant::fromValue(stream) << "3$17$a$b$s$1$c$f";

    DeviceMessage device;
    device.setDmType(2);
    device.setUserId("u7");
    device.setSecondText("1");
    device.setThirdText("0");
    QTest::newRow("device") << QVariant::fromValue(device) << "4$2$u7$1$0";

    VideoCourseMessage video;
    video.setVcmType(1);
    video.setId("v1");
    video.setValue1(30);
    video.setValue2(4);
    video.setFlag(true);
    QTest::newRow("video course") << QVariant::fromValue(video) << "5$1$v1:30:4:1";

    QTest::newRow("board clear") << QVariant::fromValue(
        pptMessage(PPtMessage::BoardDrawOnline, control("f1", 2, 0), shape(DrawSignal::Clear)))
                                 << "0$6$s:8@f1:2:0:1";
    QTest::newRow("open file") << QVariant::fromValue(pptMessage(PPtMessage::OpenFile, control("f1", 0, 0, 12)))
                               << "0$0$f1:0:0:12";
    QTest::newRow("page") << QVariant::fromValue(pptMessage(PPtMessage::PageChange, control("f1", 3, 2, 12)))
                          << "0$1$f1:3:2:12";
    QTest::newRow("file page id") << QVariant::fromValue(pptMessage(PPtMessage::FilePageId, control("f1", 3, 0)))
                                  << "0$4$f1:3:0:1";
    // An "@" in a file id is harmless where the payload is not cut at "@".
    QTest::newRow("file id with @") << QVariant::fromValue(pptMessage(PPtMessage::OpenFile, control("f@1", 0, 0)))
                                    << "0$0$f@1:0:0:1";

    DrawSignal irregular = shape(DrawSignal::Irregular);
    irregular.addPoint(QPoint(1, 2));
    irregular.addPoint(QPoint(-3, 4));
    QTest::newRow("irregular") << QVariant::fromValue(pptMessage(PPtMessage::DrawOnline, control("f1", 1, 0),
        irregular)) << "0$2$pi:42;px:50015002;px:49975004;sp:50005000;ep:50104980;pc:4294901760;pw:3;s:1;it:1@f1:1:0:1";
    QTest::newRow("line") << QVariant::fromValue(
        pptMessage(PPtMessage::DrawOffline, control("f1", 1, 0), shape(DrawSignal::Line)))
                          << "0$3$pi:42;sp:50005000;ep:50104980;pc:4294901760;pw:3;s:2;it:1@f1:1:0:1";
    QTest::newRow("ellipse") << QVariant::fromValue(
        pptMessage(PPtMessage::BoardDrawOffline, control("", 0, 0), shape(DrawSignal::Ellipse)))
                             << "0$7$pi:42;sp:50005000;ep:50104980;pc:4294901760;pw:3;s:4;it:1@:0:0:1";
    QTest::newRow("laser") << QVariant::fromValue(
        pptMessage(PPtMessage::DrawOnline, control("f1", 1, 0), shape(DrawSignal::Laser)))
                           << "0$2$pi:42;ep:50104980;pc:4294901760;s:5@f1:1:0:1";
    DrawSignal text = shape(DrawSignal::Text);
    text.setText("hi");
    QTest::newRow("text") << QVariant::fromValue(pptMessage(PPtMessage::DrawOnline, control("f1", 1, 0), text))
                          << "0$2$pi:42;sp:50005000;pc:4294901760;pw:3;s:6;t:aGk=@f1:1:0:1";
    QTest::newRow("undo") << QVariant::fromValue(
        pptMessage(PPtMessage::BoardDrawOnline, control("", 0, 0), shape(DrawSignal::Undo)))
                          << "0$6$pi:42;s:7@:0:0:1";
    QTest::newRow("eraser") << QVariant::fromValue(
        pptMessage(PPtMessage::BoardDrawOnline, control("", 0, 0), shape(DrawSignal::Eraser)))
                            << "0$6$pi:42;s:9@:0:0:1";

    PPtMessage scroll = pptMessage(PPtMessage::ScrollMove, control("f1", 1, 0));
    scroll.setPoint(QPoint(-3, 40));
    QTest::newRow("scroll") << QVariant::fromValue(scroll) << "0$8$f1:1:0:1@-3:40";
    PPtMessage zoom = pptMessage(PPtMessage::ZoomChange, control("f1", 1, 0));
    zoom.setRate(-150);
    QTest::newRow("zoom") << QVariant::fromValue(zoom) << "0$9$f1:1:0:1@-150";
}

void TestTSProtocolAnalysis::writeAndReadBack()
{
    QFETCH(QVariant, record);
    QFETCH(QString, text);
    QString written;
    QVERIFY(write(record, written));
    QCOMPARE(written, text);
    QString again;
    QVERIFY(readAndWrite(text, again));
    QCOMPARE(again, text);
}

void TestTSProtocolAnalysis::readFields()
{
    StreamMediaMessage stream;
    QVERIFY(TSProtocolAnalysis::readStreamMediaMessage("3$7$a$b$s$0$$", stream));
    QCOMPARE(stream.getSmmType(), 7u);
    QCOMPARE(stream.getFromUserId(), QString("a"));
    QCOMPARE(stream.getToUserId(), QString("b"));
    QCOMPARE(stream.getStreamId(), QString("s"));
    QCOMPARE(stream.getErrorType(), 0u);
    QVERIFY(stream.getTripartiteUserId().isEmpty());
    QVERIFY(stream.getFrId().isEmpty());

    CtrlMessage ctrl;
    QVERIFY(TSProtocolAnalysis::readCtrlMessage("2$0:1:p9:12", ctrl));
    QCOMPARE(ctrl.getCtType(), 0u);
    QCOMPARE(ctrl.getLateCtrlType(), quint32(CtrlMessage::LateCourseDraw));
    QCOMPARE(ctrl.getPersonId(), QString("p9"));
    QCOMPARE(ctrl.getLateCount(), 12u);

    VideoCourseMessage video;
    QVERIFY(TSProtocolAnalysis::readVideoCourseMessage("5$0$v1:7:8:0", video));
    QCOMPARE(video.getId(), QString("v1"));
    QCOMPARE(video.getValue1(), 7u);
    QCOMPARE(video.getValue2(), 8u);
    QVERIFY(!video.getFlag());

    PPtMessage scroll;
    QVERIFY(TSProtocolAnalysis::readPPtMessage("0$8$f1:1:0:1@-3:40", scroll));
    QCOMPARE(scroll.getPpmType(), PPtMessage::ScrollMove);
    QCOMPARE(scroll.getPoint(), QPoint(-3, 40));
    QCOMPARE(scroll.getDrawControl().getFileIdAll(), QString("f1"));
    QCOMPARE(scroll.getDrawControl().getPageId(), 1u);

    // Numbers the protocol does not check read as 0.
    DeviceMessage device;
    QVERIFY(TSProtocolAnalysis::readDeviceMessage("4$x$u$1$2", device));
    QCOMPARE(device.getDmType(), 0u);
}

void TestTSProtocolAnalysis::readChatContent()
{
    ChatMessage chat;
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    QVERIFY(TSProtocolAnalysis::readChatMessage("1$1$u1$1500000000$Ann$aGk=", chat));
    QCOMPARE(chat.getCmType(), 1u);
    QCOMPARE(chat.getSenderId(), QString("u1"));
    QCOMPARE(chat.getSenderName(), QString("Ann"));
    QCOMPARE(chat.getSendTime().toSecsSinceEpoch(), 1500000000);
    QCOMPARE(chat.getContent(), QString("hi"));
    QVERIFY(chat.getReceiveTime() >= before);
    QVERIFY(chat.getReceiveTime() <= QDateTime::currentDateTime().addSecs(1));

    // The standard alphabet's "+" and "/" are not the wire's; the url-safe text reads back unchanged.
    QVERIFY(TSProtocolAnalysis::readChatMessage("1$1$u1$0$Ann$fn5-Pz8_", chat));
    QCOMPARE(chat.getContent(), QString("~~~???"));

    // A send time no calendar holds reads as 0 rather than overflowing.
    QVERIFY(TSProtocolAnalysis::readChatMessage("1$1$u1$9223372036854775807$Ann$", chat));
    QCOMPARE(chat.getSendTime().toSecsSinceEpoch(), 0);
}

void TestTSProtocolAnalysis::readDrawing_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<quint32>("shapeType");
    QTest::addColumn<QList<quint32>>("points");
    QTest::addColumn<QString>("shapeText");

    QTest::newRow("px appends in order") << "px:3;pi:1;px:1;s:1;px:2" << quint32(1) << QList<quint32> { 3, 1, 2 }
                                         << QString("0");
    QTest::newRow("any order, later wins") << "s:2;pi:1;s:3" << quint32(3) << QList<quint32> {} << QString("0");
    QTest::newRow("shape out of range kept") << "s:4;s:12" << quint32(4) << QList<quint32> {} << QString("0");
    QTest::newRow("text decoded") << "s:6;t:5L2g5aW9" << quint32(6) << QList<quint32> {} << QString::fromUtf8("你好");
    QTest::newRow("no number reads 0") << "s:x;pi:y" << quint32(0) << QList<quint32> {} << QString("0");
}

void TestTSProtocolAnalysis::readDrawing()
{
    QFETCH(QString, text);
    QFETCH(quint32, shapeType);
    QFETCH(QList<quint32>, points);
    QFETCH(QString, shapeText);
    DrawSignal drawSignal;
    QVERIFY(TSProtocolAnalysis::toDrawSignal(text, drawSignal));
    QCOMPARE(quint32(drawSignal.getShapeType()), shapeType);
    QCOMPARE(drawSignal.getPointList(), points);
    QCOMPARE(drawSignal.getText(), shapeText);
}

void TestTSProtocolAnalysis::refusedTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("warning");

    QTest::newRow("ppt fields") << "0$1"
                                << "the msgList != 3 error! msg:";
    QTest::newRow("ppt control parts") << "0$1$f1:1:0"
                                       << "the dataList size != 4 error! msg:";
    QTest::newRow("ppt control number") << "0$1$f1:x:0:1"
                                        << "the quint32 analysis error! msg:";
    QTest::newRow("ppt control negative") << "0$0$f1:-1:0:1"
                                          << "the quint32 analysis error! msg:";
    QTest::newRow("ppt draw no @") << "0$2$s:8"
                                   << "the msgList size != 2 error_1! msg:";
    QTest::newRow("ppt draw two @") << "0$2$s:8@f:0:0:1@x"
                                    << "the msgList size != 2 error_1! msg:";
    QTest::newRow("ppt draw unknown key") << "0$6$zz:1;s:8@f1:2:0:1"
                                          << "the etType unknown error! msg:";
    QTest::newRow("ppt draw item parts") << "0$6$s:8:1@f1:2:0:1"
                                         << "the etList size != 2 error! msg:";
    QTest::newRow("ppt draw empty item") << "0$6$s:8;@f1:2:0:1"
                                         << "the etList size != 2 error! msg:";
    QTest::newRow("ppt draw bad control") << "0$6$s:8@f1:2:0"
                                          << "the dataList size != 4 error! msg:";
    QTest::newRow("ppt scroll no @") << "0$8$f1:1:0:1"
                                     << "the msgList size != 2 error_2! msg:";
    QTest::newRow("ppt scroll point parts") << "0$8$f1:1:0:1@3;4"
                                            << "the point analysis error_2! msg:";
    QTest::newRow("ppt scroll point number") << "0$8$f1:1:0:1@3:y"
                                             << "the point analysis error_1! msg:";
    QTest::newRow("ppt zoom no @") << "0$9$f1:1:0:1"
                                   << "the msgList size != 2 error_3! msg:";
    QTest::newRow("ppt board id") << "0$5$f1:1:0:1"
                                  << "the boardIdChange error! ";
    QTest::newRow("ppt unknown kind") << "0$10$f1:1:0:1"
                                      << "the ppmType unknown error! msg:";
    QTest::newRow("chat fields") << "1$1$u1$1500000000$Ann"
                                 << "the msgList size != 6 error! msg:";
    QTest::newRow("ctrl fields") << "2$4:p9$x"
                                 << "the msgList size != 2 error! msg:";
    QTest::newRow("ctrl one part") << "2$4"
                                   << "the dataList size error! msg:";
    QTest::newRow("ctrl five parts") << "2$0:1:p9:12:5"
                                     << "the dataList size error! msg:";
    QTest::newRow("ctrl 0 three parts") << "2$0:1:p9"
                                        << "the dataList size < 4 error! msg:";
    QTest::newRow("ctrl 2 two parts") << "2$2:1"
                                      << "the dataList size < 3 error! msg:";
    QTest::newRow("ctrl unknown") << "2$8:p9"
                                  << "the cmType unknown error! msg:";
    QTest::newRow("stream fields") << "3$7$a$b$s$0$"
                                   << "the msgList size != 8 error! msg:";
    QTest::newRow("stream type") << "3$x$a$b$s$0$$"
                                 << "the msgType error! msg:";
    QTest::newRow("stream error type") << "3$7$a$b$s$-1$$"
                                       << "the msgType error! msg:";
    QTest::newRow("device fields") << "4$2$u7$1"
                                   << "the msgList size != 5 error! msg:";
    QTest::newRow("video fields") << "5$1"
                                  << "the msgList size != 3 error !msg:";
    QTest::newRow("video parts") << "5$1$v1:30:4"
                                 << "the dataList != 4 error! msg:";
    QTest::newRow("video type") << "5$2$v1:30:4:1"
                                << "the vcmType unknow error! msg:";
}

void TestTSProtocolAnalysis::refusedTexts()
{
    QFETCH(QString, text);
    QFETCH(QString, warning);
    expectWarning(warning);
    QString again;
    QVERIFY(!readAndWrite(text, again));
    QVERIFY(again.isEmpty());
}

void TestTSProtocolAnalysis::writerRefuses_data()
{
    QTest::addColumn<QVariant>("record");
    QTest::addColumn<QString>("warning");

    ChatMessage chat;
    chat.setSenderId("u1");
    chat.setSenderName("A$n");
    QTest::newRow("chat name with $") << QVariant::fromValue(chat) << "the field holds a separator error!";
    CtrlMessage ctrl;
    ctrl.setCtType(4);
    ctrl.setPersonId("p:9");
    QTest::newRow("ctrl person with :") << QVariant::fromValue(ctrl) << "the field holds a separator error!";
    ctrl.setPersonId("p9");
    ctrl.setCtType(8);
    QTest::newRow("ctrl kind 8") << QVariant::fromValue(ctrl) << "the cmType unknown error! cmType:";
    StreamMediaMessage stream;
    stream.setStreamId("s$1");
    QTest::newRow("stream id with $") << QVariant::fromValue(stream) << "the field holds a separator error!";
    DeviceMessage device;
    device.setThirdText("1$2");
    QTest::newRow("device text with $") << QVariant::fromValue(device) << "the field holds a separator error!";
    VideoCourseMessage video;
    video.setId("v:1");
    QTest::newRow("video id with :") << QVariant::fromValue(video) << "the field holds a separator error!";
    video.setId("v1");
    video.setVcmType(2);
    QTest::newRow("video kind 2") << QVariant::fromValue(video) << "the getVideoCourseType unknown error! cmType:";
    QTest::newRow("file id with :") << QVariant::fromValue(pptMessage(PPtMessage::PageChange, control("f:1", 1, 0)))
                                    << "the field holds a separator error!";
    QTest::newRow("drawing file id with @")
        << QVariant::fromValue(pptMessage(PPtMessage::BoardDrawOnline, control("f@1", 1, 0), shape(DrawSignal::Clear)))
        << "the field holds a separator error!";
    QTest::newRow("drawing of no shape") << QVariant::fromValue(pptMessage(PPtMessage::DrawOnline, control("f1", 1, 0),
        shape(DrawSignal::None))) << "the dsType None error! ";
    QTest::newRow("drawing of shape 12") << QVariant::fromValue(pptMessage(PPtMessage::DrawOnline, control("f1", 1, 0),
        shape(DrawSignal::DSType(12)))) << "the dsType unkown error! msg:";
    QTest::newRow("board id change") << QVariant::fromValue(pptMessage(PPtMessage::BoardIdChange, control("f1", 1, 0)))
                                     << "the boardIdChange error ! ";
}

void TestTSProtocolAnalysis::writerRefuses()
{
    QFETCH(QVariant, record);
    QFETCH(QString, warning);
    expectWarning(warning);
    QString text = "untouched";
    QVERIFY(!write(record, text));
    QCOMPARE(text, QString("untouched"));
}

void TestTSProtocolAnalysis::packetType_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<quint32>("type");
    QTest::newRow("ppt") << "0$6$s:8@f1:2:0:1" << quint32(TSProtocolAnalysis::TSPPt);
    QTest::newRow("stream") << "3$7$a$b$s$0$$" << quint32(TSProtocolAnalysis::TSStreamMedia);
    QTest::newRow("video") << "5$1$v1:30:4:1" << quint32(TSProtocolAnalysis::TSVideoCourse);
    QTest::newRow("no separator") << "4" << quint32(TSProtocolAnalysis::TSDevice);
    QTest::newRow("no number") << "abc$1" << quint32(0);
    QTest::newRow("empty") << "" << quint32(0);
    QTest::newRow("error kind") << "6$" << quint32(TSProtocolAnalysis::TSError);
    QTest::newRow("beyond") << "99$x" << quint32(99);
}

void TestTSProtocolAnalysis::packetType()
{
    QFETCH(QString, text);
    QFETCH(quint32, type);
    QCOMPARE(quint32(TSProtocolAnalysis::readDataPacketType(text)), type);
}

QTEST_GUILESS_MAIN(TestTSProtocolAnalysis)
#include "tst_tsprotocolanalysis.moc"
