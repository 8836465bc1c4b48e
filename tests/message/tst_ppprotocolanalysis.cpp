#include "vrek/message/ppprotocolanalysis.h"
#include "vrek/utils/globalvalue.h"

#include <QJsonDocument>
#include <QRegularExpression>
#include <QtTest>

namespace {
const QString machineId = QStringLiteral("Mach1neId0");

void expectWarning(const QString &prefix)
{
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^" + QRegularExpression::escape(prefix)));
}

QByteArray payload(int type, int subtype, const QByteArray &json)
{
    QByteArray bytes;
    bytes.append(char(type)).append(char(subtype));
    return bytes + json;
}

QString base64(const QString &text)
{
    return QString::fromLatin1(text.toUtf8().toBase64());
}

// Everything a courseware record carries, in one line.
QString describe(const PPtMessage &message)
{
    const DrawControl control = message.getDrawControl();
    const DrawSignal drawing = message.getDrawSignal();
    QStringList points;
    for (quint32 packed : drawing.getPointList()) {
        const QPoint point = drawing.uintToPoint(packed);
        points.append(QStringLiteral("%1,%2").arg(point.x()).arg(point.y()));
    }
    return QStringLiteral("%1|%2/%3/%4/%5|%6,%7|%8|s%9 pi%10 sp%11,%12 ep%13,%14 pc%15 pw%16 it%17 t%18 [%19]")
        .arg(quint32(message.getPpmType()))
        .arg(control.getFileIdAll())
        .arg(control.getPageId())
        .arg(control.getStepId())
        .arg(control.getFourthValue())
        .arg(message.getPoint().x())
        .arg(message.getPoint().y())
        .arg(message.getRate())
        .arg(quint32(drawing.getShapeType()))
        .arg(drawing.getPointSetId())
        .arg(drawing.getStartPoint().x())
        .arg(drawing.getStartPoint().y())
        .arg(drawing.getEndPoint().x())
        .arg(drawing.getEndPoint().y())
        .arg(drawing.getPenColorUInt())
        .arg(drawing.getPenWidth())
        .arg(drawing.getIsTemp())
        .arg(drawing.getText())
        .arg(points.join(' '));
}

QJsonObject written(const QByteArray &payload)
{
    return QJsonDocument::fromJson(payload.mid(2)).object();
}

DrawSignal shape(DrawSignal::DSType type)
{
    DrawSignal drawing;
    drawing.setShapeType(type);
    drawing.setPointSetId(42);
    drawing.setStartPoint(QPoint(3, 4));
    drawing.setEndPoint(QPoint(-10, 20));
    drawing.setPenColor(QColor(255, 0, 0, 255));
    drawing.setPenWidth(5);
    drawing.setIsTemp(1);
    drawing.setText(QString::fromUtf8("你好"));
    return drawing;
}

PPtMessage boardMessage(PPtMessage::PPMType type, const DrawSignal &drawing)
{
    PPtMessage message(type);
    DrawControl control;
    control.setPageId(2);
    control.setFourthValue(9);
    message.setDrawControl(control);
    message.resetDrawSignal(drawing);
    return message;
}
} // namespace

class TestPPProtocolAnalysis : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void packetType_data();
    void packetType();
    void readControl_data();
    void readControl();
    void writeControl_data();
    void writeControl();
    void readCourse_data();
    void readCourse();
    void writeCourse_data();
    void writeCourse();
    void point_data();
    void point();
    void textTravelsUnderEp();
    void jsonListsOfUnequalLength();
};

void TestPPProtocolAnalysis::initTestCase()
{
    g_runId = machineId;
}

void TestPPProtocolAnalysis::packetType_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("warning");
    QTest::newRow("empty") << QByteArray() << 4 << "the msg len < 1 error! msg:";
    QTest::newRow("control") << QByteArray("\x01\x00{}", 4) << 1 << "";
    QTest::newRow("courseware") << QByteArray("\x02") << 2 << "";
    QTest::newRow("byte 255") << QByteArray("\xff\x01") << 255 << "";
}

void TestPPProtocolAnalysis::packetType()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, type);
    QFETCH(QString, warning);
    if (!warning.isEmpty())
        expectWarning(warning);
    QCOMPARE(int(PPProtocolAnalysis::readDataPacketType(bytes)), type);
}

