#include "vrek/socketclientmanager.h"

#include "vrek/container/userinfohash.h"
#include "vrek/message/tsprotocolanalysis.h"
#include "vrek/transferfile/receivedfilepath.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/socketclient.h"
#include "vrek/utils/stringutil.h"
#include "vrek/utils/threadfactory.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QFutureWatcher>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>
#include <QTimer>
#include <QtConcurrent>
#include <QtMath>

SocketClientManager *g_socketClientManager = nullptr;

namespace {
[[maybe_unused]] const int s_hashTypeId = qRegisterMetaType<QHash<QString, QString>>("QHash<QString,QString>");
[[maybe_unused]] const int s_fromTypeId = qRegisterMetaType<GlobalEnum::PPMFromType>("GlobalEnum::PPMFromType");
[[maybe_unused]] const int s_userTypeId = qRegisterMetaType<GlobalEnum::UserType>("GlobalEnum::UserType");

// The server wraps every line in three characters at each end.
constexpr int frameLength = 3;
constexpr quint32 maxMessageType = 29;

const QString qualityNormal = QStringLiteral("正常");
const QString qualityPoor = QStringLiteral("较差");
const QString qualityVeryPoor = QStringLiteral("非常差");
const QString qualityMayDrop = QStringLiteral("可能掉线");
const QString qualityDropped = QStringLiteral("已掉线");

QString jsonText(const QVariantMap &row, const char *key)
{
    return row.value(QLatin1String(key)).toString();
}

// JSON numbers arrive as doubles; one out of range or no number at all reads as 0 rather than overflowing.
qint64 jsonInt64(const QVariant &value)
{
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (!ok || qIsNaN(number) || number < -9.0e15 || number > 9.0e15)
        return 0;
    return qint64(number);
}

qint32 jsonInt(const QVariant &row)
{
    const qint64 value = jsonInt64(row);
    return value < INT_MIN || value > INT_MAX ? 0 : qint32(value);
}

qint32 jsonInt(const QVariantMap &row, const char *key)
{
    return jsonInt(row.value(QLatin1String(key)));
}

// The same readings straight from a JSON object: a long list is read without a map per row.
QVariant jsonValue(const QJsonObject &row, const char *key)
{
    return row.value(QLatin1String(key)).toVariant();
}

QString jsonText(const QJsonObject &row, const char *key)
{
    const QJsonValue value = row.value(QLatin1String(key));
    return value.isString() ? value.toString() : value.toVariant().toString();
}

qint32 jsonInt(const QJsonObject &row, const char *key)
{
    return jsonInt(jsonValue(row, key));
}

qint64 jsonInt64(const QJsonObject &row, const char *key)
{
    return jsonInt64(jsonValue(row, key));
}

bool jsonBool(const QJsonObject &row, const char *key)
{
    return jsonValue(row, key).toBool();
}

// Reads a course list (a JSON array of lessons); false when it is none. Runs in any thread.
bool readCourseList(const QString &json, QList<GroupInfo> &courses)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isArray()) {
        if (error.error != QJsonParseError::NoError)
            qWarning() << "the json analysisError! jsonError:" << error.error;
        else
            qWarning() << "the json is not array error! jsonError:" << error.error;
        return false;
    }
    const QJsonArray rows = document.array();
    courses.reserve(rows.size());
    for (const QJsonValue &value : rows) {
        const QJsonObject row = value.toObject();
        GroupInfo course;
        if (row.contains(QStringLiteral("id")))
            course.setId(QString::number(jsonInt64(row, "id")));
        course.setTitle(jsonText(row, "title"));
        course.setBeginTime(jsonText(row, "beginTime"));
        course.setEndTime(jsonText(row, "endTime"));
        course.setActualTime(jsonText(row, "actualTime"));
        course.setGrade(jsonText(row, "grade"));
        course.setGradeName(jsonText(row, "gradeName"));
        course.setTClass(jsonText(row, "tClass"));
        course.setClassName(jsonText(row, "className"));
        course.setSubject(jsonText(row, "subject"));
        course.setSubjectName(jsonText(row, "subjectName"));
        course.setTeacherId(jsonText(row, "teacherId"));
        course.setTeacherName(jsonText(row, "teacherName"));
        course.setParentTitle(jsonText(row, "parentTitle"));
        course.setParentId(jsonInt(row, "parentId"));
        course.setViewingTimes(jsonInt(row, "viewingTimes"));
        course.setSort(jsonInt(row, "sort"));
        course.setIsCompere(jsonBool(row, "isCompere"));
        course.setIsCanSit(jsonBool(row, "isCanSit"));
        // Missing, they keep the record's own "unknown": a lesson of type 0 or not started would be a claim.
        if (row.contains(QStringLiteral("classState")))
            course.setClassState(jsonInt(row, "classState"));
        if (row.contains(QStringLiteral("lessonType")))
            course.setLessonType(jsonInt(row, "lessonType"));
        courses.append(course);
    }
    return true;
}
} // namespace

SocketClientManager::SocketClientManager(GlobalEnum::UserType userType, QObject *parent)
    : QObject(parent)
    , m_userType(userType)
{
    qInfo() << "userType:" << int(userType) << "parent:" << parent;
    initial();
}

