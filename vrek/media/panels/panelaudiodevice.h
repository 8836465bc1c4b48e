#ifndef PANELAUDIODEVICE_H
#define PANELAUDIODEVICE_H

#include <QString>

class QPushButton;
class QSlider;
class SoundControl;

// One of a media panel's two sound devices, the microphone or the speaker, with its controls: a checkable button
// (checked means muted) and a volume slider. Both media panels treat their devices alike through it.
class PanelAudioDevice
{
public:
    enum Kind {
        Microphone,
        Speaker,
    };
    // What the panel tells the user, and for how many seconds.
    struct Tip
    {
        QString text;
        uint seconds;
    };
    // Tips of a normal state, and warnings, which the tip bar's 32-bit millisecond timer keeps up until the next
    // tip replaces them.
    static constexpr uint normalTipSeconds = 1;
    static constexpr uint warningTipSeconds = 1065320319;
    // The volume both devices get when the panel starts, and below which a device is called too quiet.
    static constexpr int startVolume = 60;
    static constexpr int lowVolume = 20;

    PanelAudioDevice(Kind kind, SoundControl *sound, QPushButton *button, QSlider *slider);

    // Unmutes the device, sets the start volume and shows it on the controls; false, with the device and its
    // controls left as they are, when its state cannot be read.
    bool setUp();
    // The same for a panel that keeps its own belief of the device: on and volume follow a set-up that worked.
    bool setUp(bool &on, int &volume);
    // A new volume from the slider: set on the unmuted device; 0 mutes it again and checks the button.
    Tip volumeChanged(int volume);
    // The button clicked: a device that is on, or has no volume, is muted; otherwise it is unmuted and its
    // volume read back. on is the panel's belief, volume the panel's last volume.
    Tip buttonClicked(bool &on, int volume);
    bool setMuted(bool muted);
    int volume(bool &ok);
    QPushButton *button() const { return m_button; }
    // "当前麦克风关闭" / "当前扬声器关闭", "麦克风设备异常" / "扬声器设备异常".
    QString offText() const;
    QString failureText() const;

private:
    bool set(int value);

    Kind m_kind;
    SoundControl *m_sound;
    QPushButton *m_button;
    QSlider *m_slider;
};

#endif // PANELAUDIODEVICE_H
