#include "vrek/message/ppprotocolanalysis.h"

#include "vrek/utils/globalvalue.h"
#include "vrek/utils/stringutil.h"

#include <QDebug>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QJsonValue>

#include <climits>
#include <cmath>

namespace {
// The JSON object of a payload; false (with the warning) when the text is no JSON object.
bool parseObject(const QByteArray &json, QJsonObject &object)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError) {
        qWarning() << "the json analysis error! msg:" << qPrintable(StringUtil::logExcerpt(json));
        return false;
    }
    if (!document.isObject()) {
        qWarning() << "the json is not object! msg:" << qPrintable(StringUtil::logExcerpt(json));
        return false;
    }
    object = document.object();
    return true;
}

QByteArray objectText(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

// The log word of each courseware kind, part of its machine-id warning.
const char *machineIdWarning(quint32 ppmType)
{
    switch (ppmType) {
    case 0:
    case 1:
        return "the mid != machineId! at OpenFile & PageChange mid:";
    case 2:
    case 3:
        return "the mid != machineId! at online & allTrans mid:";
    case 4:
        return "the mid != machineId! at filePageId mid:";
    case 5:
        return "the mid != machineId! at boardIdChange mid:";
    case 6:
    case 7:
        return "the mid != machineId! at boardOnline & boardDraw mid:";
    case 8:
        return "the mid != machineId! at scrollAreaMove mid:";
    default:
        return "the mid != machineId! at rateChange mid:";
    }
}

// The members a courseware kind must carry, in order (mi first).
QStringList courseKeys(quint32 ppmType)
{
    switch (ppmType) {
    case 0:
    case 1:
    case 2:
    case 3:
        return { "mi", "fi", "pm", "dc" };
    case 4:
        return { "mi", "fi", "pm" };
    case 5:
        return { "mi", "pm" };
    case 6:
    case 7:
        return { "mi", "pm", "fc" };
    case 8:
        return { "mi", "fi", "ep" };
    default:
        return { "mi", "fi", "ra" };
    }
}

// The drawing members a shape must carry when read from the pad.
QStringList drawKeysRead(quint32 shape)
{
    switch (shape) {
    case DrawSignal::Irregular:
        return { "pi", "ep", "sp", "pc", "pw", "it", "pn" };
    case DrawSignal::Line:
    case DrawSignal::Rectangle:
    case DrawSignal::Ellipse:
        return { "pi", "ep", "sp", "pc", "pw", "it" };
    case DrawSignal::Laser:
        return { "pi", "ep", "sp", "pc" };
    case DrawSignal::Text:
        return { "pi", "ep", "pc", "pw", "t" };
    case DrawSignal::Undo:
    case DrawSignal::Eraser:
        return { "pi" };
    default:
        return {};
    }
}
} // namespace

PPProtocolAnalysis::PPType PPProtocolAnalysis::readDataPacketType(const QByteArray &payload)
{
    if (payload.size() < 1) {
        qWarning() << "the msg len < 1 error! msg:" << qPrintable(StringUtil::logExcerpt(payload));
        return PPReserved4;
    }
    return PPType(quint8(payload.at(0)));
}

bool PPProtocolAnalysis::readPPCtrlMessage(PPCtrlMessage &message, const QByteArray &payload)
{
    if (payload.size() < 3) {
        qWarning() << "the msg len < 3 error! msg:" << qPrintable(StringUtil::logExcerpt(payload));
        return false;
    }
    message.setPPCMType(quint8(payload.at(1)));
    return toPPCtrlMessage(message, payload.mid(2));
}

bool PPProtocolAnalysis::readPPtMessage(PPtMessage &message, const QByteArray &payload)
{
    if (payload.size() < 3) {
        qWarning() << "PPProtocolAnalysis::readPPtMessage the msg len < 3 error! msg:"
                   << qPrintable(StringUtil::logExcerpt(payload));
        return false;
    }
    message.setPpmType(PPtMessage::PPMType(quint8(payload.at(1))));
    return toPPtMessage(message, payload.mid(2));
}

bool PPProtocolAnalysis::writePPCtrlMessage(const PPCtrlMessage &message, QByteArray &payload)
{
    payload.append(char(PPCtrl));
    payload.append(char(message.getPPCMType() & 0xFF));
    return fromPPCtrlMessage(message, payload);
}

bool PPProtocolAnalysis::writePPtMessage(const PPtMessage &message, QByteArray &payload)
{
    payload.append(char(PPCourse));
    payload.append(char(quint32(message.getPpmType()) & 0xFF));
    return fromPPtMeesage(message, payload);
}