SocketClientManager::~SocketClientManager()
{
    qInfo() << "~SocketClientManager";
    // The thread processes the socket's deferred deletion as it finishes.
    m_socket->deleteLater();
    if (!ThreadFactory::getInstance()->releaseThreadId(m_socketThreadId))
        qWarning() << "removeReadThread error! socketId:" << m_socketThreadId;
    if (g_socketClientManager == this)
        g_socketClientManager = nullptr;
}

void SocketClientManager::initial()
{
    m_serverConnectStatus = false;
    m_elapsed = 0;
    m_chatClock.start();

    m_socket = new SocketClient();
    ThreadFactory *factory = ThreadFactory::getInstance();
    m_socketThreadId = factory->allocThreadId();
    m_socketThread = factory->getThread(m_socketThreadId);
    if (m_socketThread) {
        m_socketThread->setObjectName("Socket Client");
        m_socket->moveThread(m_socketThread);
    } else {
        qCritical() << "no thread for the socket, it stays in the thread of its manager";
    }

    connect(m_socket, &SocketClient::sockNewConnectOut, this, &SocketClientManager::sockNewConnectOut);
    connect(m_socket, &SocketClient::sockDisConnectOut, this, &SocketClientManager::sockDisConnectOut);
    m_lineTimer = new QTimer(this);
    m_lineTimer->setSingleShot(true);
    m_lineTimer->setInterval(0);
    connect(m_lineTimer, &QTimer::timeout, this, &SocketClientManager::handlePendingLines);
    connect(m_socket, &SocketClient::readMessagesOut, this, &SocketClientManager::readMessagesIn);
    connect(m_socket, &SocketClient::sendHeartBeatOut, this, &SocketClientManager::sendHeartBeatIn);
    connect(m_socket, &SocketClient::connectToServerErrorOut, this, &SocketClientManager::connectToServerError);
    connect(this, &SocketClientManager::connectToServer, m_socket, &SocketClient::connectToServer);
    connect(this, &SocketClientManager::disconnectFromServer, m_socket, &SocketClient::disconnectFromServer);
    connect(this, &SocketClientManager::heartTimerStart, m_socket, &SocketClient::heartTimerStart);
    connect(this, &SocketClientManager::heartTimerStop, m_socket, &SocketClient::heartTimerStop);
    connect(this, &SocketClientManager::sendMessageOut, m_socket, &SocketClient::sendData);
}

void SocketClientManager::setHostAndPort(const QString &host, quint16 port)
{
    m_serverHost = host;
    m_serverPort = port;
}

int SocketClientManager::beatClockElapsed() const
{
    if (!m_beatClock.isValid())
        return 0;
    const qint64 elapsed = m_beatClock.elapsed();
    return elapsed > INT_MAX ? INT_MAX : int(elapsed);
}

bool SocketClientManager::jsonToList(const QString &json, QList<QVariantMap> &out)
{
    return StringUtil::jsonToList(json, out);
}

// ---- connection and heartbeat ----

void SocketClientManager::connectServerAndLogin(const QString &userCode, const QString &password)
{
    qInfo() << "userCode:" << userCode;
    if (m_serverConnectStatus) {
        qInfo() << "the connect already! serverConnectStatus:" << m_serverConnectStatus;
        return;
    }
    m_userCode = userCode;
    m_password = password;
    emit connectToServer(m_serverHost, m_serverPort);
}

SocketClientManager::SendMark SocketClientManager::sendMark() const
{
    return { m_session, m_beatsWritten };
}

bool SocketClientManager::isDelivered(const SendMark &mark) const
{
    // The heartbeat that follows a line may be written before the line reaches the socket's thread: only the
    // answer to the one after it proves the line was read.
    return mark.session != 0 && mark.session == m_session && m_beatsAnswered >= mark.beats + 2;
}

bool SocketClientManager::canDeliver() const
{
    // After a drop the beats stay counted until the next login's answer: a connection that is open again but
    // not logged in yet takes nothing either. Nor does one the heartbeat gave up while it stays open, whatever
    // late line it still brings: nothing would tell a text sent there lost.
    return m_serverConnectStatus && !m_beatDropped && m_missedBeats < 2;
}

void SocketClientManager::endSession()
{
    if (m_session == 0)
        return;
    m_session = 0;
    emit signalSessionLost();
}

void SocketClientManager::sockNewConnectOut(QString address, ushort port, QThread *thread)
{
    qInfo() << "address:" << address << "port:" << port << "thread:" << thread;
    m_serverConnectStatus = true;
    m_beatDropped = false;
    sendConnectMessage();
}

void SocketClientManager::sockDisConnectOut(QString address, ushort port, QThread *thread)
{
    qInfo() << "address:" << address << "port:" << port << "thread:" << thread;
    m_serverConnectStatus = false;
    endSession();
    if (m_dropNotice)
        emit signalSocketTimeout(true, qualityDropped);
}

void SocketClientManager::connectToServerError()
{
    m_serverConnectStatus = false;
    emit signalConnectError();
}

void SocketClientManager::slotDisconnectFromServer()
{
    if (!m_serverConnectStatus) {
        qWarning() << "the socket is disconnect ";
        return;
    }
    // Closed on purpose: its going down is no drop to tell.
    m_dropNotice = false;
    emit disconnectFromServer();
}

