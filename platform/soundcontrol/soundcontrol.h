#ifndef SOUNDCONTROL_H
#define SOUNDCONTROL_H

#include <functional>
#include <memory>

// The volume and mute of the system's default speaker and microphone, as the media panels and the device check
// set them. Volumes are 0 to 100 of the device's normal volume. Each user holds one object, on one thread.
// Every call returns within a short bound, also when the sound server hangs: a call that cannot be answered
// fails (ok false, result false) and changes nothing the caller can see.
//
//     std::unique_ptr<SoundControl> sound = SoundControl::create();
//     bool ok = false;
//     if (!sound->getMicrophoneMute(ok) || !ok) ...
//     sound->setMicrophone(SoundControl::Unmute);
//     sound->setMicrophone(60);
class SoundControl
{
public:
    // Values of setSpeaker / setMicrophone besides a volume of 0 to 100.
    enum Command {
        Mute = -1,
        Unmute = -2,
    };
    using Factory = std::function<std::unique_ptr<SoundControl>()>;

    virtual ~SoundControl();

    // The volume, 0 to 100; ok tells whether it could be read (0 when not).
    int getSpeakerVolume(bool &ok) { return volume(Speaker, ok); }
    int getMicrophoneVolume(bool &ok) { return volume(Microphone, ok); }
    // 0 to 100 sets the volume (a muted device stays muted), Mute (-1) mutes, Unmute (-2) unmutes. False when
    // the value is none of these or the device could not be set.
    bool setSpeaker(int value) { return isValidValue(value) && apply(Speaker, value); }
    bool setMicrophone(int value) { return isValidValue(value) && apply(Microphone, value); }
    // Whether the device is muted; ok tells whether that could be read (false is returned when not).
    bool getSpeakerMute(bool &ok) { return isMuted(Speaker, ok); }
    bool getMicrophoneMute(bool &ok) { return isMuted(Microphone, ok); }

    // What the panels and the device check call: the sound server's control (PulseAudioSoundControl) unless
    // a test has installed another maker.
    static std::unique_ptr<SoundControl> create();
    // Tests: the maker create() uses from now on; an empty one brings back the sound server's.
    static void setFactory(Factory factory);

    static bool isValidValue(int value) { return value == Mute || value == Unmute || (value >= 0 && value <= 100); }

protected:
    enum Endpoint {
        Speaker,
        Microphone,
    };
    virtual int volume(Endpoint endpoint, bool &ok) = 0;
    // Only valid values reach a backend.
    virtual bool apply(Endpoint endpoint, int value) = 0;
    virtual bool isMuted(Endpoint endpoint, bool &ok) = 0;
};

// No sound control at all: every read fails and every change is refused, so the panels leave their controls as
// they are.
class NullSoundControl : public SoundControl
{
protected:
    int volume(Endpoint, bool &ok) override;
    bool apply(Endpoint, int) override { return false; }
    bool isMuted(Endpoint, bool &ok) override;
};

#endif // SOUNDCONTROL_H
