#include "tests/support/pulsemonitorcapture.h"

#include <pulse/pulseaudio.h>

#include <QDeadlineTimer>
#include <QThread>

#include <cmath>
#include <cstring>
#include <ctime>

namespace {
constexpr int sampleRate = 32000;
// Judged 5 ms at a time; the beeps of the rig's publishers are some 2900 RMS after the mix, silence 0.
constexpr int unitSamples = sampleRate / 200;
constexpr double loudRms = 500;

int64_t monotonicUs()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}
} // namespace

PulseMonitorCapture::PulseMonitorCapture(const QString &sinkName, int minimumGapMs)
    : m_sinkName(sinkName)
    , m_minimumGapMs(minimumGapMs)
{ }

PulseMonitorCapture::~PulseMonitorCapture()
{
    stop();
}

bool PulseMonitorCapture::start(int timeoutMs)
{
    stop();
    m_loop = pa_threaded_mainloop_new();
    if (!m_loop)
        return false;
    m_context = pa_context_new(pa_threaded_mainloop_get_api(m_loop), "monitor capture");
    if (!m_context || pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0
        || pa_threaded_mainloop_start(m_loop) < 0) {
        stop();
        return false;
    }
    QDeadlineTimer deadline(timeoutMs);
    auto waitFor = [&](auto ready) {
        for (;;) {
            pa_threaded_mainloop_lock(m_loop);
            const int state = ready();
            pa_threaded_mainloop_unlock(m_loop);
            if (state != 0)
                return state > 0;
            if (deadline.hasExpired())
                return false;
            QThread::msleep(5);
        }
    };
    if (!waitFor([this] {
            const pa_context_state_t state = pa_context_get_state(m_context);
            return state == PA_CONTEXT_READY ? 1 : PA_CONTEXT_IS_GOOD(state) ? 0 : -1;
        })) {
        stop();
        return false;
    }
    pa_sample_spec spec { PA_SAMPLE_S16LE, sampleRate, 1 };
    pa_buffer_attr attributes;
    std::memset(&attributes, 0xff, sizeof(attributes));
    attributes.fragsize = unitSamples * 2;
    pa_threaded_mainloop_lock(m_loop);
    m_stream = pa_stream_new(m_context, "monitor", &spec, nullptr);
    bool connected = false;
    if (m_stream) {
        pa_stream_set_read_callback(m_stream, &PulseMonitorCapture::readCallback, this);
        const QByteArray monitor = (m_sinkName + ".monitor").toUtf8();
        connected = pa_stream_connect_record(m_stream, monitor.constData(), &attributes,
                        pa_stream_flags_t(PA_STREAM_ADJUST_LATENCY | PA_STREAM_INTERPOLATE_TIMING
                            | PA_STREAM_AUTO_TIMING_UPDATE))
            == 0;
    }
    pa_threaded_mainloop_unlock(m_loop);
    if (!connected || !waitFor([this] {
            const pa_stream_state_t state = pa_stream_get_state(m_stream);
            return state == PA_STREAM_READY ? 1 : PA_STREAM_IS_GOOD(state) ? 0 : -1;
        })) {
        stop();
        return false;
    }
    return true;
}

void PulseMonitorCapture::stop()
{
    if (m_loop)
        pa_threaded_mainloop_stop(m_loop);
    if (m_stream) {
        pa_stream_disconnect(m_stream);
        pa_stream_unref(m_stream);
        m_stream = nullptr;
    }
    if (m_context) {
        pa_context_disconnect(m_context);
        pa_context_unref(m_context);
        m_context = nullptr;
    }
    if (m_loop) {
        pa_threaded_mainloop_free(m_loop);
        m_loop = nullptr;
    }
}

void PulseMonitorCapture::readCallback(pa_stream *stream, size_t, void *userData)
{
    static_cast<PulseMonitorCapture *>(userData)->read(stream);
}

void PulseMonitorCapture::read(pa_stream *stream)
{
    const void *data = nullptr;
    size_t bytes = 0;
    while (pa_stream_readable_size(stream) > 0) {
        if (pa_stream_peek(stream, &data, &bytes) < 0 || bytes == 0)
            return;
        // The sample at the read position was played latency ago; a monitor reads ahead of the playing, which
        // the server says as a negative latency.
        const int64_t now = monotonicUs();
        pa_usec_t latency = 0;
        int negative = 0;
        int64_t firstPlayedUs = now;
        if (pa_stream_get_latency(stream, &latency, &negative) == 0)
            firstPlayedUs = negative ? now + int64_t(latency) : now - int64_t(latency);
        if (data) {
            // Units run across fragments: the time of a unit is that of its first sample.
            const auto *samples = static_cast<const int16_t *>(data);
            const size_t count = bytes / 2;
            for (size_t i = 0; i < count; ++i) {
                if (m_unitCount == 0)
                    m_unitStartUs = firstPlayedUs + int64_t(i) * 1000000 / sampleRate;
                m_unitSum += double(samples[i]) * samples[i];
                if (++m_unitCount < unitSamples)
                    continue;
                const bool loud = std::sqrt(m_unitSum / unitSamples) > loudRms;
                if (loud && !m_loud) {
                    const int64_t atMs = m_unitStartUs / 1000;
                    std::lock_guard<std::mutex> lock(m_mutex);
                    if (m_beeps.empty() || atMs - m_beeps.back() > m_minimumGapMs)
                        m_beeps.push_back(atMs);
                }
                m_loud = loud;
                m_unitCount = 0;
                m_unitSum = 0;
            }
            std::lock_guard<std::mutex> lock(m_mutex);
            m_samples += int64_t(count);
        }
        pa_stream_drop(stream);
    }
}

std::vector<int64_t> PulseMonitorCapture::beeps() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_beeps;
}

int64_t PulseMonitorCapture::capturedMs() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_samples * 1000 / sampleRate;
}
