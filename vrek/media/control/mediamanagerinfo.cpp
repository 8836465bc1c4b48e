#include "vrek/media/control/mediamanagerinfo.h"

namespace {
[[maybe_unused]] const int s_metaTypeId = qRegisterMetaType<MediaManagerInfo>("MediaManagerInfo");
}

MediaManagerInfo::~MediaManagerInfo() = default;
