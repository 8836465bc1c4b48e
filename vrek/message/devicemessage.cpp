#include "vrek/message/devicemessage.h"

namespace {
[[maybe_unused]] const int s_metaTypeId = qRegisterMetaType<DeviceMessage>("DeviceMessage");
}

DeviceMessage::~DeviceMessage() = default;
