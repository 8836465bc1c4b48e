#include "vrek/message/tsprotocolanalysis.h"

#include <QDebug>
#include <QStringList>

namespace {
const QChar fieldSeparator('$');
const QChar partSeparator(':');
const QChar payloadSeparator('@');
const QChar itemSeparator(';');

const QString fieldSeparators = QStringLiteral("$");
const QString partSeparators = QStringLiteral("$:");
const QString payloadSeparators = QStringLiteral("$:@");

// Seconds beyond year 9999 are no send time; they read as 0 like any other text that is no number.
constexpr qint64 maxSendSeconds = 253402300799LL;

constexpr QByteArray::Base64Options base64Options = QByteArray::Base64UrlEncoding | QByteArray::KeepTrailingEquals;

QString toBase64(const QString &text)
{
    return QString::fromLatin1(text.toUtf8().toBase64(base64Options));
}

QString fromBase64(const QString &text)
{
    // With its size: the array overload stops at the first NUL, and the rest of the text would be lost.
    const QByteArray bytes = QByteArray::fromBase64(text.toLatin1(), base64Options);
    return QString::fromUtf8(bytes.constData(), bytes.size());
}

// A field holding a separator would split into two on every receiver, so the whole message is refused.
bool isClean(const QString &field, const QString &separators, const char *name)
{
    for (const QChar c : separators) {
        if (field.contains(c)) {
            qWarning() << "the field holds a separator error! field:" << name << "value:" << field;
            return false;
        }
    }
    return true;
}

QString number(quint32 value)
{
    return QString::number(value);
}

QDateTime fromSeconds(const QString &text)
{
    qint64 seconds = text.toLongLong();
    if (seconds > maxSendSeconds || seconds < -maxSendSeconds)
        seconds = 0;
    return QDateTime::fromSecsSinceEpoch(seconds);
}

qint64 toSeconds(const QDateTime &time)
{
    return time.isValid() ? time.toSecsSinceEpoch() : 0;
}
} // namespace

TSProtocolAnalysis::TSType TSProtocolAnalysis::readDataPacketType(const QString &text)
{
    const int end = text.indexOf(fieldSeparator);
    return TSType(text.left(end).toUInt());
}

bool TSProtocolAnalysis::readPPtMessage(const QString &text, PPtMessage &message)
{
    const QStringList fields = text.split(fieldSeparator);
    if (fields.size() != 3) {
        qWarning() << "the msgList != 3 error! msg:" << text;
        return false;
    }
    message.setPpmType(PPtMessage::PPMType(fields.at(1).toUInt()));
    return toPPtMessage(fields.at(2), message);
}

bool TSProtocolAnalysis::readChatMessage(const QString &text, ChatMessage &message)
{
    const QStringList fields = text.split(fieldSeparator);
    if (fields.size() != 6) {
        qWarning() << "the msgList size != 6 error! msg:" << text;
        return false;
    }
    message.setCmType(fields.at(1).toUInt());
    message.setSenderId(fields.at(2));
    message.setSendTime(fromSeconds(fields.at(3)));
    message.setSenderName(fields.at(4));
    message.setContent(fromBase64(fields.at(5)));
    message.setReceiveTime(QDateTime::currentDateTime());
    return true;
}

bool TSProtocolAnalysis::readCtrlMessage(const QString &text, CtrlMessage &message)
{
    const QStringList fields = text.split(fieldSeparator);
    if (fields.size() != 2) {
        qWarning() << "the msgList size != 2 error! msg:" << text;
        return false;
    }
    const QStringList parts = fields.at(1).split(partSeparator);
    if (parts.size() < 2 || parts.size() > 4) {
        qWarning() << "the dataList size error! msg:" << text;
        return false;
    }
    const quint32 ctType = parts.at(0).toUInt();
    if (ctType > 7) {
        qWarning() << "the cmType unknown error! msg:" << text << "cmType:" << ctType;
        return false;
    }
    message.setCtType(ctType);
    switch (ctType) {
    case 0:
    case 1:
        if (parts.size() != 4) {
            qWarning() << "the dataList size < 4 error! msg:" << text;
            return false;
        }
        message.setLateCtrlType(parts.at(1).toUInt());
        message.setPersonId(parts.at(2));
        message.setLateCount(parts.at(3).toUInt());
        return true;
    case 2:
    case 3:
        if (parts.size() < 3) {
            qWarning() << "the dataList size < 3 error! msg:" << text;
            return false;
        }
        message.setUiCtrlType(parts.at(1).toUInt());
        message.setPersonId(parts.at(2));
        return true;
    default:
        message.setPersonId(parts.at(1));
        return true;
    }
}

