#include "platform/soundcontrol/soundcontrol.h"

#include "platform/factory/replaceablefactory.h"
#include "platform/soundcontrol/pulseaudiosoundcontrol.h"

namespace {
ReplaceableFactory<SoundControl> factory([] { return std::make_unique<PulseAudioSoundControl>(); });
} // namespace

SoundControl::~SoundControl() = default;

std::unique_ptr<SoundControl> SoundControl::create()
{
    return factory.create();
}

void SoundControl::setFactory(Factory maker)
{
    factory.replace(std::move(maker));
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
