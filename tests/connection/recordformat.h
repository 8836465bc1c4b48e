#ifndef RECORDFORMAT_H
#define RECORDFORMAT_H

#include "tests/support/signalrecorder.h"
#include "vrek/message/tsprotocolanalysis.h"
#include "vrek/model/groupinfo.h"
#include "vrek/utils/globalenum.h"

#include <QHash>
#include <QStringList>

// Writes the records the connection emits as their classroom text, so table rows can name them in one string.
inline QString formatRecord(const QVariant &value, bool &handled)
{
    handled = true;
    QString text;
    const int type = value.userType();
    if (type == qMetaTypeId<PPtMessage>())
        TSProtocolAnalysis::sendPPtMessage(value.value<PPtMessage>(), text);
    else if (type == qMetaTypeId<ChatMessage>())
        TSProtocolAnalysis::sendChatMessage(value.value<ChatMessage>(), text);
    else if (type == qMetaTypeId<CtrlMessage>())
        TSProtocolAnalysis::sendCtrlMessage(value.value<CtrlMessage>(), text);
    else if (type == qMetaTypeId<StreamMediaMessage>())
        TSProtocolAnalysis::sendStreamMediaMessage(value.value<StreamMediaMessage>(), text);
    else if (type == qMetaTypeId<DeviceMessage>())
        TSProtocolAnalysis::sendDeviceMessage(value.value<DeviceMessage>(), text);
    else if (type == qMetaTypeId<VideoCourseMessage>())
        TSProtocolAnalysis::sendVideoCourseMessage(value.value<VideoCourseMessage>(), text);
    else if (type == qMetaTypeId<GlobalEnum::PPMFromType>())
        text = QString::number(int(value.value<GlobalEnum::PPMFromType>()));
    else if (type == qMetaTypeId<QList<GroupInfo>>()) {
        QStringList ids;
        for (const GroupInfo &info : value.value<QList<GroupInfo>>())
            ids << info.getId();
        text = '[' + ids.join('|') + ']';
    } else if (type == qMetaTypeId<QHash<QString, QString>>()) {
        const QHash<QString, QString> hash = value.value<QHash<QString, QString>>();
        QStringList items;
        for (auto it = hash.constBegin(); it != hash.constEnd(); ++it)
            items << it.key() + '=' + it.value();
        items.sort();
        text = '{' + items.join(',') + '}';
    } else {
        handled = false;
    }
    return text;
}

#endif // RECORDFORMAT_H