void TestPPProtocolAnalysis::readControl_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("fields"); // type ui un mi pwd hb
    QTest::addColumn<QString>("warning");

    QTest::newRow("LoginReq") << payload(1, 0, R"({"hb":"KPRV"})") << true << "0|||||KPRV"
                              << "";
    QTest::newRow("LoginReq other token is left to the manager")
        << payload(1, 0, R"({"hb":"ABCD"})") << true << "0|||||ABCD"
        << "";
    QTest::newRow("LoginReq token as number reads empty") << payload(1, 0, R"({"hb":5})") << true << "0|||||"
                                                          << "";
    QTest::newRow("LoginReq without hb") << payload(1, 0, R"({"x":"KPRV"})") << false << ""
                                         << "the json does not contains hb! msg:";
    QTest::newRow("LoginPwd") << payload(
        1, 2, QStringLiteral(R"({"pwd":"%1","mi":"%2"})").arg(base64("u7" + machineId), machineId).toUtf8())
                              << true << QStringLiteral("2|||%1|u7%1|").arg(machineId) << "";
    QTest::newRow("LoginPwd without pwd") << payload(1, 2, R"({"mi":"x"})") << false << ""
                                          << "the json does not contains mi or pwd! msg:";
    QTest::newRow("HeartBeat") << payload(1, 4, R"({"mi":"m","hb":"KPRV"})") << true << "4|||m||KPRV"
                               << "";
    QTest::newRow("HeartBeat without mi") << payload(1, 4, R"({"hb":"KPRV"})") << false << ""
                                          << "the json does not contains mi or hb! msg:";
    QTest::newRow("LoginMsg from a pad") << payload(1, 1, R"({"ui":"1"})") << false << ""
                                         << "the ppcmType LoginMsg error! msg:";
    QTest::newRow("LoginSuc from a pad") << payload(1, 3, "{}") << false << ""
                                         << "the ppcmType LoginSuc error! msg:";
    QTest::newRow("LoginRep from a pad") << payload(1, 5, "{}") << false << ""
                                         << "the ppcmType LoginRep error! msg:";
    QTest::newRow("unknown subtype") << payload(1, 9, "{}") << false << ""
                                     << "the ppcm type error! msg:";
    QTest::newRow("two bytes") << QByteArray("\x01\x00", 2) << false << ""
                               << "the msg len < 3 error! msg:";
    QTest::newRow("no json") << payload(1, 0, "hb=KPRV") << false << ""
                             << "the json analysis error! msg:";
    QTest::newRow("json array") << payload(1, 0, R"(["KPRV"])") << false << ""
                                << "the json is not object! msg:";
}

void TestPPProtocolAnalysis::readControl()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, ok);
    QFETCH(QString, fields);
    QFETCH(QString, warning);
    if (!warning.isEmpty())
        expectWarning(warning);
    PPCtrlMessage message;
    QCOMPARE(PPProtocolAnalysis::readPPCtrlMessage(message, bytes), ok);
    if (!ok)
        return;
    QVERIFY(message.isInit());
    const QString actual = QStringList { QString::number(message.getPPCMType()), message.getUi(), message.getUn(),
        message.getMi(), message.getPwd(), message.getHb() }
                               .join('|');
    QCOMPARE(actual, fields);
}

void TestPPProtocolAnalysis::writeControl_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("json");
    QTest::addColumn<QString>("warning");
    const QString login = QStringLiteral(R"({"ui":"u7","mi":"%1","un":"%2"})").arg(machineId, base64("李老师"));
    const QString success = QStringLiteral(R"({"mi":"%1","hb":"KPRV"})").arg(machineId);
    QTest::newRow("LoginMsg") << 1 << true << login << "";
    QTest::newRow("LoginRep") << 5 << true << login << "";
    QTest::newRow("LoginSuc") << 3 << true << success << "";
    QTest::newRow("HeartBeat") << 4 << true << success << "";
    QTest::newRow("LoginReq") << 0 << false << ""
                              << "the ppcmType LoginReq error! ";
    QTest::newRow("LoginPwd") << 2 << false << ""
                              << "the ppcmType LoginPwd error! ";
    QTest::newRow("unknown") << 6 << false << ""
                             << "the ppcmType unknown error! ppcmType: 6";
}

