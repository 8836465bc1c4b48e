#include "vrek/message/pptmessage.h"

#include <QDebug>

namespace {
[[maybe_unused]] const int s_metaTypeId = qRegisterMetaType<PPtMessage>("PPtMessage");
}

PPtMessage::PPtMessage() = default;

PPtMessage::PPtMessage(PPMType type)
    : m_ppmType(type)
{ }

PPtMessage::~PPtMessage() = default;

PPtMessage::PPtMessage(const PPtMessage &other)
{
    setPPtMessage(other);
}

PPtMessage &PPtMessage::operator=(const PPtMessage &other)
{
    if (this != &other) {
        // Parts the other's kind does not carry go back to their defaults, as in a copy.
        PPtMessage fresh;
        fresh.setPPtMessage(other);
        m_ppmType = fresh.m_ppmType;
        m_drawControl = fresh.m_drawControl;
        m_drawSignal = fresh.m_drawSignal;
        m_point = fresh.m_point;
        m_rate = fresh.m_rate;
    }
    return *this;
}

void PPtMessage::setPPtMessage(const PPtMessage &other)
{
    m_ppmType = other.m_ppmType;
    switch (m_ppmType) {
    case OpenFile:
    case PageChange:
    case FilePageId:
    case BoardIdChange:
        m_drawControl = other.m_drawControl;
        break;
    case DrawOnline:
    case DrawOffline:
    case BoardDrawOnline:
    case BoardDrawOffline:
        m_drawControl = other.m_drawControl;
        resetDrawSignal(other.m_drawSignal);
        break;
    case ScrollMove:
        m_point = other.m_point;
        m_drawControl = other.m_drawControl;
        break;
    case ZoomChange:
        m_rate = other.m_rate;
        m_drawControl = other.m_drawControl;
        break;
    default:
        qWarning() << "PPtMessage::setPPtMessage the pptType unknown error! " << quint32(m_ppmType);
        break;
    }
}

bool PPtMessage::pptOnlineToOffline()
{
    if (m_ppmType != DrawOnline) {
        qWarning() << "Wanring: PPtMessage::pptOnlineToOffline" << quint32(m_ppmType);
        return false;
    }
    m_ppmType = DrawOffline;
    return true;
}
