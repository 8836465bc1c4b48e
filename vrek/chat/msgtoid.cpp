#include "vrek/chat/msgtoid.h"

MsgToId::MsgToId() = default;

MsgToId::~MsgToId() = default;

void MsgToId::addMessage(const ChatMessage &message)
{
    QWriteLocker locker(&m_lock);
    m_lastMessage = message;
    if (!m_messages.contains(message.getSendTime()))
        m_messages.insert(message.getSendTime(), message);
}

ChatMessage MsgToId::lastMessage() const
{
    QReadLocker locker(&m_lock);
    return m_lastMessage;
}

QList<ChatMessage> MsgToId::messages() const
{
    QReadLocker locker(&m_lock);
    return m_messages.values();
}

int MsgToId::messageCount() const
{
    QReadLocker locker(&m_lock);
    return m_messages.size();
}