void SocketClientManager::sendHeartBeatIn(bool sent)
{
    const quint8 missed = m_missedBeats;
    if (missed >= dropAfterFailedBeats && (missed >= dropAfterBeats || !sent)) {
        qWarning() << "the socket is dropped! missedBeats:" << missed << "sent:" << sent;
        m_beatDropped = true;
        endSession();
        emit heartTimerStop();
        emit signalSocketTimeout(true, qualityDropped);
        emit signalSocketElapsed(m_elapsed);
        return;
    }
    const quint8 now = missed + 1;
    m_missedBeats = now;
    if (sent && m_session != 0)
        ++m_beatsWritten;
    QString quality;
    if (now == 1 && sent) {
        m_beatClock.restart();
        quality = qualityNormal;
    } else {
        m_elapsed = beatClockElapsed();
        if (now <= 4) {
            quality = qualityPoor;
        } else if (now <= 9) {
            quality = qualityVeryPoor;
        } else {
            quality = qualityMayDrop;
            qWarning() << "May disconnect:" << now;
        }
    }
    emit signalSocketTimeout(false, quality);
    emit signalSocketElapsed(m_elapsed);
}

void SocketClientManager::recvBeatRSP(const QString &line)
{
    const QStringList fields = line.split('\t');
    if (fields.size() < 3) {
        qWarning() << "the beat msgListSize < 3 error! msg:" << line;
        return;
    }
    if (fields.at(1) != g_userId) {
        qWarning() << "the recvUserId != currentUserId error! msg:" << line;
        return;
    }
    bool ok = false;
    const quint32 result = fields.at(2).toUInt(&ok);
    if (!ok) {
        qWarning() << "the toUInt error! msg:" << line;
        return;
    }
    if (result == 0)
        return;
    if (result == 1) {
        m_missedBeats = 0;
        m_elapsed = beatClockElapsed();
        if (m_session != 0 && m_beatsAnswered < m_beatsWritten) {
            ++m_beatsAnswered;
            emit signalDeliveryProgress();
        }
        return;
    }
    qWarning() << "the msgType unknown error! msg:" << line << "msgType:" << result;
}

// ---- outgoing lines ----

bool SocketClientManager::sendLine(const QStringList &fields)
{
    for (const QString &field : fields) {
        if (field.contains('\t') || field.contains('\r') || field.contains('\n')) {
            qWarning() << "the field holds a line separator, nothing sent! type:" << fields.value(0)
                       << "field:" << StringUtil::logExcerpt(field);
            return false;
        }
    }
    emit sendMessageOut((fields.join('\t') + '\n').toUtf8());
    return true;
}

void SocketClientManager::sendConnectMessage()
{
    if (!m_serverConnectStatus) {
        qWarning() << "the socket is disconnect! userCode:" << m_userCode;
        return;
    }
    QString kind;
    if (m_userType == GlobalEnum::User0) {
        kind = QStringLiteral("0");
    } else if (m_userType == GlobalEnum::User1) {
        kind = QStringLiteral("1");
    } else {
        qWarning() << "the userType unknown error! " << int(m_userType);
        return;
    }
    sendLine({ "0", m_userCode, m_password, kind });
}

void SocketClientManager::sendLogout()
{
    if (!m_serverConnectStatus) {
        qWarning() << "the socket is disconnect! userId:" << g_userId;
        return;
    }
    sendLine({ "0", g_userId, g_passWord, QString::number(int(m_userType)), "1" });
    // The server closes a logged-out connection: that close is the answer, not a drop.
    m_dropNotice = false;
}

void SocketClientManager::sendUserRequest()
{
    if (!m_serverConnectStatus) {
        qWarning() << "the socket is disconnect! userId:" << g_userId;
        return;
    }
    // From the first request inside a lesson on, a lost connection is worth a notice.
    m_dropNotice = true;
    sendLine({ "3", g_userId });
}

void SocketClientManager::sendFileList()
{
    if (!m_serverConnectStatus) {
        qWarning() << "the socket is disconnect! userId:" << g_userId;
        return;
    }
    sendLine({ "4", g_userId, "2" });
}

void SocketClientManager::sendWebFile(const QString &fid)
{
    if (!m_serverConnectStatus) {
        qWarning() << "the socket is disconnect! fid:" << fid;
        return;
    }
    sendLine({ "4", g_userId, "1", fid, "1" });
}

void SocketClientManager::sendTFile(const QString &fid, const QString &targetType, const QString &targetId)
{
    if (!m_serverConnectStatus || m_userType != GlobalEnum::User0) {
        qWarning() << "the socket is disconnect or userType != Teacher! fid:" << fid << "targetType:" << targetType
                   << "targetId:" << targetId << "userType:" << int(m_userType);
        return;
    }
    sendLine({ "4", g_userId, "3", fid, "1", targetType, targetId });
}

void SocketClientManager::sendDeleteFile(const QString &fid, const QString &fType)
{
    if (!m_serverConnectStatus) {
        qWarning() << "the socket is disconnect! fid:" << fid << "fType:" << fType;
        return;
    }
    sendLine({ "4", g_userId, "5", fid, fType });
}

void SocketClientManager::sendJoinGroupRequest()
{
    if (!m_serverConnectStatus) {
        qWarning() << "the socket is disconnect! ";
        return;
    }
    // The title as the client shows it: it comes from the course list, and a megabyte of it would go out twice.
    const QString title = StringUtil::clippedText(g_lessonTitle);
    sendLine({ "6", g_userId, g_classId, title, QString::number(g_classType), g_roomId, title });
}

void SocketClientManager::sendCreateTeachClass(const QString &data)
{
    sendLine({ "6", g_userId, QString(), data, "5", QString() });
}

