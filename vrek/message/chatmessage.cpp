#include "vrek/message/chatmessage.h"

namespace {
[[maybe_unused]] const int s_metaTypeId = qRegisterMetaType<ChatMessage>("ChatMessage");
}

ChatMessage::~ChatMessage() = default;