bool PPProtocolAnalysis::toPPCtrlMessage(PPCtrlMessage &message, const QByteArray &json)
{
    QJsonObject object;
    if (!parseObject(json, object))
        return false;
    switch (message.getPPCMType()) {
    case PPCtrlMessage::LoginReq:
        if (!object.contains("hb")) {
            qWarning() << "the json does not contains hb! msg:" << qPrintable(StringUtil::logExcerpt(json));
            return false;
        }
        message.setHb(object.value("hb").toString());
        return true;
    case PPCtrlMessage::LoginPwd:
        if (!object.contains("mi") || !object.contains("pwd")) {
            qWarning() << "the json does not contains mi or pwd! msg:" << qPrintable(StringUtil::logExcerpt(json));
            return false;
        }
        message.setMi(object.value("mi").toString());
        message.setPwd(base64ToText(object.value("pwd").toString()));
        return true;
    case PPCtrlMessage::HeartBeat:
        if (!object.contains("mi") || !object.contains("hb")) {
            qWarning() << "the json does not contains mi or hb! msg:" << qPrintable(StringUtil::logExcerpt(json));
            return false;
        }
        message.setMi(object.value("mi").toString());
        message.setHb(object.value("hb").toString());
        return true;
    case PPCtrlMessage::LoginMsg:
        qWarning() << "the ppcmType LoginMsg error! msg:" << qPrintable(StringUtil::logExcerpt(json));
        return false;
    case PPCtrlMessage::LoginSuc:
        qWarning() << "the ppcmType LoginSuc error! msg:" << qPrintable(StringUtil::logExcerpt(json));
        return false;
    case PPCtrlMessage::LoginRep:
        qWarning() << "the ppcmType LoginRep error! msg:" << qPrintable(StringUtil::logExcerpt(json));
        return false;
    default:
        qWarning() << "the ppcm type error! msg:" << qPrintable(StringUtil::logExcerpt(json));
        return false;
    }
}

bool PPProtocolAnalysis::fromPPCtrlMessage(const PPCtrlMessage &message, QByteArray &json)
{
    QJsonObject object;
    switch (message.getPPCMType()) {
    case PPCtrlMessage::LoginMsg:
    case PPCtrlMessage::LoginRep:
        if (!toJsonObject(
                object, { "ui", "mi", "un" }, { message.getUi(), message.getMi(), textToBase64(message.getUn()) }))
            return false;
        break;
    case PPCtrlMessage::LoginSuc:
    case PPCtrlMessage::HeartBeat:
        if (!toJsonObject(object, { "mi", "hb" }, { message.getMi(), message.getHb() }))
            return false;
        break;
    case PPCtrlMessage::LoginReq:
        qWarning() << "the ppcmType LoginReq error! ";
        return false;
    case PPCtrlMessage::LoginPwd:
        qWarning() << "the ppcmType LoginPwd error! ";
        return false;
    default:
        qWarning() << "the ppcmType unknown error! ppcmType:" << message.getPPCMType();
        return false;
    }
    json.append(objectText(object));
    return true;
}

bool PPProtocolAnalysis::toPPtMessage(PPtMessage &message, const QByteArray &json)
{
    QJsonObject object;
    if (!parseObject(json, object))
        return false;
    const quint32 ppmType = quint32(message.getPpmType());
    if (ppmType > 9) {
        qWarning() << "the ppm type error! msg:" << qPrintable(StringUtil::logExcerpt(json));
        return false;
    }
    const QStringList keys = courseKeys(ppmType);
    QStringList values;
    if (!fromJsonObject(object, keys, values))
        return false;
    if (values.at(0) != g_runId) {
        qWarning() << machineIdWarning(ppmType) << StringUtil::logExcerpt(values.at(0)) << "machineId:" << g_runId;
        return false;
    }
    const auto value = [&keys, &values](const char *key) { return values.value(keys.indexOf(key)); };

    DrawControl drawControl;
    if (keys.contains("fi"))
        drawControl.setFileIdAll(value("fi"));
    if (keys.contains("pm"))
        drawControl.setPageId(value("pm").toUInt());
    if (keys.contains("dc"))
        drawControl.setFourthValue(value("dc").toUInt());
    if (keys.contains("fc"))
        drawControl.setFourthValue(value("fc").toUInt());
    message.setDrawControl(drawControl);

    switch (ppmType) {
    case PPtMessage::ScrollMove: {
        // A malformed scroll point is no reason to lose the message: it scrolls to the origin.
        QPoint point;
        if (!toPoint(value("ep"), point))
            point = QPoint();
        message.setPoint(point);
        return true;
    }
    case PPtMessage::ZoomChange:
        message.setRate(value("ra").toInt());
        return true;
    case PPtMessage::DrawOnline:
    case PPtMessage::DrawOffline:
    case PPtMessage::BoardDrawOnline:
    case PPtMessage::BoardDrawOffline:
        return toDrawSignal(object, message);
    default:
        return true;
    }
}