bool TSProtocolAnalysis::readStreamMediaMessage(const QString &text, StreamMediaMessage &message)
{
    const QStringList fields = text.split(fieldSeparator);
    if (fields.size() != 8) {
        qWarning() << "the msgList size != 8 error! msg:" << text;
        return false;
    }
    bool typeOk = false;
    bool errorOk = false;
    const quint32 smmType = fields.at(1).toUInt(&typeOk);
    const quint32 errorType = fields.at(5).toUInt(&errorOk);
    if (!typeOk || !errorOk) {
        qWarning() << "the msgType error! msg:" << text;
        return false;
    }
    message.setSmmType(smmType);
    message.setFromUserId(fields.at(2));
    message.setToUserId(fields.at(3));
    message.setStreamId(fields.at(4));
    message.setErrorType(errorType);
    message.setTripartiteUserId(fields.at(6));
    message.setFrId(fields.at(7));
    return true;
}

bool TSProtocolAnalysis::readDeviceMessage(const QString &text, DeviceMessage &message)
{
    const QStringList fields = text.split(fieldSeparator);
    if (fields.size() != 5) {
        qWarning() << "the msgList size != 5 error! msg:" << text;
        return false;
    }
    message.setDmType(fields.at(1).toUInt());
    message.setUserId(fields.at(2));
    message.setSecondText(fields.at(3));
    message.setThirdText(fields.at(4));
    return true;
}

bool TSProtocolAnalysis::readVideoCourseMessage(const QString &text, VideoCourseMessage &message)
{
    const QStringList fields = text.split(fieldSeparator);
    if (fields.size() != 3) {
        qWarning() << "the msgList size != 3 error !msg:" << text;
        return false;
    }
    const QStringList parts = fields.at(2).split(partSeparator);
    if (parts.size() != 4) {
        qWarning() << "the dataList != 4 error! msg:" << text;
        return false;
    }
    const quint32 vcmType = fields.at(1).toUInt();
    if (vcmType > 1) {
        qWarning() << "the vcmType unknow error! msg:" << text;
        return false;
    }
    message.setVcmType(vcmType);
    message.setId(parts.at(0));
    message.setValue1(parts.at(1).toUInt());
    message.setValue2(parts.at(2).toUInt());
    message.setFlag(parts.at(3).toUInt() != 0);
    return true;
}

bool TSProtocolAnalysis::sendPPtMessage(const PPtMessage &message, QString &text)
{
    QString payload;
    if (!fromPPtMessage(message, payload))
        return false;
    text = QStringLiteral("%1$%2$%3").arg(number(TSPPt), number(message.getPpmType()), payload);
    return true;
}

bool TSProtocolAnalysis::sendChatMessage(const ChatMessage &message, QString &text)
{
    if (!isClean(message.getSenderId(), fieldSeparators, "senderId")
        || !isClean(message.getSenderName(), fieldSeparators, "senderName"))
        return false;
    text = QStringLiteral("%1$%2$%3$%4$%5$%6")
               .arg(number(TSChat), number(message.getCmType()), message.getSenderId(),
                   QString::number(toSeconds(message.getSendTime())), message.getSenderName(),
                   toBase64(message.getContent()));
    return true;
}

