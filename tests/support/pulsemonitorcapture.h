#ifndef PULSEMONITORCAPTURE_H
#define PULSEMONITORCAPTURE_H

#include <QString>

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

struct pa_stream;
struct pa_threaded_mainloop;
struct pa_context;

// Listens to a PulseAudio sink through its monitor and tells when each beep (a loud stretch after a quiet one) is
// played by the sink: the moment a listener hears it, the sound server's own latency and the capture's taken out
// (the server's timing says how long before or after its playing each recorded sample was read). Times are
// milliseconds of the monotonic clock (CLOCK_MONOTONIC), as AvSyncMeter's.
class PulseMonitorCapture
{
public:
    // From PULSE_SERVER's server (PulseAudioServer::useEnvironment), the monitor of the given sink.
    explicit PulseMonitorCapture(const QString &sinkName, int minimumGapMs = 1000);
    ~PulseMonitorCapture();

    // False when the server or its sink is not there.
    bool start(int timeoutMs = 5000);
    void stop();

    std::vector<int64_t> beeps() const;
    // Sound read so far, in milliseconds.
    int64_t capturedMs() const;

    PulseMonitorCapture(const PulseMonitorCapture &) = delete;
    PulseMonitorCapture &operator=(const PulseMonitorCapture &) = delete;

private:
    static void readCallback(pa_stream *stream, size_t bytes, void *userData);
    void read(pa_stream *stream);

    const QString m_sinkName;
    const int64_t m_minimumGapMs;
    pa_threaded_mainloop *m_loop = nullptr;
    pa_context *m_context = nullptr;
    pa_stream *m_stream = nullptr;
    // On the loop's thread.
    bool m_loud = false;
    int m_unitCount = 0;
    double m_unitSum = 0;
    int64_t m_unitStartUs = 0;
    int64_t m_samples = 0; // under m_mutex
    mutable std::mutex m_mutex;
    std::vector<int64_t> m_beeps;
};

#endif // PULSEMONITORCAPTURE_H
