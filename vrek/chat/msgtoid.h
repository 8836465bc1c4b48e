#ifndef MSGTOID_H
#define MSGTOID_H

#include "vrek/message/chatmessage.h"

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QReadWriteLock>
#include <QString>

// One conversation: the texts sent to one target (a participant, or the class), ordered by send time, one text
// per send time.
class MsgToId
{
public:
    MsgToId();
    virtual ~MsgToId();
    MsgToId(const MsgToId &) = delete;
    MsgToId &operator=(const MsgToId &) = delete;

    // The kind of the conversation's first text: personal or class-wide.
    quint32 getCmType() const { return m_cmType; }
    void setCmType(quint32 type) { m_cmType = type; }
    // The receiver of its texts: the target user's id, or the class id.
    QString getId() const { return m_id; }
    void setId(const QString &id) { m_id = id; }

    // Keeps a copy; a text whose send time is already held is not added again.
    void addMessage(const ChatMessage &message);
    ChatMessage lastMessage() const;
    QList<ChatMessage> messages() const;
    int messageCount() const;

private:
    quint32 m_cmType = ChatMessage::Personal;
    QString m_id;
    QMap<QDateTime, ChatMessage> m_messages;
    ChatMessage m_lastMessage;
    mutable QReadWriteLock m_lock;
};

#endif // MSGTOID_H
