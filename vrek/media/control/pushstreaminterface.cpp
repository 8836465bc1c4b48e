#include "vrek/media/control/pushstreaminterface.h"

PushStreamInterface::~PushStreamInterface() = default;

bool PushStreamInterface::pushVideoSizeOf(int vqt, QSize &size)
{
    switch (vqt) {
    case GlobalEnum::VQ160x120:
        size = QSize(160, 120);
        return true;
    case GlobalEnum::VQ320x240:
        size = QSize(320, 240);
        return true;
    case GlobalEnum::VQ640x480:
        size = QSize(640, 480);
        return true;
    default:
        return false;
    }
}
