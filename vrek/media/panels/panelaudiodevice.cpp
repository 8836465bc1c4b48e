#include "vrek/media/panels/panelaudiodevice.h"

#include "platform/soundcontrol/soundcontrol.h"

#include <QPushButton>
#include <QSlider>

PanelAudioDevice::PanelAudioDevice(Kind kind, SoundControl *sound, QPushButton *button, QSlider *slider)
    : m_kind(kind)
    , m_sound(sound)
    , m_button(button)
    , m_slider(slider)
{ }

bool PanelAudioDevice::set(int value)
{
    return m_kind == Microphone ? m_sound->setMicrophone(value) : m_sound->setSpeaker(value);
}

bool PanelAudioDevice::setMuted(bool muted)
{
    return set(muted ? SoundControl::Mute : SoundControl::Unmute);
}

int PanelAudioDevice::volume(bool &ok)
{
    return m_kind == Microphone ? m_sound->getMicrophoneVolume(ok) : m_sound->getSpeakerVolume(ok);
}

QString PanelAudioDevice::offText() const
{
    return m_kind == Microphone ? QStringLiteral("当前麦克风关闭") : QStringLiteral("当前扬声器关闭");
}

QString PanelAudioDevice::failureText() const
{
    return m_kind == Microphone ? QStringLiteral("麦克风设备异常") : QStringLiteral("扬声器设备异常");
}

bool PanelAudioDevice::setUp()
{
    bool ok = false;
    const bool muted = m_kind == Microphone ? m_sound->getMicrophoneMute(ok) : m_sound->getSpeakerMute(ok);
    if (!ok)
        return false;
    if (muted)
        setMuted(false);
    set(startVolume);
    m_slider->setValue(startVolume);
    m_button->setChecked(false);
    return true;
}

bool PanelAudioDevice::setUp(bool &on, int &volume)
{
    if (!setUp())
        return false;
    // The panel knows the volume it set: a later unmute by the button needs it.
    volume = startVolume;
    on = true;
    return true;
}

PanelAudioDevice::Tip PanelAudioDevice::volumeChanged(int volume)
{
    setMuted(false);
    set(volume);
    if (volume == 0) {
        m_button->setChecked(true);
        setMuted(true);
        return { QStringLiteral("当前已静音"), warningTipSeconds };
    }
    m_button->setChecked(false);
    if (volume >= lowVolume)
        return { QStringLiteral("音量正常"), normalTipSeconds };
    return { QStringLiteral("音量过小，可能影响通话质量"), warningTipSeconds };
}

PanelAudioDevice::Tip PanelAudioDevice::buttonClicked(bool &on, int volume)
{
    if (on || volume == 0) {
        on = false;
        m_button->setChecked(true);
        setMuted(true);
        return { QStringLiteral("当前已静音"), warningTipSeconds };
    }
    on = true;
    m_button->setChecked(false);
    setMuted(false);
    bool ok = false;
    const int now = this->volume(ok);
    if (!ok)
        return { failureText(), warningTipSeconds };
    if (now < lowVolume)
        return { QStringLiteral("音量过小，可能影响通话质量"), warningTipSeconds };
    return { QStringLiteral("当前非静音"), normalTipSeconds };
}