void SocketClientManager::sendClassRtmp(const QString &pushStreamId)
{
    if (!m_serverConnectStatus || m_userType != GlobalEnum::User0) {
        qWarning() << "the socket is disconnect or userType != Teacher! pushStreamId:" << pushStreamId;
        return;
    }
    sendLine({ "8", g_userId, "0", g_classId, g_roomId, pushStreamId, "0" });
}

void SocketClientManager::sendStartClass(const QString &lessonKey, const QString &pushStreamId)
{
    if (!m_serverConnectStatus || m_userType != GlobalEnum::User0) {
        qWarning() << "the socket is disconnect or userType != Teacher! pushStreamId:" << pushStreamId;
        return;
    }
    sendLine({ "8", g_userId, "0", g_classId, lessonKey, pushStreamId, "1" });
}

void SocketClientManager::sendEndClass(const QString &pushStreamId)
{
    if (!m_serverConnectStatus || m_userType != GlobalEnum::User0) {
        qWarning() << "the socket is disconnect or userType != Teacher! pushStreamId:" << pushStreamId;
        return;
    }
    sendLine({ "8", g_userId, "1", g_classId, g_classesId, pushStreamId });
}

void SocketClientManager::sendRecordFile(const QString &lessonPart, const QString &fileId, int count)
{
    sendLine({ "8", g_userId, lessonPart, fileId, QString::number(count) });
}

void SocketClientManager::sendAnswerInfo(const QString &answer, const QString &isCorrect)
{
    if (!m_serverConnectStatus || m_userType != GlobalEnum::User1) {
        qWarning() << "the socket is disconnect or userType != Student! isCorrect:" << isCorrect << "answer:" << answer;
        return;
    }
    // The answer and its verdict come right after the kind; the lecturer and the push id follow.
    sendLine({ "9", g_userId, "1", answer, isCorrect, g_lectId, g_pushStreamId, m_questionId });
}

void SocketClientManager::sendServerForwardSchoolClass(const QString &type, const QString &data)
{
    if (!m_serverConnectStatus) {
        qWarning() << "the socket is disconnect! data:" << data << "type:" << type;
        return;
    }
    // Receivers read the kind as a number and drop the line otherwise; swapped arguments end here.
    bool ok = false;
    type.toUInt(&ok);
    if (!ok) {
        qWarning() << "the forward type is no number, nothing sent! type:" << type << "data:" << data;
        return;
    }
    // The kind goes last on the wire, after the data.
    sendLine({ "11", "0", g_classId, data, type });
}

void SocketClientManager::sendServerForwardPersonal(const QString &targetId, const QString &type, const QString &data)
{
    if (!m_serverConnectStatus) {
        qWarning() << "the socket is disconnect! targetId:" << targetId << "type:" << type << "data:" << data;
        return;
    }
    bool ok = false;
    type.toUInt(&ok);
    if (!ok) {
        qWarning() << "the forward type is no number, nothing sent! type:" << type << "data:" << data;
        return;
    }
    sendLine({ "11", "1", targetId, data, type });
}

void SocketClientManager::sendAddPushStreamIdToServer(const QString &streamId)
{
    if (!m_serverConnectStatus) {
        qWarning() << "the socket is disconnect! streamId:" << streamId;
        return;
    }
    sendLine({ "18", g_userId, streamId, "1" });
}

void SocketClientManager::sendRequestStreamIdToServer()
{
    if (!m_serverConnectStatus) {
        qWarning() << "the socket is disconnect! userId:" << g_userId;
        return;
    }
    sendLine({ "18", g_userId, QString(), "3" });
}

void SocketClientManager::sendSubjectRequest()
{
    if (!m_serverConnectStatus) {
        qWarning() << "the socket is disconnect! userId:" << g_userId;
        return;
    }
    sendLine({ "22", g_userId });
}

void SocketClientManager::sendQuit()
{
    if (!m_serverConnectStatus) {
        qWarning() << "the socket is disconnect! userId:" << g_userId;
        return;
    }
    sendLine({ "25", g_userId });
}

void SocketClientManager::sendCreateClass(const QString &request)
{
    if (!m_serverConnectStatus) {
        qWarning() << "the socket is disconnect! request:" << request;
        return;
    }
    sendLine({ "26", g_userId, request });
}

// ---- incoming lines ----

void SocketClientManager::readMessagesIn(QStringList lines)
{
    m_pendingLines.append(lines);
    if (!m_lineTimer->isActive())
        m_lineTimer->start();
}

void SocketClientManager::handlePendingLines()
{
    QElapsedTimer clock;
    clock.start();
    // Handling a line may run a nested event loop (a modal box): the next line is taken before it runs.
    while (m_pendingStart < m_pendingLines.size() && clock.elapsed() < lineBudgetMs) {
        const QString line = m_pendingLines.at(m_pendingStart);
        m_pendingLines[m_pendingStart++].clear();
        readMessageIn(line);
    }
    if (m_pendingStart >= m_pendingLines.size()) {
        m_pendingLines.clear();
        m_pendingStart = 0;
        return;
    }
    // Compact now and then so the handled part does not grow with the burst.
    if (m_pendingStart > 4096) {
        m_pendingLines.erase(m_pendingLines.begin(), m_pendingLines.begin() + m_pendingStart);
        m_pendingStart = 0;
    }
    m_lineTimer->start();
}

