#include "vrek/course/strokemerger.h"

#include "vrek/utils/steadyclock.h"

namespace {
bool isMergeable(quint32 kind)
{
    return kind >= DrawSignal::Irregular && kind <= DrawSignal::Laser;
}
} // namespace

StrokeMerger::StrokeMerger()
{
    setClock(Clock());
}

void StrokeMerger::setClock(const Clock &clock)
{
    m_clock = clock ? clock : Clock(SteadyClock::milliseconds);
    m_incomingStart = m_clock();
    m_outgoingStart = m_incomingStart;
}

StrokeMerger::Incoming StrokeMerger::takeIncoming(const DrawSignal &step)
{
    const bool recent = m_clock() - m_incomingStart < mergeWindowMs;
    if (isMergeable(step.getShapeType()) && step.getIsTemp() != 0 && recent) {
        if (m_incoming.getPointSetId() != step.getPointSetId() && m_incoming.getIsTemp() != 0)
            return Incoming::Dropped;
        m_incoming.mergeFrom(step);
        return Incoming::Held;
    }
    m_incoming.mergeFrom(step);
    return Incoming::Draw;
}

void StrokeMerger::incomingDrawn()
{
    m_incoming.clearPointList();
    m_incomingStart = m_clock();
}

bool StrokeMerger::takeOutgoing(const DrawSignal &step)
{
    if (m_clock() - m_outgoingStart <= mergeWindowMs && step.getIsTemp() != 0) {
        if (step.getShapeType() == DrawSignal::Irregular)
            m_outgoing.mergeFrom(step);
        return false;
    }
    m_outgoing.mergeFrom(step);
    // A freehand step that brought no new points is not worth a message.
    return !(m_outgoing.isPointListEmpty() && m_outgoing.getIsTemp() != 0
        && m_outgoing.getShapeType() == DrawSignal::Irregular);
}

void StrokeMerger::outgoingSent()
{
    m_outgoing.clearPointList();
    m_outgoingStart = m_clock();
}