void TestPPProtocolAnalysis::writeControl()
{
    QFETCH(int, type);
    QFETCH(bool, ok);
    QFETCH(QString, json);
    QFETCH(QString, warning);
    if (!warning.isEmpty())
        expectWarning(warning);
    PPCtrlMessage message { quint32(type) };
    message.setUi("u7");
    message.setUn(QString::fromUtf8("李老师"));
    message.setMi(machineId);
    message.setHb("KPRV");
    message.setPwd("never written");
    QByteArray bytes;
    QCOMPARE(PPProtocolAnalysis::writePPCtrlMessage(message, bytes), ok);
    if (!ok)
        return;
    QCOMPARE(bytes.left(2), QByteArray(1, char(1)) + QByteArray(1, char(type)));
    const QJsonObject expected = QJsonDocument::fromJson(json.toUtf8()).object();
    // The PC writes indented JSON; the bytes are exactly that text of the members.
    QCOMPARE(bytes.mid(2), QJsonDocument(expected).toJson(QJsonDocument::Indented));
}

void TestPPProtocolAnalysis::readCourse_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("json"); // "MI" stands for this run's machine id
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("record");
    QTest::addColumn<QString>("warning");

    const QString idle = "s0 pi0 sp1,1 ep1,1 pc4294901760 pw5 it0 t0 []";
    QTest::newRow("open file") << 0 << R"({"mi":"MI","fi":"f1","pm":"3","dc":"7"})" << true
                               << "0|f1/3/0/7|0,0|0|" + idle << "";
    QTest::newRow("page as a json number reads 0")
        << 1 << R"({"mi":"MI","fi":"f1","pm":3,"dc":"2"})" << true << "1|f1/0/0/2|0,0|0|" + idle << "";
    QTest::newRow("page with another machine id") << 1 << R"({"mi":"other","fi":"f1","pm":"3","dc":"2"})" << false << ""
                                                  << "the mid != machineId! at OpenFile & PageChange mid:";
    QTest::newRow("page without dc") << 1 << R"({"mi":"MI","fi":"f1","pm":"3"})" << false << ""
                                     << "the json does not contains :  \"dc\"";
    QTest::newRow("file page id") << 4 << R"({"mi":"MI","fi":"f2","pm":"5"})" << true << "4|f2/5/0/1|0,0|0|" + idle
                                  << "";
    QTest::newRow("board id") << 5 << R"({"mi":"MI","pm":"4"})" << true << "5|/4/0/1|0,0|0|" + idle << "";
    QTest::newRow("board id with another machine id") << 5 << R"({"mi":"x","pm":"4"})" << false << ""
                                                      << "the mid != machineId! at boardIdChange mid:";
    QTest::newRow("scroll") << 8 << R"({"mi":"MI","fi":"f1","ep":"{12,-40}"})" << true << "8|f1/0/0/1|12,-40|0|" + idle
                            << "";
    QTest::newRow("scroll to a malformed point goes to the origin")
        << 8 << R"j({"mi":"MI","fi":"f1","ep":"(1,2)"})j" << true << "8|f1/0/0/1|0,0|0|" + idle
        << "the point analysis error_3! msg:";
    QTest::newRow("rate") << 9 << R"({"mi":"MI","fi":"f1","ra":"-25"})" << true << "9|f1/0/0/1|0,0|-25|" + idle << "";
    QTest::newRow("rate with another machine id") << 9 << R"({"mi":"y","fi":"f1","ra":"5"})" << false << ""
                                                  << "the mid != machineId! at rateChange mid:";
    QTest::newRow("kind 10") << 10 << R"({"mi":"MI"})" << false << ""
                             << "the ppm type error! msg:";

    const QString stroke = R"("s":"1","pi":"7","ep":"{9,9}","sp":"{1,2}","pc":"4278190335","pw":"3","it":"1")";
    QTest::newRow("freehand without points")
        << 2 << R"({"mi":"MI","fi":"f1","pm":"1","dc":"1",)" + stroke + R"(,"pn":"0"})" << true
        << "2|f1/1/0/1|0,0|0|s1 pi7 sp1,2 ep9,9 pc4278190335 pw3 it1 t0 []"
        << "";
    QTest::newRow("freehand with two points")
        << 6 << R"({"mi":"MI","pm":"0","fc":"1",)" + stroke + R"(,"pn":"2","p0":"{1,2}","p1":"{-3.9,4.2}"})" << true
        << "6|/0/0/1|0,0|0|s1 pi7 sp1,2 ep9,9 pc4278190335 pw3 it1 t0 [1,2 -3,4]"
        << "";
    QTest::newRow("freehand missing p2") << 6
                                         << R"({"mi":"MI","pm":"0","fc":"1",)" + stroke
            + R"(,"pn":"3","p0":"{1,2}","p1":"{3,4}"})"
                                         << false << ""
                                         << "the json does not contains :  \"p2\"";
    QTest::newRow("freehand of more than 10000 points")
        << 6 << R"({"mi":"MI","pm":"0","fc":"1",)" + stroke + R"(,"pn":"10001"})" << false << ""
        << "the point count error! pn:";
    QTest::newRow("freehand count no number")
        << 6 << R"({"mi":"MI","pm":"0","fc":"1",)" + stroke + R"(,"pn":"2x"})" << false << ""
        << "the point count error! pn:";
    QTest::newRow("freehand point not a number")
        << 6 << R"({"mi":"MI","pm":"0","fc":"1",)" + stroke + R"(,"pn":"1","p0":"{nan,1}"})" << false << ""
        << "the point analysis error_1! msg:";
    QTest::newRow("freehand point beyond int")
        << 6 << R"({"mi":"MI","pm":"0","fc":"1",)" + stroke + R"(,"pn":"1","p0":"{1e10,1}"})" << false << ""
        << "the point analysis error_1! msg:";
    QTest::newRow("board stroke with another machine id")
        << 7 << R"({"mi":"z","pm":"0","fc":"1",)" + stroke + R"(,"pn":"0"})" << false << ""
        << "the mid != machineId! at boardOnline & boardDraw mid:";
    QTest::newRow("line") << 3
                          << R"({"mi":"MI","fi":"f","pm":"2","dc":"1","s":"2","pi":"8","ep":"{5,5}","sp":"{0,0}",)"
                             R"("pc":"255","pw":"2","it":"0"})"
                          << true << "3|f/2/0/1|0,0|0|s2 pi8 sp0,0 ep5,5 pc255 pw2 it0 t0 []"
                          << "";
    QTest::newRow("line with a point as a number")
        << 3
        << R"({"mi":"MI","fi":"f","pm":"2","dc":"1","s":"2","pi":"8","ep":5,"sp":"{0,0}","pc":"1","pw":"2","it":"0"})"
        << false << ""
        << "the point analysis error_3! msg:";
    QTest::newRow("laser needs sp, not pw")
        << 6 << R"({"mi":"MI","pm":"0","fc":"1","s":"5","pi":"3","ep":"{7,8}","sp":"{1,1}","pc":"16"})" << true
        << "6|/0/0/1|0,0|0|s5 pi3 sp1,1 ep7,8 pc16 pw5 it0 t0 []"
        << "";
    QTest::newRow("laser without sp")
        << 6 << R"({"mi":"MI","pm":"0","fc":"1","s":"5","pi":"3","ep":"{7,8}","pc":"16","pw":"2"})" << false << ""
        << "the json does not contains :  \"sp\"";
    QTest::newRow("text starts at ep")
        << 6
        << QStringLiteral(R"({"mi":"MI","pm":"0","fc":"1","s":"6","pi":"4","ep":"{5,6}","pc":"1","pw":"2","t":"%1"})")
               .arg(base64(QString::fromUtf8("你好")))
        << true << QString::fromUtf8("6|/0/0/1|0,0|0|s6 pi4 sp5,6 ep1,1 pc1 pw2 it0 t你好 []") << "";
    QTest::newRow("undo") << 7 << R"({"mi":"MI","pm":"0","fc":"1","s":"7","pi":"12"})" << true
                          << "7|/0/0/1|0,0|0|s7 pi12 sp1,1 ep1,1 pc4294901760 pw5 it0 t0 []"
                          << "";
    QTest::newRow("clear") << 7 << R"({"mi":"MI","pm":"0","fc":"1","s":"8"})" << true
                           << "7|/0/0/1|0,0|0|s8 pi0 sp1,1 ep1,1 pc4294901760 pw5 it0 t0 []"
                           << "";
    QTest::newRow("shape 0") << 6 << R"({"mi":"MI","pm":"0","fc":"1","s":"0"})" << false << ""
                             << "the dsType unknown error! ";
    QTest::newRow("shape 10") << 6 << R"({"mi":"MI","pm":"0","fc":"1","s":"10","pi":"1"})" << false << ""
                              << "the dsType unknown error! ";
    QTest::newRow("no shape") << 2 << R"({"mi":"MI","fi":"f","pm":"0","dc":"1"})" << false << ""
                              << "the qjo does not exist s! ";
}

