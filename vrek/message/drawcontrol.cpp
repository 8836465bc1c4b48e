#include "vrek/message/drawcontrol.h"

namespace {
[[maybe_unused]] const int s_metaTypeId = qRegisterMetaType<DrawControl>("DrawControl");
}

DrawControl::~DrawControl() = default;
