#include "platform/soundcontrol/pulseaudiosoundcontrol.h"

#include <QDebug>

#include <pulse/pulseaudio.h>

#include <cmath>

struct PulseDeviceState
{
    bool found = false;
    QByteArray name;
    pa_cvolume volume {};
    bool muted = false;
    bool isMonitor = false;
};

namespace {
const char *const defaultSink = "@DEFAULT_SINK@";
const char *const defaultSource = "@DEFAULT_SOURCE@";

template<typename Info>
void keepDevice(const Info *info, int eol, void *userdata, bool isMonitor)
{
    if (eol != 0 || !info)
        return;
    auto *state = static_cast<PulseDeviceState *>(userdata);
    state->found = true;
    state->name = info->name;
    state->volume = info->volume;
    state->muted = info->mute != 0;
    state->isMonitor = isMonitor;
}

void sinkInfo(pa_context *, const pa_sink_info *info, int eol, void *userdata)
{
    keepDevice(info, eol, userdata, false);
}

void sourceInfo(pa_context *, const pa_source_info *info, int eol, void *userdata)
{
    keepDevice(info, eol, userdata, info && info->monitor_of_sink != PA_INVALID_INDEX);
}

void keepSuccess(pa_context *, int success, void *userdata)
{
    *static_cast<bool *>(userdata) = success != 0;
}

int percentOf(pa_volume_t volume)
{
    const double percent = std::round(double(volume) * 100.0 / PA_VOLUME_NORM);
    return int(qBound(0.0, percent, 100.0));
}

pa_volume_t volumeOf(int percent)
{
    return pa_volume_t(std::lround(double(percent) * PA_VOLUME_NORM / 100.0));
}
} // namespace

PulseAudioSoundControl::PulseAudioSoundControl(int callLimitMs, int quietMs)
    : m_callLimitMs(callLimitMs)
    , m_quietMs(quietMs)
    , m_quietUntil(0)
{ }

PulseAudioSoundControl::~PulseAudioSoundControl() = default;

bool PulseAudioSoundControl::connected(const QDeadlineTimer &deadline)
{
    if (!m_quietUntil.hasExpired())
        return false;
    if (m_connection.connect(deadline))
        return true;
    noteFailure(deadline);
    return false;
}

void PulseAudioSoundControl::noteFailure(const QDeadlineTimer &deadline)
{
    if (deadline.hasExpired()) {
        qWarning() << "the sound server did not answer within" << m_callLimitMs << "ms";
        m_quietUntil.setRemainingTime(m_quietMs);
    }
}

bool PulseAudioSoundControl::readDevice(Endpoint endpoint, const QDeadlineTimer &deadline, PulseDeviceState *state)
{
    if (!connected(deadline))
        return false;
    pa_context *context = m_connection.context();
    pa_operation *operation = endpoint == Speaker
        ? pa_context_get_sink_info_by_name(context, defaultSink, &sinkInfo, state)
        : pa_context_get_source_info_by_name(context, defaultSource, &sourceInfo, state);
    if (!m_connection.wait(operation, deadline)) {
        noteFailure(deadline);
        return false;
    }
    // What a monitor records is the speakers, not the user.
    return state->found && !state->isMonitor;
}

int PulseAudioSoundControl::volume(Endpoint endpoint, bool &ok)
{
    PulseDeviceState state;
    ok = readDevice(endpoint, QDeadlineTimer(m_callLimitMs), &state);
    return ok ? percentOf(pa_cvolume_max(&state.volume)) : 0;
}

bool PulseAudioSoundControl::isMuted(Endpoint endpoint, bool &ok)
{
    PulseDeviceState state;
    ok = readDevice(endpoint, QDeadlineTimer(m_callLimitMs), &state);
    return ok && state.muted;
}

bool PulseAudioSoundControl::apply(Endpoint endpoint, int value)
{
    const QDeadlineTimer deadline(m_callLimitMs);
    PulseDeviceState state;
    if (!readDevice(endpoint, deadline, &state))
        return false;
    pa_context *context = m_connection.context();
    const char *name = state.name.constData();
    bool success = false;
    pa_operation *operation = nullptr;
    if (value == Mute || value == Unmute) {
        const int mute = value == Mute ? 1 : 0;
        operation = endpoint == Speaker
            ? pa_context_set_sink_mute_by_name(context, name, mute, &keepSuccess, &success)
            : pa_context_set_source_mute_by_name(context, name, mute, &keepSuccess, &success);
    } else {
        pa_cvolume volume = state.volume;
        if (!pa_cvolume_valid(&volume) || !pa_cvolume_scale(&volume, volumeOf(value)))
            return false;
        operation = endpoint == Speaker
            ? pa_context_set_sink_volume_by_name(context, name, &volume, &keepSuccess, &success)
            : pa_context_set_source_volume_by_name(context, name, &volume, &keepSuccess, &success);
    }
    if (!m_connection.wait(operation, deadline)) {
        noteFailure(deadline);
        return false;
    }
    return success;
}