bool TSProtocolAnalysis::sendCtrlMessage(const CtrlMessage &message, QString &text)
{
    const quint32 ctType = message.getCtType();
    if (ctType > 7) {
        qWarning() << "the cmType unknown error! cmType:" << ctType;
        return false;
    }
    if (!isClean(message.getPersonId(), partSeparators, "personId"))
        return false;
    QStringList parts;
    parts << number(ctType);
    switch (ctType) {
    case 0:
    case 1:
        parts << number(message.getLateCtrlType()) << message.getPersonId() << number(message.getLateCount());
        break;
    case 2:
    case 3:
        parts << number(message.getUiCtrlType()) << message.getPersonId();
        break;
    default:
        parts << message.getPersonId();
        break;
    }
    text = number(TSCtrl) + fieldSeparator + parts.join(partSeparator);
    return true;
}

bool TSProtocolAnalysis::sendStreamMediaMessage(const StreamMediaMessage &message, QString &text)
{
    if (!isClean(message.getFromUserId(), fieldSeparators, "fromUserId")
        || !isClean(message.getToUserId(), fieldSeparators, "toUserId")
        || !isClean(message.getStreamId(), fieldSeparators, "streamId")
        || !isClean(message.getTripartiteUserId(), fieldSeparators, "tripartiteUserId")
        || !isClean(message.getFrId(), fieldSeparators, "frId"))
        return false;
    const QStringList fields { number(TSStreamMedia), number(message.getSmmType()), message.getFromUserId(),
        message.getToUserId(), message.getStreamId(), number(message.getErrorType()), message.getTripartiteUserId(),
        message.getFrId() };
    text = fields.join(fieldSeparator);
    return true;
}

bool TSProtocolAnalysis::sendDeviceMessage(const DeviceMessage &message, QString &text)
{
    if (!isClean(message.getUserId(), fieldSeparators, "userId")
        || !isClean(message.getSecondText(), fieldSeparators, "secondText")
        || !isClean(message.getThirdText(), fieldSeparators, "thirdText"))
        return false;
    const QStringList fields { number(TSDevice), number(message.getDmType()), message.getUserId(),
        message.getSecondText(), message.getThirdText() };
    text = fields.join(fieldSeparator);
    return true;
}

bool TSProtocolAnalysis::sendVideoCourseMessage(const VideoCourseMessage &message, QString &text)
{
    if (message.getVcmType() > 1) {
        qWarning() << "the getVideoCourseType unknown error! cmType:" << message.getVcmType();
        return false;
    }
    if (!isClean(message.getId(), partSeparators, "id"))
        return false;
    const QStringList parts { message.getId(), number(message.getValue1()), number(message.getValue2()),
        message.getFlag() ? QStringLiteral("1") : QStringLiteral("0") };
    text = QStringLiteral("%1$%2$%3")
               .arg(number(TSVideoCourse), number(message.getVcmType()), parts.join(partSeparator));
    return true;
}

bool TSProtocolAnalysis::fromPPtMessage(const PPtMessage &message, QString &text)
{
    const quint32 type = message.getPpmType();
    QString control;
    switch (type) {
    case PPtMessage::OpenFile:
    case PPtMessage::PageChange:
    case PPtMessage::FilePageId:
        return fromDrawControl(message.getDrawControl(), text);
    case PPtMessage::BoardIdChange:
        qWarning() << "the boardIdChange error ! ";
        return false;
    default:
        break;
    }
    if (type > PPtMessage::ZoomChange) {
        qWarning() << "the ppmType unknown error! ppmType:" << type;
        return false;
    }
    // The payload is cut at "@" before the control text is read, so its file id must not hold one.
    if (!isClean(message.getDrawControl().getFileIdAll(), payloadSeparators, "fileIdAll")
        || !fromDrawControl(message.getDrawControl(), control))
        return false;
    switch (type) {
    case PPtMessage::ScrollMove: {
        QString point;
        fromPoint(message.getPoint(), point);
        text = control + payloadSeparator + point;
        return true;
    }
    case PPtMessage::ZoomChange:
        text = control + payloadSeparator + QString::number(message.getRate());
        return true;
    default: {
        QString drawing;
        if (!fromDrawSignal(message.getDrawSignal(), drawing))
            return false;
        text = drawing + payloadSeparator + control;
        return true;
    }
    }
}

