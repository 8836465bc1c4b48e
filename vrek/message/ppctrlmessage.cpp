#include "vrek/message/ppctrlmessage.h"

namespace {
[[maybe_unused]] const int s_metaTypeId = qRegisterMetaType<PPCtrlMessage>("PPCtrlMessage");
}

PPCtrlMessage::PPCtrlMessage(quint32 type)
{
    setPPCMType(type);
}

PPCtrlMessage::~PPCtrlMessage() = default;

void PPCtrlMessage::setPPCMType(quint32 type)
{
    m_ppcmType = type;
    m_init = true;
}
