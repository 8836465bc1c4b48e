#ifndef TSPROTOCOLANALYSIS_H
#define TSPROTOCOLANALYSIS_H

#include "vrek/message/chatmessage.h"
#include "vrek/message/ctrlmessage.h"
#include "vrek/message/devicemessage.h"
#include "vrek/message/drawcontrol.h"
#include "vrek/message/drawsignal.h"
#include "vrek/message/pptmessage.h"
#include "vrek/message/streammediamessage.h"
#include "vrek/message/videocoursemessage.h"

#include <QPoint>
#include <QString>

// The classroom text protocol: "$"-separated texts that participants forward to each other through the
// classroom server, field 0 naming the kind. Readers fill a record from a text and return whether it was
// complete (a refused text is logged and must be dropped); writers fill a text from a record and refuse,
// with a warning, a field that holds one of the protocol's separators, since no receiver could read it.
class TSProtocolAnalysis
{
public:
    enum TSType : quint32 {
        TSPPt = 0,
        TSChat = 1,
        TSCtrl = 2,
        TSStreamMedia = 3,
        TSDevice = 4,
        TSVideoCourse = 5,
        TSError = 6,
    };

    // Field 0 as a kind; a field 0 that is no number reads as 0.
    static TSType readDataPacketType(const QString &text);

    static bool readPPtMessage(const QString &text, PPtMessage &message);
    static bool readChatMessage(const QString &text, ChatMessage &message);
    static bool readCtrlMessage(const QString &text, CtrlMessage &message);
    static bool readStreamMediaMessage(const QString &text, StreamMediaMessage &message);
    static bool readDeviceMessage(const QString &text, DeviceMessage &message);
    static bool readVideoCourseMessage(const QString &text, VideoCourseMessage &message);

    static bool sendPPtMessage(const PPtMessage &message, QString &text);
    static bool sendChatMessage(const ChatMessage &message, QString &text);
    static bool sendCtrlMessage(const CtrlMessage &message, QString &text);
    static bool sendStreamMediaMessage(const StreamMediaMessage &message, QString &text);
    static bool sendDeviceMessage(const DeviceMessage &message, QString &text);
    static bool sendVideoCourseMessage(const VideoCourseMessage &message, QString &text);

    // The courseware payload, by the message's ppmType (toPPtMessage reads the kind already set).
    static bool fromPPtMessage(const PPtMessage &message, QString &text);
    static bool toPPtMessage(const QString &text, PPtMessage &message);
    static bool fromDrawSignal(const DrawSignal &drawSignal, QString &text);
    static bool toDrawSignal(const QString &text, DrawSignal &drawSignal);
    static bool fromDrawControl(const DrawControl &drawControl, QString &text);
    static bool toDrawControl(const QString &text, DrawControl &drawControl);
    static bool fromPoint(const QPoint &point, QString &text);
    static bool toPoint(const QString &text, QPoint &point);
};

#endif // TSPROTOCOLANALYSIS_H
