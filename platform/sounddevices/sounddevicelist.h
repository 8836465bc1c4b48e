#ifndef SOUNDDEVICELIST_H
#define SOUNDDEVICELIST_H

#include <QList>
#include <QString>

// One sound device as the system names it: the sound server's sink or source, or an ALSA PCM device.
struct SoundDevice
{
    // What the backend opens: the sink or source name, the ALSA device name.
    QString id;
    // What a user reads: the server's description, the first line of the ALSA description; the id when the
    // system gives none.
    QString name;
    // A source that records what a sink plays.
    bool isMonitor = false;
    bool isDefault = false;
};

// The system's sound devices, in the system's order with its default first. The one place that names them, so
// that the device lists, the volume control and the capture all speak of one device by one name.
class SoundDeviceList
{
public:
    struct Pulse
    {
        QList<SoundDevice> sinks;
        QList<SoundDevice> sources; // monitors included and marked
    };

    // The sound server's sinks and sources; false when no server answered within the limit (a frozen server
    // counts as none).
    static bool pulse(int limitMs, Pulse *devices);
    // ALSA's default and one plug device per card and device, for capture or for playback; for a machine
    // without a sound server.
    static QList<SoundDevice> alsa(bool capture);
};

#endif // SOUNDDEVICELIST_H
