#include "vrek/media/control/streammediaforward.h"

#include "vrek/message/streammediamessage.h"
#include "vrek/message/tsprotocolanalysis.h"
#include "vrek/socketclientmanager.h"

#include <QDebug>

bool StreamMediaForward::send(const StreamMediaMessage &message, const QString &toUserId)
{
    QString text;
    if (!TSProtocolAnalysis::sendStreamMediaMessage(message, text))
        return false;
    if (!g_socketClientManager) {
        qWarning() << "no classroom connection! msg:" << text;
        return false;
    }
    qInfo() << "msg:" << text << "to:" << toUserId;
    if (toUserId.isEmpty())
        g_socketClientManager->sendServerForwardSchoolClass("0", text);
    else
        g_socketClientManager->sendServerForwardPersonal(toUserId, "0", text);
    return true;
}
