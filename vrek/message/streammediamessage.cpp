#include "vrek/message/streammediamessage.h"

namespace {
[[maybe_unused]] const int s_metaTypeId = qRegisterMetaType<StreamMediaMessage>("StreamMediaMessage");
}

StreamMediaMessage::~StreamMediaMessage() = default;