void TestPPProtocolAnalysis::readCourse()
{
    QFETCH(int, type);
    QFETCH(QString, json);
    QFETCH(bool, ok);
    QFETCH(QString, record);
    QFETCH(QString, warning);
    if (!warning.isEmpty())
        expectWarning(warning);
    PPtMessage message;
    const QByteArray bytes = payload(2, type, json.replace("MI", machineId).toUtf8());
    QCOMPARE(PPProtocolAnalysis::readPPtMessage(message, bytes), ok);
    if (ok)
        QCOMPARE(describe(message), record);
}

void TestPPProtocolAnalysis::writeCourse_data()
{
    QTest::addColumn<QVariant>("message");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("json"); // "MI" stands for this run's machine id
    QTest::addColumn<QString>("warning");

    for (int type = 0; type <= 4; ++type) {
        const PPtMessage message = boardMessage(PPtMessage::PPMType(type), shape(DrawSignal::Line));
        QTest::addRow("kind %d is not sent", type) << QVariant::fromValue(message) << false << ""
                                                   << "";
    }
    QTest::newRow("board id carries s 0 alone")
        << QVariant::fromValue(boardMessage(PPtMessage::BoardIdChange, DrawSignal())) << true
        << R"({"mi":"MI","pm":"2","fc":"9","s":"0"})"
        << "the dsType is None error! ";
    DrawSignal freehand = shape(DrawSignal::Irregular);
    freehand.addPoint(QPoint(1, 2));
    freehand.addPoint(QPoint(-30, 40));
    QTest::newRow("freehand") << QVariant::fromValue(boardMessage(PPtMessage::BoardDrawOnline, freehand)) << true
                              << R"({"mi":"MI","pm":"2","fc":"9","s":"1","pi":"42","ep":"{-10,20}","sp":"{3,4}",)"
                                 R"("pc":"4294901760","pw":"5","it":"1","pn":"2","p0":"{1,2}","p1":"{-30,40}"})"
                              << "";
    QTest::newRow("freehand without points")
        << QVariant::fromValue(boardMessage(PPtMessage::BoardDrawOffline, shape(DrawSignal::Irregular))) << true
        << R"({"mi":"MI","pm":"2","fc":"9","s":"1","pi":"42","ep":"{-10,20}","sp":"{3,4}","pc":"4294901760",)"
           R"("pw":"5","it":"1","pn":"0"})"
        << "";
    QTest::newRow("rectangle") << QVariant::fromValue(
        boardMessage(PPtMessage::BoardDrawOnline, shape(DrawSignal::Rectangle)))
                               << true
                               << R"({"mi":"MI","pm":"2","fc":"9","s":"3","pi":"42","ep":"{-10,20}","sp":"{3,4}",)"
                                  R"("pc":"4294901760","pw":"5","it":"1"})"
                               << "";
    QTest::newRow("laser without sp")
        << QVariant::fromValue(boardMessage(PPtMessage::BoardDrawOnline, shape(DrawSignal::Laser))) << true
        << R"({"mi":"MI","pm":"2","fc":"9","s":"5","pi":"42","ep":"{-10,20}","pc":"4294901760","pw":"5"})"
        << "";
    QTest::newRow("text from the start point")
        << QVariant::fromValue(boardMessage(PPtMessage::BoardDrawOnline, shape(DrawSignal::Text))) << true
        << QStringLiteral(
               R"({"mi":"MI","pm":"2","fc":"9","s":"6","pi":"42","ep":"{3,4}","pc":"4294901760","pw":"5","t":"%1"})")
               .arg(base64(QString::fromUtf8("你好")))
        << "";
    QTest::newRow("eraser") << QVariant::fromValue(boardMessage(PPtMessage::BoardDrawOnline, shape(DrawSignal::Eraser)))
                            << true << R"({"mi":"MI","pm":"2","fc":"9","s":"9","pi":"42"})"
                            << "";
    QTest::newRow("clear") << QVariant::fromValue(boardMessage(PPtMessage::BoardDrawOnline, shape(DrawSignal::Clear)))
                           << true << R"({"mi":"MI","pm":"2","fc":"9","s":"8"})"
                           << "";
    PPtMessage scroll(PPtMessage::ScrollMove);
    DrawControl control;
    control.setFileIdAll("f3");
    scroll.setDrawControl(control);
    scroll.setPoint(QPoint(-5, 80));
    QTest::newRow("scroll") << QVariant::fromValue(scroll) << true << R"({"mi":"MI","fi":"f3","ep":"{-5,80}"})"
                            << "";
    PPtMessage zoom(PPtMessage::ZoomChange);
    zoom.setDrawControl(control);
    zoom.setRate(-120);
    QTest::newRow("zoom") << QVariant::fromValue(zoom) << true << R"({"mi":"MI","fi":"f3","ra":"-120"})"
                          << "";
}

