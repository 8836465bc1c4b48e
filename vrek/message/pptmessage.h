#ifndef PPTMESSAGE_H
#define PPTMESSAGE_H

#include "vrek/message/drawcontrol.h"
#include "vrek/message/drawsignal.h"

#include <QMetaType>
#include <QPoint>

// One courseware or board synchronisation message. Only the parts of its kind travel and are copied.
class PPtMessage
{
public:
    enum PPMType : quint32 {
        OpenFile = 0,
        PageChange = 1, // page or step
        DrawOnline = 2, // one drawing step, live
        DrawOffline = 3, // all drawings of a page (replay)
        FilePageId = 4,
        BoardIdChange = 5,
        BoardDrawOnline = 6, // one board drawing step, live
        BoardDrawOffline = 7, // all board drawings (replay)
        ScrollMove = 8,
        ZoomChange = 9,
    };

    PPtMessage();
    explicit PPtMessage(PPMType type);
    virtual ~PPtMessage();
    PPtMessage(const PPtMessage &other);
    PPtMessage &operator=(const PPtMessage &other);

    // Copies the kind and the parts that kind carries; the drawing part is replaced, not merged.
    void setPPtMessage(const PPtMessage &other);

    PPMType getPpmType() const { return m_ppmType; }
    void setPpmType(PPMType type) { m_ppmType = type; }
    const DrawControl &getDrawControl() const { return m_drawControl; }
    void setDrawControl(const DrawControl &drawControl) { m_drawControl = drawControl; }
    const DrawSignal &getDrawSignal() const { return m_drawSignal; }
    // Takes every field of the step and appends its points to the ones already held.
    void setDrawSignal(const DrawSignal &drawSignal) { m_drawSignal.mergeFrom(drawSignal); }
    // Replaces the drawing part whole, its points included.
    void resetDrawSignal(const DrawSignal &drawSignal) { m_drawSignal = drawSignal; }
    QPoint getPoint() const { return m_point; }
    void setPoint(const QPoint &point) { m_point = point; }
    qint32 getRate() const { return m_rate; }
    void setRate(qint32 rate) { m_rate = rate; }

    // A live drawing step (kind 2) becomes a replayed one (kind 3).
    bool pptOnlineToOffline();

private:
    PPMType m_ppmType = OpenFile;
    DrawControl m_drawControl;
    DrawSignal m_drawSignal;
    QPoint m_point;
    qint32 m_rate = 0;
};

Q_DECLARE_METATYPE(PPtMessage)

#endif // PPTMESSAGE_H
