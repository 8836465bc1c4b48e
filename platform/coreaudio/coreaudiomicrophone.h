#ifndef COREAUDIOMICROPHONE_H
#define COREAUDIOMICROPHONE_H

// The microphone's boost control, which the push sets to 0 dB while it captures. Linux has no such control
// that a program may rely on (the sound server owns the capture gain), so here it finds nothing, changes
// nothing and reports success, as the control does where the driver names its boost part otherwise.
class CoreAudioMicrophone
{
public:
    CoreAudioMicrophone();
    ~CoreAudioMicrophone();

    // Whether a boost control was found; never here.
    bool hasBoostControl() const { return false; }
    // Sets the boost level (dB) of the first channel when there is a control; always true.
    bool setBoostLevel(float decibels);

    CoreAudioMicrophone(const CoreAudioMicrophone &) = delete;
    CoreAudioMicrophone &operator=(const CoreAudioMicrophone &) = delete;
};

#endif // COREAUDIOMICROPHONE_H