bool TSProtocolAnalysis::toPPtMessage(const QString &text, PPtMessage &message)
{
    const quint32 type = message.getPpmType();
    switch (type) {
    case PPtMessage::OpenFile:
    case PPtMessage::PageChange:
    case PPtMessage::FilePageId: {
        DrawControl control;
        if (!toDrawControl(text, control))
            return false;
        message.setDrawControl(control);
        return true;
    }
    case PPtMessage::DrawOnline:
    case PPtMessage::DrawOffline:
    case PPtMessage::BoardDrawOnline:
    case PPtMessage::BoardDrawOffline: {
        const QStringList parts = text.split(payloadSeparator);
        if (parts.size() != 2) {
            qWarning() << "the msgList size != 2 error_1! msg:" << text;
            return false;
        }
        DrawSignal drawing;
        DrawControl control;
        if (!toDrawSignal(parts.at(0), drawing) || !toDrawControl(parts.at(1), control))
            return false;
        message.resetDrawSignal(drawing);
        message.setDrawControl(control);
        return true;
    }
    case PPtMessage::ScrollMove: {
        const QStringList parts = text.split(payloadSeparator);
        if (parts.size() != 2) {
            qWarning() << "the msgList size != 2 error_2! msg:" << text;
            return false;
        }
        DrawControl control;
        QPoint point;
        if (!toDrawControl(parts.at(0), control) || !toPoint(parts.at(1), point))
            return false;
        message.setDrawControl(control);
        message.setPoint(point);
        return true;
    }
    case PPtMessage::ZoomChange: {
        const QStringList parts = text.split(payloadSeparator);
        if (parts.size() != 2) {
            qWarning() << "the msgList size != 2 error_3! msg:" << text;
            return false;
        }
        DrawControl control;
        if (!toDrawControl(parts.at(0), control))
            return false;
        message.setDrawControl(control);
        message.setRate(parts.at(1).toInt());
        return true;
    }
    case PPtMessage::BoardIdChange:
        qWarning() << "the boardIdChange error! ";
        return false;
    default:
        qWarning() << "the ppmType unknown error! msg:" << text;
        return false;
    }
}

bool TSProtocolAnalysis::fromDrawSignal(const DrawSignal &drawSignal, QString &text)
{
    const quint32 type = drawSignal.getShapeType();
    if (type == DrawSignal::None) {
        qWarning() << "the dsType None error! ";
        return false;
    }
    if (type > DrawSignal::Eraser) {
        qWarning() << "the dsType unkown error! msg:" << type;
        return false;
    }
    QStringList items;
    const auto add
        = [&items](const char *key, const QString &value) { items << QLatin1String(key) + partSeparator + value; };
    const QString pointSetId = number(drawSignal.getPointSetId());
    const QString start = number(drawSignal.getStartPointUInt());
    const QString end = number(drawSignal.getEndPointUInt());
    const QString color = number(drawSignal.getPenColorUInt());
    const QString width = number(drawSignal.getPenWidth());
    const QString shape = number(type);
    const QString isTemp = number(drawSignal.getIsTemp());
    switch (type) {
    case DrawSignal::Irregular: {
        add("pi", pointSetId);
        const QList<quint32> points = drawSignal.getPointList();
        items.reserve(points.size() + 8);
        for (quint32 point : points)
            add("px", number(point));
        add("sp", start);
        add("ep", end);
        add("pc", color);
        add("pw", width);
        add("s", shape);
        add("it", isTemp);
        break;
    }
    case DrawSignal::Line:
    case DrawSignal::Rectangle:
    case DrawSignal::Ellipse:
        add("pi", pointSetId);
        add("sp", start);
        add("ep", end);
        add("pc", color);
        add("pw", width);
        add("s", shape);
        add("it", isTemp);
        break;
    case DrawSignal::Laser:
        add("pi", pointSetId);
        add("ep", end);
        add("pc", color);
        add("s", shape);
        break;
    case DrawSignal::Text:
        add("pi", pointSetId);
        add("sp", start);
        add("pc", color);
        add("pw", width);
        add("s", shape);
        add("t", toBase64(drawSignal.getText()));
        break;
    case DrawSignal::Undo:
    case DrawSignal::Eraser:
        add("pi", pointSetId);
        add("s", shape);
        break;
    default: // Clear
        add("s", shape);
        break;
    }
    text = items.join(itemSeparator);
    return true;
}

