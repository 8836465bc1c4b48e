#include "platform/soundcontrol/fakesoundcontrol.h"

FakeSoundControl::FakeSoundControl(std::shared_ptr<Machine> machine)
    : m_machine(std::move(machine))
{ }

SoundControl::Factory FakeSoundControl::factory(const std::shared_ptr<Machine> &machine)
{
    return [machine] { return std::make_unique<FakeSoundControl>(machine); };
}

FakeSoundControl::Device &FakeSoundControl::device(Endpoint endpoint)
{
    return endpoint == Speaker ? m_machine->speaker : m_machine->microphone;
}

void FakeSoundControl::note(const char *call, Endpoint endpoint, const QString &argument)
{
    const QString name = QString::fromLatin1(call).arg(endpoint == Speaker ? "Speaker" : "Microphone");
    m_machine->calls.append(argument.isNull() ? name : QString("%1(%2)").arg(name, argument));
}

int FakeSoundControl::volume(Endpoint endpoint, bool &ok)
{
    note("get%1Volume", endpoint);
    ok = device(endpoint).present;
    return ok ? device(endpoint).volume : 0;
}

bool FakeSoundControl::isMuted(Endpoint endpoint, bool &ok)
{
    note("get%1Mute", endpoint);
    ok = device(endpoint).present;
    return ok && device(endpoint).muted;
}

bool FakeSoundControl::apply(Endpoint endpoint, int value)
{
    note("set%1", endpoint, QString::number(value));
    Device &target = device(endpoint);
    if (!target.present)
        return false;
    if (value == Mute || value == Unmute)
        target.muted = value == Mute;
    else
        target.volume = value;
    return true;
}
