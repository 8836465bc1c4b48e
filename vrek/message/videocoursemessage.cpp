#include "vrek/message/videocoursemessage.h"

namespace {
[[maybe_unused]] const int s_metaTypeId = qRegisterMetaType<VideoCourseMessage>("VideoCourseMessage");
}

VideoCourseMessage::~VideoCourseMessage() = default;
