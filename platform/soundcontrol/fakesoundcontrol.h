#ifndef FAKESOUNDCONTROL_H
#define FAKESOUNDCONTROL_H

#include "platform/soundcontrol/soundcontrol.h"

#include <QStringList>

// A SoundControl over a pretend machine for tests: what the calls read and change is the machine's, and every
// call is written down in order ("getMicrophoneMute", "setMicrophone(-2)", "getSpeakerVolume", ...). Several
// objects may share one machine, as several panels share the real one.
//
//     auto machine = std::make_shared<FakeSoundControl::Machine>();
//     SoundControl::setFactory(FakeSoundControl::factory(machine));
class FakeSoundControl : public SoundControl
{
public:
    struct Device
    {
        int volume = 50;
        bool muted = false;
        // False: reads fail (ok false) and changes are refused, as with no such device.
        bool present = true;
    };
    struct Machine
    {
        Device speaker;
        Device microphone;
        QStringList calls;
    };

    explicit FakeSoundControl(std::shared_ptr<Machine> machine = std::make_shared<Machine>());

    const std::shared_ptr<Machine> &machine() const { return m_machine; }
    // A maker for SoundControl::setFactory whose objects all work on the given machine.
    static Factory factory(const std::shared_ptr<Machine> &machine);

protected:
    int volume(Endpoint endpoint, bool &ok) override;
    bool apply(Endpoint endpoint, int value) override;
    bool isMuted(Endpoint endpoint, bool &ok) override;

private:
    Device &device(Endpoint endpoint);
    void note(const char *call, Endpoint endpoint, const QString &argument = QString());

    std::shared_ptr<Machine> m_machine;
};

#endif // FAKESOUNDCONTROL_H