void SocketClientManager::readMessageIn(QString line)
{
    // Any line proves the connection alive.
    m_missedBeats = 0;
    if (line.size() < 2 * frameLength) {
        qWarning() << "the msg is shorter than its frame error! msg:" << line;
        return;
    }
    const QString body = line.mid(frameLength, line.size() - 2 * frameLength);
    const QStringList fields = body.split('\t');
    if (fields.isEmpty()) {
        qWarning() << "the msgListSize == 0 error! data:" << body;
        return;
    }
    bool ok = false;
    const quint32 type = fields.at(0).toUInt(&ok);
    if (!ok) {
        qWarning() << "the toUInt error! msgType:" << fields.at(0);
        return;
    }
    if (type > maxMessageType)
        return;

    switch (type) {
    case 0:
        recvConnectRSP(body);
        break;
    case 1:
        recvBeatRSP(body);
        break;
    case 2:
        qWarning() << "the msgType is TCPCMD_IP_RSP error! msg:" << body;
        break;
    case 3:
        emit signalUserInfoProtocol(body);
        break;
    case 4:
        emit signalFileInfoProtocol(body);
        break;
    case 5:
        recvCreateClass(body);
        qWarning() << "the msgType is TCPCMD_GETVIDEO_RSP error! msg:" << body;
        break;
    case 6:
        recvEnterClass(body);
        break;
    case 7:
        recvClassTable(body);
        break;
    case 8:
        recvStartClass(body);
        break;
    case 9:
        recvQuestion(body);
        break;
    case 10:
        qWarning() << "the msgType is TCPCMD_RTPSTREAM_RSP error! msg:" << body;
        break;
    case 11:
        recvServerForward(body);
        break;
    case 18:
        recvStreamIdResult(body);
        break;
    case 19:
        recvIntegralResult(body);
        break;
    case 21:
        recvClassRequest(body);
        break;
    case 22:
        recvSubjectRequest(body);
        break;
    case 25:
        recvQuitRequest(body);
        break;
    case 26:
        emit signalCreateClassProtocol(body);
        break;
    case 29:
        recvTeacherAssistantRequest(body);
        break;
    default: // 12 to 17, 20, 23, 24, 27, 28
        break;
    }
}

void SocketClientManager::recvConnectRSP(const QString &line)
{
    const QStringList fields = line.split('\t');
    if (fields.size() < 4) {
        qWarning() << "the msgListSize < 4 error! msg:" << line;
        return;
    }
    bool ok = false;
    const quint32 code = fields.at(3).toUInt(&ok);
    if (!ok) {
        qWarning() << "the toUInt error! msg:" << line;
        return;
    }
    if (code >= 1 && code <= 10) {
        emit disconnectFromServer();
        emit signalConnectResult(code);
        return;
    }
    if (code > 10) {
        qWarning() << "the msgType unknown error! msg:" << line << "msgType:" << code;
        return;
    }
    if (fields.size() < 12) {
        emit disconnectFromServer();
        emit signalConnectResult(6);
        qWarning() << "the msgListSize < 12 error! msg:" << line;
        return;
    }
    // The id names the user's folder: only the plain decimal text of a number is taken.
    QString userId;
    if (!ReceivedFilePath::readUserId(fields.at(1), userId) || userId != fields.at(1)) {
        emit disconnectFromServer();
        emit signalConnectResult(6);
        qWarning() << "the userId is not a number error! msg:" << line;
        return;
    }
    g_userId = userId;
    g_userName = fields.at(2);
    // Only a kind that reads as 0 makes a type-5 user; an empty or broken field changes nothing.
    bool kindOk = false;
    const quint32 kind = fields.at(7).toUInt(&kindOk);
    if (kindOk && kind == 0)
        g_userType = GlobalEnum::User5;
    g_accountId = fields.at(10);
    if (fields.size() >= 14)
        g_loginSignId = fields.at(13);
    if (fields.size() >= 15)
        g_needBind = fields.at(14) == QLatin1String("true");
    g_rtmpHost = fields.at(4);
    g_rtmpPort = fields.at(5).toUShort();
    g_webrtcHost = fields.at(8);
    g_webrtcPort = fields.at(9).toUShort();
    m_session = ++m_sessionCount == 0 ? ++m_sessionCount : m_sessionCount;
    m_beatDropped = false;
    m_beatsWritten = m_beatsAnswered = 0;
    emit signalConnectResult(0);
    emit heartTimerStart(m_heartbeatInterval, userId);
    emit signalSocketConnectSuceess();
    m_beatClock.start();
    qInfo() << "the user is online! userId:" << g_userId;
}

void SocketClientManager::recvCreateClass(const QString &line)
{
    const QStringList fields = line.split('\t');
    if (fields.size() < 2) {
        qWarning() << "the msgListSize != 2 error! msg:" << line << "msgListSize:" << fields.size();
        return;
    }
    if (fields.size() == 3 && fields.at(1) == QLatin1String("0"))
        emit signalCreateClassOK(fields.at(2));
    else
        qWarning() << "the msgType unknown error! msg:" << line;
}

void SocketClientManager::recvEnterClass(const QString &line)
{
    const QStringList fields = line.split('\t');
    if (fields.size() < 2) {
        qWarning() << "the msgType unknown error! msg:" << line;
        return;
    }
    emit signalEnterClass(fields.at(1) == QLatin1String("0"));
}

void SocketClientManager::recvClassTable(const QString &line)
{
    qInfo() << "class table:" << line;
}

