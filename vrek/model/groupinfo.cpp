#include "vrek/model/groupinfo.h"

namespace {
[[maybe_unused]] const int s_metaTypeId = qRegisterMetaType<GroupInfo>("GroupInfo");
[[maybe_unused]] const int s_listTypeId = qRegisterMetaType<QList<GroupInfo>>("QList<GroupInfo>");
} // namespace

GroupInfo::~GroupInfo() = default;
