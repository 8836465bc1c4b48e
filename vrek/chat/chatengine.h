#ifndef CHATENGINE_H
#define CHATENGINE_H

#include "vrek/message/chatmessage.h"

#include <QObject>

class MsgToIdHash;

// Routes chat records by kind: received texts and mute changes on to the window, sent texts into the
// conversation store and back to the window as own messages. Lives in the GUI thread.
class ChatEngine : public QObject
{
    Q_OBJECT
public:
    explicit ChatEngine(QObject *parent = nullptr);
    ~ChatEngine() override;

    const MsgToIdHash *store() const { return m_store; }

signals:
    void personalMsgReceived(ChatMessage message);
    void schoolClassMsgReceived(ChatMessage message);
    void personalMsgSend(ChatMessage message);
    void schoolClassMsgSend(ChatMessage message);
    void schoolNoTalkMsgReceived(ChatMessage message);

public slots:
    void readMessage(ChatMessage message);
    void sendMessage(ChatMessage message);

private:
    // The server hands a class-wide text back to its author too; only a type-5 user shows its own again.
    void acceptSchoolClassMessage(const ChatMessage &message);
    void recordPersonalMessage(const ChatMessage &message);
    void recordSchoolClassMessage(const ChatMessage &message);
    void recordMessage(const ChatMessage &message);

    MsgToIdHash *m_store;
};

#endif // CHATENGINE_H