void SocketClientManager::recvStartClass(const QString &line)
{
    const QStringList fields = line.split('\t');
    if (fields.size() == 4) {
        // A result that is no number would read as 0, "converted", which removes the recording.
        bool isNumber = false;
        const int result = fields.at(2).toInt(&isNumber);
        if (!isNumber) {
            qWarning() << "the record file result is not a number! " << line;
            return;
        }
        emit signalRecordFileResult(fields.at(3), result);
        return;
    }
    if (fields.size() != 5) {
        qWarning() << "the msgListSize unknown error! " << line;
        return;
    }
    if (fields.at(4).isEmpty()) {
        qWarning() << "classesId is empty!";
        return;
    }
    g_classesId = fields.at(4);
    if (fields.at(2) == QLatin1String("0"))
        emit signalStartClass(fields.at(3));
    else if (fields.at(2) == QLatin1String("1"))
        emit signalEndClass();
    else
        qWarning() << "the msgType unknown error! " << line;
}

void SocketClientManager::showQuestion(const QString &line, const QString &json)
{
    QList<QVariantMap> questions;
    jsonToList(json, questions);
    if (questions.isEmpty()) {
        qWarning() << "the questionInfoSize == 0 error! msg:" << line << "questionMsg:" << json;
        return;
    }
    emit signalShowQuestionInfo(questions.first());
}

void SocketClientManager::recvQuestion(const QString &line)
{
    const QStringList fields = line.split('\t');
    if (m_userType == GlobalEnum::User1) {
        if (fields.size() == 6) {
            if (fields.at(2) != QLatin1String("0")) {
                qWarning() << "the msgType unknown error! msg:" << line << "msgType:" << fields.at(2);
                return;
            }
            showQuestion(line, fields.at(3));
        } else if (fields.size() == 7) {
            if (fields.at(6) == QLatin1String("0")) {
                qInfo() << "personal recv msg:" << g_userId << fields.at(3);
                showQuestion(line, fields.at(3));
            }
        } else if (fields.size() > 2 && fields.at(2) == QLatin1String("2")) {
            qInfo() << "stop";
            emit signalStopQuestion();
        } else {
            qWarning() << "the msgListSize unknown error! msg:" << line << "msgListSize:" << fields.size();
        }
        return;
    }
    if (m_userType == GlobalEnum::User0) {
        if (fields.size() == 3) {
            m_questionId = fields.at(2);
            emit signalRecvQuestionID(m_questionId);
        } else if (fields.size() == 7 && fields.at(2) == QLatin1String("1")) {
            emit signalShowAnswerInfo(QStringLiteral("%1,%2,%3").arg(fields.at(1), fields.at(3), fields.at(5)));
        } else {
            qWarning() << "the msgType unknown error! msg:" << line;
        }
        return;
    }
    qWarning() << "the userType unknown error! userType:" << int(m_userType);
}

void SocketClientManager::recvStreamIdResult(const QString &line)
{
    const QStringList fields = line.split('\t');
    if (fields.size() == 4) {
        const QString &sign = fields.at(3);
        if (sign == QLatin1String("1"))
            emit readAddStreamId(fields.at(1), fields.at(2));
        else if (sign == QLatin1String("2"))
            emit readDelStreamId(fields.at(1));
        else
            qWarning() << "the sign type unknwon error! sign:" << sign;
        return;
    }
    if (fields.size() == 3) {
        if (fields.at(2) != QLatin1String("3")) {
            qWarning() << "the sign type unknwon error! sign:" << fields.at(2);
            return;
        }
        QList<QVariantMap> rows;
        if (!jsonToList(fields.at(1), rows) || rows.isEmpty())
            return;
        QHash<QString, QString> streamIds;
        const QVariantMap &first = rows.first();
        for (auto it = first.constBegin(); it != first.constEnd(); ++it)
            streamIds.insert(it.key(), it.value().toString());
        emit readAllStreamId(streamIds);
        return;
    }
    qWarning() << "the msgList size unknown error! msg:" << line;
}

void SocketClientManager::recvIntegralResult(const QString &line)
{
    const QStringList fields = line.split('\t');
    if (fields.size() < 2) {
        qWarning() << "the msgList size unknown error! msg:" << line;
        return;
    }
    emit signalIntegralResult(fields.at(1));
}

void SocketClientManager::recvClassRequest(const QString &line)
{
    const QStringList fields = line.split('\t');
    if (fields.size() < 3) {
        emit signalCourseInfoResult(false);
        qWarning() << "the msgListSize < 3 error! " << line;
        return;
    }
    const QString json = fields.at(2);
    const QString classType = fields.at(1);
    const quint64 reply = ++m_courseListReplies;
    if (json.size() <= syncCourseListChars) {
        QList<GroupInfo> courses;
        deliverCourseList(readCourseList(json, courses), courses, classType);
        return;
    }
    // A long list is read on a pool thread: reading it here would hold the window. The watcher goes with this
    // manager, and the result with it.
    struct Read
    {
        bool ok = false;
        QList<GroupInfo> courses;
    };
    auto *watcher = new QFutureWatcher<Read>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, reply, classType] {
        watcher->deleteLater();
        if (reply != m_courseListReplies) {
            qDebug() << "a newer course list came while this one was read, dropped! classType:" << classType;
            return;
        }
        const Read read = watcher->result();
        deliverCourseList(read.ok, read.courses, classType);
    });
    watcher->setFuture(QtConcurrent::run([json] {
        Read read;
        read.ok = readCourseList(json, read.courses);
        return read;
    }));
}

