#include "platform/sounddevices/sounddevicelist.h"

#include "platform/sounddevices/pulseconnection.h"

#include <alsa/asoundlib.h>
#include <pulse/pulseaudio.h>

namespace {
struct PulseQuery
{
    SoundDeviceList::Pulse devices;
    QString defaultSink;
    QString defaultSource;
};

SoundDevice pulseDevice(const char *name, const char *description)
{
    SoundDevice device;
    device.id = QString::fromUtf8(name);
    device.name = description && *description ? QString::fromUtf8(description) : device.id;
    return device;
}

void pulseServerInfo(pa_context *, const pa_server_info *info, void *userdata)
{
    auto *query = static_cast<PulseQuery *>(userdata);
    if (info && info->default_sink_name)
        query->defaultSink = QString::fromUtf8(info->default_sink_name);
    if (info && info->default_source_name)
        query->defaultSource = QString::fromUtf8(info->default_source_name);
}

void pulseSinkInfo(pa_context *, const pa_sink_info *info, int eol, void *userdata)
{
    if (eol == 0 && info && info->name)
        static_cast<PulseQuery *>(userdata)->devices.sinks.append(pulseDevice(info->name, info->description));
}

void pulseSourceInfo(pa_context *, const pa_source_info *info, int eol, void *userdata)
{
    if (eol != 0 || !info || !info->name)
        return;
    SoundDevice device = pulseDevice(info->name, info->description);
    device.isMonitor = info->monitor_of_sink != PA_INVALID_INDEX;
    static_cast<PulseQuery *>(userdata)->devices.sources.append(device);
}

void putDefaultFirst(QList<SoundDevice> &devices, const QString &defaultId)
{
    for (int i = 0; i < devices.size(); ++i) {
        if (devices.at(i).id == defaultId) {
            devices[i].isDefault = true;
            devices.move(i, 0);
            return;
        }
    }
}
} // namespace

bool SoundDeviceList::pulse(int limitMs, Pulse *devices)
{
    *devices = Pulse();
    const QDeadlineTimer deadline(limitMs);
    PulseConnection connection;
    if (!connection.connect(deadline))
        return false;
    PulseQuery query;
    pa_context *context = connection.context();
    if (!connection.wait(pa_context_get_server_info(context, &pulseServerInfo, &query), deadline)
        || !connection.wait(pa_context_get_sink_info_list(context, &pulseSinkInfo, &query), deadline)
        || !connection.wait(pa_context_get_source_info_list(context, &pulseSourceInfo, &query), deadline))
        return false;
    putDefaultFirst(query.devices.sinks, query.defaultSink);
    putDefaultFirst(query.devices.sources, query.defaultSource);
    *devices = query.devices;
    return true;
}

QList<SoundDevice> SoundDeviceList::alsa(bool capture)
{
    QList<SoundDevice> result;
    void **hints = nullptr;
    if (snd_device_name_hint(-1, "pcm", &hints) < 0 || !hints)
        return result;
    const char *wantedDirection = capture ? "Input" : "Output";
    for (void **hint = hints; *hint; ++hint) {
        char *name = snd_device_name_get_hint(*hint, "NAME");
        char *description = snd_device_name_get_hint(*hint, "DESC");
        char *direction = snd_device_name_get_hint(*hint, "IOID");
        const QString id = QString::fromUtf8(name ? name : "");
        const QString text = QString::fromUtf8(description ? description : "").section(QLatin1Char('\n'), 0, 0);
        // The default, and one entry per card and device (the plug layer converts whatever format is asked).
        const bool matches = !direction || qstrcmp(direction, wantedDirection) == 0;
        const bool wanted = id == QLatin1String("default") || id.startsWith(QLatin1String("plughw:"));
        if (matches && wanted) {
            SoundDevice device;
            device.id = id;
            device.name = text.isEmpty() ? id : text;
            device.isDefault = id == QLatin1String("default");
            if (device.isDefault)
                result.prepend(device);
            else
                result.append(device);
        }
        free(name);
        free(description);
        free(direction);
    }
    snd_device_name_free_hint(hints);
    return result;
}
