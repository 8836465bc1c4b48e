#ifndef PPPROTOCOLANALYSIS_H
#define PPPROTOCOLANALYSIS_H

#include "vrek/message/ppctrlmessage.h"
#include "vrek/message/pptmessage.h"

#include <QByteArray>
#include <QJsonObject>
#include <QPoint>
#include <QString>
#include <QStringList>

// The pad link's payloads: a type byte, a subtype byte and one JSON object whose values are all texts. Turns
// them into control and courseware records and back. Every courseware message must carry this run's machine
// id (g_runId).
class PPProtocolAnalysis
{
public:
    enum PPType : quint8 {
        PPCtrl = 1, // control message (PPCtrlMessage)
        PPCourse = 2, // courseware or board message (PPtMessage)
        PPReserved3 = 3, // accepted and ignored
        PPReserved4 = 4, // accepted and ignored; also the answer for an empty payload
    };

    // A freehand stroke of more points than this is refused: no pad sends one, and each point costs a lookup.
    static constexpr quint32 maxFreehandPoints = 10000;

    // The first byte of the payload (0 to 255); an empty payload gives 4.
    static PPType readDataPacketType(const QByteArray &payload);

    static bool readPPCtrlMessage(PPCtrlMessage &message, const QByteArray &payload);
    static bool readPPtMessage(PPtMessage &message, const QByteArray &payload);
    // Append the type byte, the subtype byte and the JSON text; on failure the caller sends nothing.
    static bool writePPCtrlMessage(const PPCtrlMessage &message, QByteArray &payload);
    static bool writePPtMessage(const PPtMessage &message, QByteArray &payload);

    static bool toPPCtrlMessage(PPCtrlMessage &message, const QByteArray &json);
    static bool toPPtMessage(PPtMessage &message, const QByteArray &json);
    static bool fromPPCtrlMessage(const PPCtrlMessage &message, QByteArray &json);
    static bool fromPPtMeesage(const PPtMessage &message, QByteArray &json);

    static bool toDrawSignal(const QJsonObject &object, PPtMessage &message);
    static bool fromDrawSignal(QJsonObject &object, const PPtMessage &message);
    static bool fromTempPoint(QJsonObject &object, const DrawSignal &drawSignal);
    static bool toTempPoint(quint32 count, const QJsonObject &object, DrawSignal &drawSignal);

    // "{x,y}"
    static QString fromPoint(const QPoint &point);
    // Reads "{x,y}" with decimal reals, each truncated toward zero; a coordinate that is no finite number within
    // the range of int fails.
    static bool toPoint(const QString &text, QPoint &point);

    // Every key must be present; the values come out as texts in key order (a value that is no JSON string reads
    // as empty text).
    static bool fromJsonObject(const QJsonObject &object, const QStringList &keys, QStringList &values);
    static bool toJsonObject(QJsonObject &object, const QStringList &keys, const QStringList &values);

    static QString textToBase64(const QString &text);
    static QString base64ToText(const QString &base64);
};

#endif // PPPROTOCOLANALYSIS_H