void SocketClientManager::deliverCourseList(bool ok, const QList<GroupInfo> &courses, const QString &classType)
{
    if (!ok) {
        emit signalCourseInfoResult(false);
        return;
    }
    emit signalRecvCourseInfo(courses, classType);
    emit signalCourseInfoResult(true);
}

void SocketClientManager::recvSubjectRequest(const QString &line)
{
    const QStringList fields = line.split('\t');
    if (fields.size() < 2) {
        qWarning() << "the msgListSize < 2 error! " << line;
        return;
    }
    QList<QVariantMap> rows;
    if (!jsonToList(fields.at(1), rows))
        return;
    QList<GroupInfo> subjects;
    subjects.reserve(rows.size());
    for (const QVariantMap &row : qAsConst(rows)) {
        GroupInfo subject;
        subject.setId(jsonText(row, "id"));
        subject.setTClass(jsonText(row, "classCode"));
        subject.setClassName(jsonText(row, "className"));
        subject.setGradeType(jsonText(row, "gradeType"));
        subject.setSchoolType(jsonText(row, "schoolType"));
        subject.setSubjectType(jsonText(row, "subjectType"));
        subject.setClassType(jsonText(row, "classType"));
        if (row.contains(QStringLiteral("classType")))
            subject.setLessonType(jsonInt(row, "classType"));
        subjects.append(subject);
    }
    emit signalRecvSubjectInfo(subjects);
}

void SocketClientManager::recvQuitRequest(const QString &line)
{
    const QStringList fields = line.split('\t');
    if (fields.size() < 2) {
        qWarning() << "the msgType unknown error! " << line;
        return;
    }
    emit signalQuitClass(fields.at(1) == QLatin1String("1"));
}

void SocketClientManager::recvTeacherAssistantRequest(const QString &line)
{
    qInfo() << "assistant msg:" << line;
    const QStringList fields = line.split('\t');
    if (fields.size() < 5) {
        qWarning() << "the msgType unknown error! " << line;
        return;
    }
    m_assistantField = fields.at(2);
    m_assistantPersonal = fields.at(1) == QLatin1String("1");
    const QString &command = fields.at(4);
    if (command == QLatin1String("0")) {
        const QStringList parts = fields.at(3).split('$');
        if (parts.size() >= 4)
            emit signalClassLockScreen(parts.at(0));
        else if (!m_assistantPersonal)
            qWarning() << "data is error!";
    } else if (command == QLatin1String("1")) {
        if (m_assistantPersonal)
            emit signalPersonalQuit(fields.at(3));
        else
            emit signalClassQuit(fields.at(3));
    } else if (command == QLatin1String("2")) {
        const QStringList parts = fields.at(3).split('$');
        if (parts.size() >= 4)
            emit signalClassCallRoll(parts.at(0));
    } else if (command == QLatin1String("3")) {
        emit signalClassClearScreen();
    } else if (command == QLatin1String("4")) {
        emit signalForceClassEnd();
    }
}

// ---- server-forwarded messages ----

