#ifndef PULSEAUDIOSOUNDCONTROL_H
#define PULSEAUDIOSOUNDCONTROL_H

#include "platform/soundcontrol/soundcontrol.h"
#include "platform/sounddevices/pulseconnection.h"

#include <QByteArray>

struct PulseDeviceState;

// SoundControl over the PulseAudio server: the default sink is the speaker, the default source the microphone
// (a monitor source is no microphone: such a default counts as none). The volume is the loudest channel's,
// and setting one keeps the balance between the channels. One connection is kept between calls.
class PulseAudioSoundControl : public SoundControl
{
public:
    // Longest a call may take.
    static constexpr int defaultCallLimitMs = 1000;
    // After a server let a call run out of time, calls fail at once for this long, so that a hung server
    // costs the window one wait, not one per slider step.
    static constexpr int defaultQuietMs = 5000;

    explicit PulseAudioSoundControl(int callLimitMs = defaultCallLimitMs, int quietMs = defaultQuietMs);
    ~PulseAudioSoundControl() override;

protected:
    int volume(Endpoint endpoint, bool &ok) override;
    bool apply(Endpoint endpoint, int value) override;
    bool isMuted(Endpoint endpoint, bool &ok) override;

private:
    // The endpoint's device; false when there is none or the server did not tell in time.
    bool readDevice(Endpoint endpoint, const QDeadlineTimer &deadline, PulseDeviceState *state);
    bool connected(const QDeadlineTimer &deadline);
    // Notes a call that failed: when it ran out of time, the quiet period starts.
    void noteFailure(const QDeadlineTimer &deadline);

    PulseConnection m_connection;
    int m_callLimitMs;
    int m_quietMs;
    QDeadlineTimer m_quietUntil;
};

#endif // PULSEAUDIOSOUNDCONTROL_H
