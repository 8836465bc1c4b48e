#include "tests/support/padclient.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QJsonDocument>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

const QString PadClient::loginToken = QStringLiteral("KPRV");

PadClient::PadClient(QObject *parent)
    : QObject(parent)
    , m_socket(new QTcpSocket(this))
    , m_heartBeat(new QTimer(this))
{
    connect(m_socket, &QTcpSocket::readyRead, this, &PadClient::onReadyRead);
    connect(m_socket, &QTcpSocket::disconnected, this, &PadClient::disconnected);
    connect(m_heartBeat, &QTimer::timeout, this, &PadClient::sendHeartBeat);
}

PadClient::~PadClient() = default;

bool PadClient::parseCode(const QString &code, QString &host, quint16 &port)
{
    const QStringList parts = code.trimmed().split('-');
    if (parts.size() != 2)
        return false;
    bool numberOk = false;
    bool portOk = false;
    const quint32 number = parts.at(0).toUInt(&numberOk);
    const uint portValue = parts.at(1).toUInt(&portOk);
    if (!numberOk || !portOk || portValue == 0 || portValue > 65535)
        return false;
    host = QHostAddress(number).toString();
    port = quint16(portValue);
    return true;
}

bool PadClient::connectTo(const QString &host, quint16 port, int timeoutMs)
{
    if (!m_localAddress.isEmpty() && !m_socket->bind(QHostAddress(m_localAddress)))
        return false;
    m_socket->connectToHost(host, port);
    QElapsedTimer clock;
    clock.start();
    while (m_socket->state() != QAbstractSocket::ConnectedState && clock.elapsed() < timeoutMs) {
        if (m_socket->state() == QAbstractSocket::UnconnectedState)
            return false;
        QTest::qWait(5);
    }
    return m_socket->state() == QAbstractSocket::ConnectedState;
}

bool PadClient::isConnected() const
{
    return m_socket->state() == QAbstractSocket::ConnectedState;
}

void PadClient::disconnectFromHost()
{
    m_socket->disconnectFromHost();
}

bool PadClient::waitForDisconnect(int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (m_socket->state() != QAbstractSocket::UnconnectedState && clock.elapsed() < timeoutMs)
        QTest::qWait(5);
    return m_socket->state() == QAbstractSocket::UnconnectedState;
}

QByteArray PadClient::frame(const QByteArray &payload)
{
    const quint32 length = quint32(payload.size());
    QByteArray bytes;
    bytes.append(char(length >> 24)).append(char(length >> 16)).append(char(length >> 8)).append(char(length));
    return bytes + payload;
}

QByteArray PadClient::payload(int type, int subtype, const QJsonObject &object)
{
    QByteArray bytes;
    bytes.append(char(type)).append(char(subtype));
    return bytes + QJsonDocument(object).toJson(QJsonDocument::Compact);
}

PadClient::Payload PadClient::decode(const QByteArray &payload)
{
    Payload decoded;
    if (payload.size() < 2)
        return decoded;
    decoded.type = quint8(payload.at(0));
    decoded.subtype = quint8(payload.at(1));
    const QJsonDocument document = QJsonDocument::fromJson(payload.mid(2));
    decoded.isJson = document.isObject();
    decoded.object = document.object();
    return decoded;
}

void PadClient::sendRaw(const QByteArray &bytes)
{
    m_socket->write(bytes);
    m_socket->flush();
}

void PadClient::sendPayload(const QByteArray &payload)
{
    sendRaw(frame(payload));
}

void PadClient::sendLoginReq(const QString &token)
{
    sendControl(0, QJsonObject { { "hb", token } });
}

void PadClient::sendLoginPwd(const QString &machineId, const QString &password)
{
    sendControl(2, QJsonObject { { "mi", machineId }, { "pwd", QString::fromLatin1(password.toUtf8().toBase64()) } });
}

void PadClient::sendHeartBeat()
{
    if (isConnected())
        sendControl(4, QJsonObject { { "mi", m_machineId }, { "hb", loginToken } });
}

QByteArray PadClient::waitForPayload(int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (m_taken >= m_received.size() && clock.elapsed() < timeoutMs)
        QTest::qWait(5);
    if (m_taken >= m_received.size())
        return QByteArray();
    return m_received.at(m_taken++);
}

bool PadClient::waitForControl(int subtype, Payload &found, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        const QByteArray bytes = waitForPayload(int(qMax<qint64>(1, timeoutMs - clock.elapsed())));
        if (bytes.isNull())
            return false;
        const Payload decoded = decode(bytes);
        if (decoded.type == 1 && decoded.subtype == subtype) {
            found = decoded;
            return true;
        }
    }
    return false;
}

bool PadClient::receivesWithin(int ms)
{
    const int before = m_received.size();
    QTest::qWait(ms);
    return m_received.size() > before;
}

bool PadClient::login(int timeoutMs)
{
    sendLoginReq();
    Payload message;
    if (!waitForControl(1, message, timeoutMs))
        return false;
    m_userId = message.object.value("ui").toString();
    m_machineId = message.object.value("mi").toString();
    m_userName = QString::fromUtf8(QByteArray::fromBase64(message.object.value("un").toString().toLatin1()));
    sendLoginPwd(m_machineId, m_userId + m_machineId);
    Payload success;
    return waitForControl(3, success, timeoutMs);
}

void PadClient::startHeartBeat(int intervalMs)
{
    sendHeartBeat();
    m_heartBeat->start(intervalMs);
}

void PadClient::stopHeartBeat()
{
    m_heartBeat->stop();
}

void PadClient::turnPage(const QString &fileId, int page)
{
    sendCourse(
        1, QJsonObject { { "mi", m_machineId }, { "fi", fileId }, { "pm", QString::number(page) }, { "dc", "1" } });
}

void PadClient::drawStroke(const QList<QPair<int, int>> &points)
{
    QJsonObject object { { "mi", m_machineId }, { "pm", "0" }, { "fc", "1" }, { "s", "1" }, { "pi", "1" },
        { "pc", QString::number(0xFFFF0000u) }, { "pw", "3" }, { "it", "0" },
        { "pn", QString::number(points.size()) } };
    const auto point = [](const QPair<int, int> &p) { return QStringLiteral("{%1,%2}").arg(p.first).arg(p.second); };
    object.insert("sp", points.isEmpty() ? QStringLiteral("{0,0}") : point(points.first()));
    object.insert("ep", points.isEmpty() ? QStringLiteral("{0,0}") : point(points.last()));
    for (int i = 0; i < points.size(); ++i)
        object.insert(QStringLiteral("p%1").arg(i), point(points.at(i)));
    sendCourse(6, object);
}

void PadClient::onReadyRead()
{
    m_buffer.append(m_socket->readAll());
    while (m_buffer.size() >= 4) {
        const quint32 length = quint32(quint8(m_buffer.at(0))) << 24 | quint32(quint8(m_buffer.at(1))) << 16
            | quint32(quint8(m_buffer.at(2))) << 8 | quint32(quint8(m_buffer.at(3)));
        if (quint64(m_buffer.size()) < 4 + quint64(length))
            return;
        const QByteArray payload = m_buffer.mid(4, int(length));
        m_buffer.remove(0, 4 + int(length));
        m_received.append(payload);
        emit payloadReceived(payload);
    }
}