bool PPProtocolAnalysis::fromPPtMeesage(const PPtMessage &message, QByteArray &json)
{
    QJsonObject object;
    const DrawControl drawControl = message.getDrawControl();
    switch (message.getPpmType()) {
    case PPtMessage::BoardIdChange:
    case PPtMessage::BoardDrawOnline:
    case PPtMessage::BoardDrawOffline:
        if (!toJsonObject(object, { "mi", "pm", "fc" },
                { g_runId, QString::number(drawControl.getPageId()), QString::number(drawControl.getFourthValue()) }))
            return false;
        // A shape the pad cannot draw still goes out, with its s alone: the pad ignores it.
        fromDrawSignal(object, message);
        break;
    case PPtMessage::ScrollMove:
        if (!toJsonObject(
                object, { "mi", "fi", "ep" }, { g_runId, drawControl.getFileIdAll(), fromPoint(message.getPoint()) }))
            return false;
        break;
    case PPtMessage::ZoomChange:
        if (!toJsonObject(object, { "mi", "fi", "ra" },
                { g_runId, drawControl.getFileIdAll(), QString::number(message.getRate()) }))
            return false;
        break;
    default:
        // The pad follows the courseware by itself; only board changes, scrolling and zoom go to it.
        qDebug() << "the ppmType is not sent to the pad! ppmType:" << quint32(message.getPpmType());
        return false;
    }
    json.append(objectText(object));
    return true;
}

bool PPProtocolAnalysis::toDrawSignal(const QJsonObject &object, PPtMessage &message)
{
    if (!object.contains("s")) {
        qWarning() << "the qjo does not exist s! ";
        return false;
    }
    const quint32 shape = object.value("s").toString().toUInt();
    if (shape == DrawSignal::None || shape > DrawSignal::Eraser) {
        qWarning() << "the dsType unknown error! " << shape;
        return false;
    }
    DrawSignal drawSignal;
    drawSignal.setShapeTypeUInt(shape);
    const QStringList keys = drawKeysRead(shape);
    QStringList values;
    if (!fromJsonObject(object, keys, values))
        return false;
    for (int i = 0; i < keys.size(); ++i) {
        const QString &key = keys.at(i);
        const QString &text = values.at(i);
        if (key == "pi") {
            drawSignal.setPointSetId(text.toUInt());
        } else if (key == "ep" || key == "sp") {
            QPoint point;
            if (!toPoint(text, point))
                return false;
            // A text keeps its place in ep: it is where the text starts.
            if (key == "sp" || shape == DrawSignal::Text)
                drawSignal.setStartPoint(point);
            else
                drawSignal.setEndPoint(point);
        } else if (key == "pc") {
            drawSignal.setPenColorUInt(text.toUInt());
        } else if (key == "pw") {
            drawSignal.setPenWidth(text.toUInt());
        } else if (key == "it") {
            drawSignal.setIsTemp(text.toUInt());
        } else if (key == "t") {
            drawSignal.setText(base64ToText(text));
        } else if (key == "pn") {
            bool ok = false;
            const quint32 count = text.toUInt(&ok);
            if (!ok || count > maxFreehandPoints) {
                qWarning() << "the point count error! pn:" << qPrintable(StringUtil::logExcerpt(text));
                return false;
            }
            if (count != 0 && !toTempPoint(count, object, drawSignal))
                return false;
        }
    }
    message.resetDrawSignal(drawSignal);
    return true;
}

bool PPProtocolAnalysis::fromDrawSignal(QJsonObject &object, const PPtMessage &message)
{
    const DrawSignal &drawSignal = message.getDrawSignal();
    const quint32 shape = quint32(drawSignal.getShapeType());
    object.insert("s", QString::number(shape));
    const QString pi = QString::number(drawSignal.getPointSetId());
    const QString ep = fromPoint(drawSignal.getEndPoint());
    const QString sp = fromPoint(drawSignal.getStartPoint());
    const QString pc = QString::number(drawSignal.getPenColorUInt());
    const QString pw = QString::number(drawSignal.getPenWidth());
    const QString it = QString::number(drawSignal.getIsTemp());
    switch (shape) {
    case DrawSignal::None:
        qWarning() << "the dsType is None error! ";
        return false;
    case DrawSignal::Irregular:
        return toJsonObject(object, { "pi", "ep", "sp", "pc", "pw", "it" }, { pi, ep, sp, pc, pw, it })
            && fromTempPoint(object, drawSignal);
    case DrawSignal::Line:
    case DrawSignal::Rectangle:
    case DrawSignal::Ellipse:
        return toJsonObject(object, { "pi", "ep", "sp", "pc", "pw", "it" }, { pi, ep, sp, pc, pw, it });
    case DrawSignal::Laser:
        return toJsonObject(object, { "pi", "ep", "pc", "pw" }, { pi, ep, pc, pw });
    case DrawSignal::Text:
        return toJsonObject(
            object, { "pi", "ep", "pc", "pw", "t" }, { pi, sp, pc, pw, textToBase64(drawSignal.getText()) });
    case DrawSignal::Undo:
    case DrawSignal::Eraser:
        return toJsonObject(object, { "pi" }, { pi });
    case DrawSignal::Clear:
        return true;
    default:
        qWarning() << "PPProtocolAnalysis::fromDrawSignal the dsType is None error! ";
        return false;
    }
}

