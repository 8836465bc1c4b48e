#include "vrek/course/coursemessageforward.h"

#include "vrek/message/pptmessage.h"
#include "vrek/message/tsprotocolanalysis.h"
#include "vrek/socketclientmanager.h"

#include <QDebug>

namespace {
const QString forwardType = QStringLiteral("0");

bool forward(const QString &userId, const PPtMessage &message)
{
    QString text;
    if (!TSProtocolAnalysis::sendPPtMessage(message, text))
        return false;
    if (!g_socketClientManager) {
        qWarning() << "no classroom connection! msg:" << text;
        return true;
    }
    if (userId.isEmpty())
        g_socketClientManager->sendServerForwardSchoolClass(forwardType, text);
    else
        g_socketClientManager->sendServerForwardPersonal(userId, forwardType, text);
    return true;
}
} // namespace

bool CourseMessageForward::isWritable(const PPtMessage &message)
{
    QString text;
    return TSProtocolAnalysis::sendPPtMessage(message, text);
}

bool CourseMessageForward::toClass(const PPtMessage &message)
{
    return forward(QString(), message);
}

bool CourseMessageForward::toPerson(const QString &userId, const PPtMessage &message)
{
    if (userId.isEmpty()) {
        qWarning() << "the userId is empty! ppmType:" << message.getPpmType();
        return false;
    }
    return forward(userId, message);
}