bool TSProtocolAnalysis::toDrawSignal(const QString &text, DrawSignal &drawSignal)
{
    const QStringList items = text.split(itemSeparator);
    for (const QString &item : items) {
        const int colon = item.indexOf(partSeparator);
        if (colon < 0 || item.indexOf(partSeparator, colon + 1) >= 0) {
            qWarning() << "the etList size != 2 error! msg:" << text;
            return false;
        }
        const QStringRef key = item.leftRef(colon);
        const QString value = item.mid(colon + 1);
        if (key == QLatin1String("pi")) {
            drawSignal.setPointSetId(value.toUInt());
        } else if (key == QLatin1String("pc")) {
            drawSignal.setPenColorUInt(value.toUInt());
        } else if (key == QLatin1String("pw")) {
            drawSignal.setPenWidth(value.toUInt());
        } else if (key == QLatin1String("s")) {
            drawSignal.setShapeTypeUInt(value.toUInt());
        } else if (key == QLatin1String("it")) {
            drawSignal.setIsTemp(value.toUInt());
        } else if (key == QLatin1String("px")) {
            drawSignal.addPointUInt(value.toUInt());
        } else if (key == QLatin1String("sp")) {
            drawSignal.setStartPointUInt(value.toUInt());
        } else if (key == QLatin1String("ep")) {
            drawSignal.setEndPointUInt(value.toUInt());
        } else if (key == QLatin1String("t")) {
            drawSignal.setText(fromBase64(value));
        } else {
            qWarning() << "the etType unknown error! msg:" << text;
            return false;
        }
    }
    return true;
}

bool TSProtocolAnalysis::fromDrawControl(const DrawControl &drawControl, QString &text)
{
    if (!isClean(drawControl.getFileIdAll(), partSeparators, "fileIdAll"))
        return false;
    const QStringList parts { drawControl.getFileIdAll(), number(drawControl.getPageId()),
        number(drawControl.getStepId()), number(drawControl.getFourthValue()) };
    text = parts.join(partSeparator);
    return true;
}

bool TSProtocolAnalysis::toDrawControl(const QString &text, DrawControl &drawControl)
{
    const QStringList parts = text.split(partSeparator);
    if (parts.size() != 4) {
        qWarning() << "the dataList size != 4 error! msg:" << text;
        return false;
    }
    bool pageOk = false;
    bool stepOk = false;
    bool fourthOk = false;
    const quint32 pageId = parts.at(1).toUInt(&pageOk);
    const quint32 stepId = parts.at(2).toUInt(&stepOk);
    const quint32 fourthValue = parts.at(3).toUInt(&fourthOk);
    if (!pageOk || !stepOk || !fourthOk) {
        qWarning() << "the quint32 analysis error! msg:" << text;
        return false;
    }
    drawControl.setFileIdAll(parts.at(0));
    drawControl.setPageId(pageId);
    drawControl.setStepId(stepId);
    drawControl.setFourthValue(fourthValue);
    return true;
}

bool TSProtocolAnalysis::fromPoint(const QPoint &point, QString &text)
{
    text = QString::number(point.x()) + partSeparator + QString::number(point.y());
    return true;
}

bool TSProtocolAnalysis::toPoint(const QString &text, QPoint &point)
{
    const QStringList parts = text.split(partSeparator);
    if (parts.size() != 2) {
        qWarning() << "the point analysis error_2! msg:" << text;
        return false;
    }
    bool xOk = false;
    bool yOk = false;
    const int x = parts.at(0).toInt(&xOk);
    const int y = parts.at(1).toInt(&yOk);
    if (!xOk || !yOk) {
        qWarning() << "the point analysis error_1! msg:" << text;
        return false;
    }
    point = QPoint(x, y);
    return true;
}
