#include "vrek/chat/chatclient.h"

#include "vrek/chat/chatengine.h"
#include "vrek/message/tsprotocolanalysis.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalvalue.h"

#include <QDebug>

ChatClient::ChatClient(QObject *parent)
    : QObject(parent)
    , m_engine(new ChatEngine)
{
    qInfo() << "ChatClient";
    connect(m_engine, &ChatEngine::schoolClassMsgSend, this, &ChatClient::addChatMessgae, Qt::DirectConnection);
    connect(m_engine, &ChatEngine::schoolClassMsgReceived, this, &ChatClient::addChatMessgae, Qt::DirectConnection);
    connect(m_engine, &ChatEngine::personalMsgSend, this, &ChatClient::addChatMessgae, Qt::DirectConnection);
    connect(m_engine, &ChatEngine::personalMsgReceived, this, &ChatClient::addChatMessgae, Qt::DirectConnection);
    connect(m_engine, &ChatEngine::schoolNoTalkMsgReceived, this, &ChatClient::addNoTalkMessage, Qt::DirectConnection);
    if (g_socketClientManager) {
        connect(g_socketClientManager, &SocketClientManager::signalDeliveryProgress, this,
            &ChatClient::slotDeliveryProgressIn);
        connect(g_socketClientManager, &SocketClientManager::signalSessionLost, this, &ChatClient::slotSessionLostIn);
    }
}

ChatClient::~ChatClient()
{
    delete m_engine;
    qInfo() << "~ChatClient";
}

void ChatClient::readChatMessage(ChatMessage message)
{
    m_engine->readMessage(message);
}

ChatMessage ChatClient::makeMessage(quint32 cmType, const QString &receiverId, const QString &content)
{
    const QDateTime now = QDateTime::currentDateTime();
    ChatMessage message;
    message.setCmType(cmType);
    message.setSenderId(g_userId);
    message.setSendTime(now);
    message.setSenderName(receiverId);
    message.setReceiveTime(now);
    message.setContent(content);
    return message;
}

ChatMessage ChatClient::makeNoTalkMessage(const QString &receiverId, bool noTalk)
{
    return makeMessage(noTalk ? ChatMessage::Mute : ChatMessage::Unmute, receiverId, QString());
}

bool ChatClient::write(const ChatMessage &message, QString &text)
{
    if (!TSProtocolAnalysis::sendChatMessage(message, text))
        return false;
    if (!g_socketClientManager) {
        qWarning() << "no classroom connection! data:" << text;
        return false;
    }
    return true;
}

void ChatClient::forwardToClass(const ChatMessage &message)
{
    QString text;
    if (write(message, text))
        g_socketClientManager->sendServerForwardSchoolClass(forwardType, text);
}

void ChatClient::forwardToPerson(const QString &targetId, const ChatMessage &message)
{
    QString text;
    if (write(message, text))
        g_socketClientManager->sendServerForwardPersonal(targetId, forwardType, text);
}

bool ChatClient::deliverable(const QString &text)
{
    if (g_socketClientManager && g_socketClientManager->canDeliver())
        return true;
    qWarning() << "the connection cannot deliver now, the text is kept";
    emit sendFailedOut(text, false);
    return false;
}

void ChatClient::track(const QString &text)
{
    // Outside a logged-in session nothing will prove the text read or lost: it is not kept.
    if (!g_socketClientManager)
        return;
    const SocketClientManager::SendMark mark = g_socketClientManager->sendMark();
    if (mark.session != 0)
        m_pending.append({ mark, text });
}

void ChatClient::slotDeliveryProgressIn()
{
    while (!m_pending.isEmpty() && g_socketClientManager && g_socketClientManager->isDelivered(m_pending.first().mark))
        m_pending.removeFirst();
}

void ChatClient::slotSessionLostIn()
{
    // What the server had not read when the connection went is lost with it: handed back once, in the order it
    // was written (each text handed back goes before what the input box holds).
    if (m_pending.isEmpty())
        return;
    QStringList lost;
    for (const Pending &pending : qAsConst(m_pending))
        lost.append(pending.text);
    m_pending.clear();
    qWarning() << "sent texts were lost with the connection:" << lost.size();
    emit sendFailedOut(lost.join(QLatin1Char('\n')), true);
}

void ChatClient::sendSchoolClassChatMessage(QString text)
{
    if (!deliverable(text))
        return;
    const ChatMessage message = makeMessage(ChatMessage::WholeClass, g_classId, text);
    m_engine->sendMessage(message);
    forwardToClass(message);
    track(text);
}

void ChatClient::sendPersonalChatMessage(QString targetId, QString text)
{
    if (!deliverable(text))
        return;
    const ChatMessage message = makeMessage(ChatMessage::Personal, targetId, text);
    m_engine->sendMessage(message);
    forwardToPerson(targetId, message);
    track(text);
}

void ChatClient::sendNoTalkSchoolClassMessage(QString receiverId, bool noTalk)
{
    forwardToClass(makeNoTalkMessage(receiverId, noTalk));
}

void ChatClient::sendNoTalkPersonalMessage(QString targetId, QString receiverId, bool noTalk)
{
    forwardToPerson(targetId, makeNoTalkMessage(receiverId, noTalk));
}

void ChatClient::addChatMessgae(ChatMessage message)
{
    switch (message.getCmType()) {
    case ChatMessage::WholeClass:
        emit addSchoolClassMessage(message);
        break;
    case ChatMessage::Personal:
        emit addPersonalMessage(message);
        break;
    default:
        qCritical() << "ChatClient::addChatMessgae the cmType error! cmType:" << message.getCmType();
        break;
    }
}
