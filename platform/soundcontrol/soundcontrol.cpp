#include "platform/soundcontrol/soundcontrol.h"

#include "platform/soundcontrol/pulseaudiosoundcontrol.h"

namespace {
SoundControl::Factory &installedFactory()
{
    static SoundControl::Factory factory;
    return factory;
}
} // namespace

SoundControl::~SoundControl() = default;

std::unique_ptr<SoundControl> SoundControl::create()
{
    if (installedFactory())
        return installedFactory()();
    return std::make_unique<PulseAudioSoundControl>();
}

void SoundControl::setFactory(Factory factory)
{
    installedFactory() = std::move(factory);
}

int NullSoundControl::volume(Endpoint, bool &ok)
{
    ok = false;
    return 0;
}

bool NullSoundControl::isMuted(Endpoint, bool &ok)
{
    ok = false;
    return false;
}
