#include "vrek/message/ctrlmessage.h"

namespace {
[[maybe_unused]] const int s_metaTypeId = qRegisterMetaType<CtrlMessage>("CtrlMessage");
[[maybe_unused]] const int s_lateTypeId = qRegisterMetaType<CtrlMessage::LateCtrlType>("CtrlMessage::LateCtrlType");
} // namespace

CtrlMessage::~CtrlMessage() = default;