void SocketClientManager::recvServerForward(const QString &line)
{
    const QStringList fields = line.split('\t');
    if (fields.size() != 3) {
        qWarning() << "the msgListSize != 3 error! msg:" << line << "msgListSize:" << fields.size();
        return;
    }
    bool ok = false;
    const quint32 kind = fields.at(1).toUInt(&ok);
    if (!ok) {
        qWarning() << "the toUInt error! msg:" << line << "msgType:" << fields.at(1);
        return;
    }
    const QString &data = fields.at(2);
    switch (kind) {
    case 0:
    case 1:
        recvClassroomText(line, data);
        break;
    case 2: {
        qInfo() << "recv lockScreen lockType:" << data;
        bool lockOk = false;
        const quint32 lockType = data.toUInt(&lockOk);
        if (!lockOk)
            qWarning() << "the toUInt error! msg:" << line << "lockType:" << data;
        else if (lockType <= 1)
            emit signalLockScreen(lockType);
        else
            qWarning() << "the lockType unknown error! msg:" << line << "lockType:" << lockType;
        break;
    }
    case 3: {
        qInfo() << "recv handUp msg";
        if (!data.contains('@')) {
            if (data == QLatin1String("2"))
                emit signalHandUpLock(false);
            else if (data == QLatin1String("3"))
                emit signalHandUpLock(true);
            else
                qWarning() << "the handUpType unknown error! msg:" << line << "handUpType:" << data;
            break;
        }
        const QStringList parts = data.split('@');
        if (parts.size() != 2) {
            qWarning() << "the conListSize != 2 error! msgCon:" << data << "conListSize:" << parts.size();
        } else if (parts.at(1) == QLatin1String("0")) {
            emit signalHandUp(parts.at(0), false);
        } else if (parts.at(1) == QLatin1String("1")) {
            emit signalHandUp(parts.at(0), true);
        } else {
            qWarning() << "the conListType unknown error! conListType:" << parts.at(1);
        }
        break;
    }
    case 4: {
        qInfo() << "recv pride msg";
        if (data.contains('@')) {
            const QStringList parts = data.split('@');
            if (parts.size() == 3)
                emit signalPraiseMessage(parts.at(0), parts.at(1), parts.at(2));
        }
        break;
    }
    case 5:
        break;
    case 6: {
        qInfo() << "recv interactive msg";
        if (m_userType == GlobalEnum::User1) {
            const quint32 streamType = data.toUInt();
            if (streamType == 4)
                emit signalStartPush();
            else if (streamType == 5)
                emit signalEndPush();
            else
                qWarning() << "the streamType unknown error! msg:" << line << "streamType:" << data;
        } else if (m_userType == GlobalEnum::User0) {
            if (data.startsWith(QLatin1String("fail"))) {
                emit signalPeerStartAvAbnormal(data);
            } else {
                const QStringList parts = data.split('#');
                if (parts.size() == 2)
                    emit signalPullStream(parts.at(0), parts.at(1));
                else
                    qWarning() << "the msgListSize != 2! msg:" << line;
            }
        } else {
            qWarning() << "the userType unknown error! userType:" << int(m_userType);
        }
        break;
    }
    case 7:
        qInfo() << "recv lateArrival msg";
        emit signalStartClass(data);
        break;
    case 8:
        qInfo() << "recv answerCard msg";
        emit signalCloseQuestion();
        break;
    case 9:
    case 10:
        if (m_userType == GlobalEnum::User1) {
            emit signalCallRollStart(data);
        } else if (m_userType == GlobalEnum::User0) {
            if (!data.section('@', 2, 2).isEmpty())
                emit signalCallRollStart(data);
            else
                emit signalCallRollResponse(data);
        } else {
            qInfo() << "can't parse msg type";
        }
        break;
    case 11: {
        if (g_lectId == g_userId)
            break;
        qInfo() << "EncrptAuto:" << data;
        const QStringList parts = data.split('@');
        if (parts.size() < 2)
            break;
        if (parts.at(1) == QLatin1String("1")) {
            if (parts.at(0) == g_userId)
                qInfo() << "encrpt user:" << parts.at(0);
            emit signalEncrptUser(true);
            emit signalEncrptionMsg(parts.at(0), true);
        } else if (parts.at(1) == QLatin1String("0")) {
            if (parts.at(0) == g_userId)
                qInfo() << "disEncrpt user:" << parts.at(0);
            emit signalEncrptUser(false);
            emit signalEncrptionMsg(parts.at(0), false);
        }
        break;
    }
    case 12:
        if (m_userType == GlobalEnum::User1) {
            const QStringList parts = data.split('$');
            if (parts.size() >= 2) {
                QList<QVariantMap> questions;
                if (jsonToList(parts.at(1), questions) && !questions.isEmpty())
                    emit signalShowQuestionInfo(questions.first());
            }
        } else if (m_userType == GlobalEnum::User0) {
            emit signalHttpPictureMsg(data);
        }
        break;
    case 13:
        if (m_userType == GlobalEnum::User0)
            emit signalHttpPictureMsg(data);
        else if (m_userType == GlobalEnum::User1)
            qWarning() << "the msgType unknown error! msg:" << line << "msgType:" << kind;
        break;
    default:
        qWarning() << "the msgType unknown error! msg:" << line << "msgType:" << kind;
        break;
    }
}

void SocketClientManager::recvClassroomText(const QString &line, const QString &text)
{
    const TSProtocolAnalysis::TSType type = TSProtocolAnalysis::readDataPacketType(text);
    switch (type) {
    case TSProtocolAnalysis::TSPPt: {
        PPtMessage message;
        if (TSProtocolAnalysis::readPPtMessage(text, message))
            emit readPPtMessage(message, GlobalEnum::PPMServer);
        break;
    }
    case TSProtocolAnalysis::TSChat: {
        ChatMessage message;
        if (!TSProtocolAnalysis::readChatMessage(text, message))
            break;
        // In a large class, personal and class chat lines that follow the last one too closely are dropped.
        const quint32 chatType = message.getCmType();
        const bool pass = chatType == ChatMessage::Unmute || chatType == ChatMessage::Mute
            || g_userInfoHash.count() < chatLimitParticipants || m_chatClock.elapsed() >= m_chatInterval;
        m_chatClock.restart();
        if (pass)
            emit readChatMessage(message);
        break;
    }
    case TSProtocolAnalysis::TSCtrl: {
        CtrlMessage message;
        if (TSProtocolAnalysis::readCtrlMessage(text, message))
            emit readCtrlMessage(message);
        break;
    }
    case TSProtocolAnalysis::TSStreamMedia: {
        qInfo() << "recv TSStreamMedia msg";
        StreamMediaMessage message;
        if (TSProtocolAnalysis::readStreamMediaMessage(text, message))
            emit readStreamMediaMessage(message);
        break;
    }
    case TSProtocolAnalysis::TSDevice: {
        qInfo() << "recv TSDevice msg";
        DeviceMessage message;
        if (TSProtocolAnalysis::readDeviceMessage(text, message))
            emit readDeviceMessage(message);
        break;
    }
    case TSProtocolAnalysis::TSVideoCourse: {
        qInfo() << "recv TSVideoCourse msg";
        VideoCourseMessage message;
        if (TSProtocolAnalysis::readVideoCourseMessage(text, message))
            emit readVideoCourseMessage(message, GlobalEnum::PPMServer);
        break;
    }
    case TSProtocolAnalysis::TSError:
        qWarning() << "the tsType is TSError error! msg:" << line << "tsType:" << quint32(type);
        break;
    default:
        qWarning() << "the tsType unknown error! msg:" << line << "tsType:" << quint32(type);
        break;
    }
}