void TestPPProtocolAnalysis::writeCourse()
{
    QFETCH(QVariant, message);
    QFETCH(bool, ok);
    QFETCH(QString, json);
    QFETCH(QString, warning);
    if (!warning.isEmpty())
        expectWarning(warning);
    QByteArray bytes;
    const PPtMessage record = message.value<PPtMessage>();
    QCOMPARE(PPProtocolAnalysis::writePPtMessage(record, bytes), ok);
    if (!ok)
        return;
    QCOMPARE(bytes.left(2), QByteArray(1, char(2)) + QByteArray(1, char(record.getPpmType())));
    QCOMPARE(written(bytes), QJsonDocument::fromJson(json.replace("MI", machineId).toUtf8()).object());
}

void TestPPProtocolAnalysis::point_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<QString>("warning");
    QTest::newRow("integers") << "{12,-40}" << true << QPoint(12, -40) << "";
    QTest::newRow("reals truncate toward zero") << "{1.7,-2.9}" << true << QPoint(1, -2) << "";
    QTest::newRow("the ends of int") << "{-2147483648.9,2147483647.5}" << true << QPoint(INT_MIN, INT_MAX) << "";
    QTest::newRow("three parts") << "{1,2,3}" << false << QPoint() << "the point analysis error_2! msg:";
    QTest::newRow("round brackets") << "(1,2)" << false << QPoint() << "the point analysis error_3! msg:";
    QTest::newRow("empty braces") << "{}" << false << QPoint() << "the point analysis error_3! msg:";
    QTest::newRow("no number") << "{a,1}" << false << QPoint() << "the point analysis error_1! msg:";
    QTest::newRow("nan") << "{nan,1}" << false << QPoint() << "the point analysis error_1! msg:";
    QTest::newRow("infinite") << "{1,inf}" << false << QPoint() << "the point analysis error_1! msg:";
    QTest::newRow("beyond int") << "{2147483648,0}" << false << QPoint() << "the point analysis error_1! msg:";
    QTest::newRow("far beyond int") << "{0,-1e300}" << false << QPoint() << "the point analysis error_1! msg:";
}

