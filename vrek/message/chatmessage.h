#ifndef CHATMESSAGE_H
#define CHATMESSAGE_H

#include <QDateTime>
#include <QMetaType>
#include <QString>

// One chat message.
class ChatMessage
{
public:
    enum CMType : quint32 {
        Personal = 0,
        WholeClass = 1,
        Unmute = 2, // mute notices
        Mute = 3,
    };

    ChatMessage() = default;
    virtual ~ChatMessage();
    ChatMessage(const ChatMessage &) = default;
    ChatMessage &operator=(const ChatMessage &) = default;

    quint32 getCmType() const { return m_cmType; }
    void setCmType(quint32 type) { m_cmType = type; }
    QString getSenderId() const { return m_senderId; }
    void setSenderId(const QString &senderId) { m_senderId = senderId; }
    // The fifth field on the wire. The chat fills it with the receiver: the target user's id of a personal
    // text, the class id of a class-wide one, the muted user's id or "all" of a mute or unmute.
    QString getSenderName() const { return m_senderName; }
    void setSenderName(const QString &senderName) { m_senderName = senderName; }
    // Whole seconds on the wire.
    QDateTime getSendTime() const { return m_sendTime; }
    void setSendTime(const QDateTime &time) { m_sendTime = time; }
    // Local time at which the message was read.
    QDateTime getReceiveTime() const { return m_receiveTime; }
    void setReceiveTime(const QDateTime &time) { m_receiveTime = time; }
    QString getContent() const { return m_content; }
    void setContent(const QString &content) { m_content = content; }

private:
    quint32 m_cmType = Personal;
    QString m_senderId;
    QString m_senderName;
    QDateTime m_sendTime;
    QDateTime m_receiveTime;
    QString m_content;
};

Q_DECLARE_METATYPE(ChatMessage)

#endif // CHATMESSAGE_H
