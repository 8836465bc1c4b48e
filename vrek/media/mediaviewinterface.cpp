#include "vrek/media/mediaviewinterface.h"

MediaViewInterface::~MediaViewInterface() = default;
