#ifndef STROKEMERGER_H
#define STROKEMERGER_H

#include "vrek/message/drawsignal.h"

#include <functional>

// Thins the steps of strokes in progress to at most one drawing message per merge window in each direction.
// Incoming steps of a shape that arrive within the window are gathered into the pending record (for shapes other
// than freehand only the newest state matters) and drawn with the next step after the window or the final step.
// Outgoing freehand steps within the window are gathered and sent together; other in-progress steps within the
// window are dropped. The final step of a shape always passes.
class StrokeMerger
{
public:
    // Milliseconds of a steady clock.
    using Clock = std::function<qint64()>;

    static constexpr qint64 mergeWindowMs = 100;

    enum class Incoming {
        Held, // merged into the pending record; nothing to draw yet
        Dropped, // a step of another shape while the pending one is still in progress
        Draw, // incoming() is to be passed on and drawn, then incomingDrawn()
    };

    StrokeMerger();

    // Tests drive time; both windows start anew.
    void setClock(const Clock &clock);

    Incoming takeIncoming(const DrawSignal &step);
    const DrawSignal &incoming() const { return m_incoming; }
    void incomingDrawn();

    // True when outgoing() is to be sent, after which outgoingSent() is called. Text steps are not merged: the
    // caller sends them as they come.
    bool takeOutgoing(const DrawSignal &step);
    const DrawSignal &outgoing() const { return m_outgoing; }
    void outgoingSent();

private:
    Clock m_clock;
    DrawSignal m_incoming;
    DrawSignal m_outgoing;
    qint64 m_incomingStart = 0;
    qint64 m_outgoingStart = 0;
};

#endif // STROKEMERGER_H
