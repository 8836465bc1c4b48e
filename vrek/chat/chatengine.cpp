#include "vrek/chat/chatengine.h"

#include "vrek/chat/msgtoid.h"
#include "vrek/chat/msgtoidhash.h"
#include "vrek/utils/globalfunc.h"
#include "vrek/utils/globalvalue.h"

#include <QDebug>

ChatEngine::ChatEngine(QObject *parent)
    : QObject(parent)
    , m_store(new MsgToIdHash)
{
    qInfo() << "ChatEngine";
}

ChatEngine::~ChatEngine()
{
    delete m_store;
    qInfo() << "~ChatEngine";
}

void ChatEngine::readMessage(ChatMessage message)
{
    switch (message.getCmType()) {
    case ChatMessage::Personal:
        if (message.getSenderId() != g_userId)
            emit personalMsgReceived(message);
        break;
    case ChatMessage::WholeClass:
        acceptSchoolClassMessage(message);
        break;
    case ChatMessage::Unmute:
    case ChatMessage::Mute:
        emit schoolNoTalkMsgReceived(message);
        break;
    default:
        qCritical() << "ChatEngine::readMessage the cmType unknown error! cmType:" << message.getCmType();
        break;
    }
}

void ChatEngine::acceptSchoolClassMessage(const ChatMessage &message)
{
    if (message.getSenderId() == g_userId && !GlobalFunc::isCurrentUserTypeFive())
        return;
    emit schoolClassMsgReceived(message);
}

void ChatEngine::sendMessage(ChatMessage message)
{
    switch (message.getCmType()) {
    case ChatMessage::Personal:
        recordPersonalMessage(message);
        break;
    case ChatMessage::WholeClass:
        recordSchoolClassMessage(message);
        break;
    case ChatMessage::Unmute:
    case ChatMessage::Mute:
        break;
    default:
        qCritical() << "ChatEngine::sendMessage the cmType unknown error! cmType:" << message.getCmType();
        break;
    }
}

void ChatEngine::recordPersonalMessage(const ChatMessage &message)
{
    recordMessage(message);
    emit personalMsgSend(message);
}

void ChatEngine::recordSchoolClassMessage(const ChatMessage &message)
{
    recordMessage(message);
    emit schoolClassMsgSend(message);
}

void ChatEngine::recordMessage(const ChatMessage &message)
{
    // The record's receiver: the target user's id, or the class id.
    const QString key = message.getSenderName();
    if (m_store->contains(key)) {
        m_store->value(key)->addMessage(message);
        return;
    }
    auto *entry = new MsgToId;
    entry->setCmType(message.getCmType());
    entry->setId(key);
    entry->addMessage(message);
    m_store->insert(key, entry);
}
