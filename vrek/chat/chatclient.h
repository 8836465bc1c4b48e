#ifndef CHATCLIENT_H
#define CHATCLIENT_H

#include "vrek/message/chatmessage.h"
#include "vrek/socketclientmanager.h"

#include <QList>
#include <QObject>

class ChatEngine;

// The chat window's side of the classroom connection: builds chat records from what the window sends and
// forwards them to the class or to one participant, and hands what the connection reads to the window.
// Lives in the GUI thread.
class ChatClient : public QObject
{
    Q_OBJECT
public:
    // The forward kind of every chat text.
    static constexpr const char *forwardType = "0";

    explicit ChatClient(QObject *parent = nullptr);
    ~ChatClient() override;

    ChatEngine *engine() const { return m_engine; }

signals:
    void addSchoolClassMessage(ChatMessage message);
    void addPersonalMessage(ChatMessage message);
    void addNoTalkMessage(ChatMessage message);
    // A text of the user that did not reach the server: refused while the connection could not deliver it
    // (then it was never shown), or sent and lost with the connection before the server had read it.
    void sendFailedOut(QString text, bool wasShown);

public slots:
    void readChatMessage(ChatMessage message);
    void sendSchoolClassChatMessage(QString text);
    void sendPersonalChatMessage(QString targetId, QString text);
    void sendNoTalkSchoolClassMessage(QString receiverId, bool noTalk);
    void sendNoTalkPersonalMessage(QString targetId, QString receiverId, bool noTalk);
    void addChatMessgae(ChatMessage message);

private:
    static ChatMessage makeMessage(quint32 cmType, const QString &receiverId, const QString &content);
    static ChatMessage makeNoTalkMessage(const QString &receiverId, bool noTalk);
    // Writes the record as chat text and forwards it to the class.
    static void forwardToClass(const ChatMessage &message);
    // Writes the record as chat text and forwards it to one participant.
    static void forwardToPerson(const QString &targetId, const ChatMessage &message);
    static bool write(const ChatMessage &message, QString &text);
    // False, and the user told, when the connection cannot deliver a text now.
    bool deliverable(const QString &text);
    void track(const QString &text);
    void slotDeliveryProgressIn();
    void slotSessionLostIn();

    struct Pending
    {
        SocketClientManager::SendMark mark;
        QString text;
    };
    QList<Pending> m_pending;

    ChatEngine *m_engine;
};

#endif // CHATCLIENT_H