void TestPPProtocolAnalysis::point()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(QPoint, point);
    QFETCH(QString, warning);
    if (!warning.isEmpty())
        expectWarning(warning);
    QPoint read(77, 77);
    QCOMPARE(PPProtocolAnalysis::toPoint(text, read), ok);
    if (ok) {
        QCOMPARE(read, point);
        QCOMPARE(PPProtocolAnalysis::fromPoint(QPoint(point.x(), point.y())),
            QStringLiteral("{%1,%2}").arg(point.x()).arg(point.y()));
    }
}

void TestPPProtocolAnalysis::textTravelsUnderEp()
{
    QByteArray bytes;
    QVERIFY(
        PPProtocolAnalysis::writePPtMessage(boardMessage(PPtMessage::BoardDrawOnline, shape(DrawSignal::Text)), bytes));
    PPtMessage back;
    QVERIFY(PPProtocolAnalysis::readPPtMessage(back, bytes));
    QCOMPARE(back.getDrawSignal().getStartPoint(), QPoint(3, 4));
    QCOMPARE(back.getDrawSignal().getText(), QString::fromUtf8("你好"));
    QCOMPARE(back.getDrawControl().getFourthValue(), 9u);
}

void TestPPProtocolAnalysis::jsonListsOfUnequalLength()
{
    QJsonObject object;
    expectWarning("the list size error! keyListSize: 2 valueListSize: 1");
    QVERIFY(!PPProtocolAnalysis::toJsonObject(object, { "a", "b" }, { "1" }));
    expectWarning("the list size error! keyListSize: 0 valueListSize: 0");
    QVERIFY(!PPProtocolAnalysis::toJsonObject(object, {}, {}));
    QVERIFY(object.isEmpty());
}

QTEST_GUILESS_MAIN(TestPPProtocolAnalysis)
#include "tst_ppprotocolanalysis.moc"