bool PPProtocolAnalysis::fromTempPoint(QJsonObject &object, const DrawSignal &drawSignal)
{
    qDebug() << "";
    const QList<quint32> points = drawSignal.getPointList();
    object.insert("pn", QString::number(points.size()));
    for (int i = 0; i < points.size(); ++i) {
        const QPointF point = drawSignal.uintToPointF(points.at(i));
        object.insert(QStringLiteral("p%1").arg(i), fromPoint(QPoint(qRound(point.x()), qRound(point.y()))));
    }
    return true;
}

bool PPProtocolAnalysis::toTempPoint(quint32 count, const QJsonObject &object, DrawSignal &drawSignal)
{
    if (count > maxFreehandPoints) {
        qWarning() << "the point count error! pn:" << count;
        return false;
    }
    QStringList keys;
    keys.reserve(int(count));
    for (quint32 i = 0; i < count; ++i)
        keys.append(QStringLiteral("p%1").arg(i));
    QStringList values;
    if (!fromJsonObject(object, keys, values))
        return false;
    for (const QString &text : qAsConst(values)) {
        QPoint point;
        if (!toPoint(text, point))
            return false;
        drawSignal.addPoint(point);
    }
    return true;
}

QString PPProtocolAnalysis::fromPoint(const QPoint &point)
{
    qDebug() << "";
    return QStringLiteral("{%1,%2}").arg(point.x()).arg(point.y());
}

bool PPProtocolAnalysis::toPoint(const QString &text, QPoint &point)
{
    qDebug() << "msg:" << qPrintable(StringUtil::logExcerpt(text));
    if (text.size() < 5 || !text.startsWith('{') || !text.endsWith('}')) {
        qWarning() << "the point analysis error_3! msg:" << qPrintable(StringUtil::logExcerpt(text));
        return false;
    }
    const QStringList parts = text.mid(1, text.size() - 2).split(',');
    if (parts.size() != 2) {
        qWarning() << "the point analysis error_2! msg:" << qPrintable(StringUtil::logExcerpt(text));
        return false;
    }
    int coordinates[2] = { 0, 0 };
    for (int i = 0; i < 2; ++i) {
        bool ok = false;
        const double value = std::trunc(parts.at(i).toDouble(&ok));
        // Converting a value outside int is undefined: such a point is as broken as one that is no number.
        if (!ok || !std::isfinite(value) || value < double(INT_MIN) || value > double(INT_MAX)) {
            qWarning() << "the point analysis error_1! msg:" << qPrintable(StringUtil::logExcerpt(text));
            return false;
        }
        coordinates[i] = int(value);
    }
    point = QPoint(coordinates[0], coordinates[1]);
    return true;
}

bool PPProtocolAnalysis::fromJsonObject(const QJsonObject &object, const QStringList &keys, QStringList &values)
{
    qDebug() << "";
    for (const QString &key : keys) {
        if (!object.contains(key)) {
            qWarning() << "the json does not contains : " << key;
            return false;
        }
    }
    for (const QString &key : keys)
        values.append(object.value(key).toString());
    return true;
}

bool PPProtocolAnalysis::toJsonObject(QJsonObject &object, const QStringList &keys, const QStringList &values)
{
    qDebug() << "";
    if (keys.isEmpty() || keys.size() != values.size()) {
        qWarning() << "the list size error! keyListSize:" << keys.size() << "valueListSize:" << values.size();
        return false;
    }
    for (int i = 0; i < keys.size(); ++i)
        object.insert(keys.at(i), values.at(i));
    return true;
}

QString PPProtocolAnalysis::textToBase64(const QString &text)
{
    return QString::fromLatin1(text.toUtf8().toBase64());
}

QString PPProtocolAnalysis::base64ToText(const QString &base64)
{
    // With its size: the array overload stops at the first NUL.
    const QByteArray bytes = QByteArray::fromBase64(base64.toLatin1());
    return QString::fromUtf8(bytes.constData(), bytes.size());
}
