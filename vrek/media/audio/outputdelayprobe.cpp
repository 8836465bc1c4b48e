#include "vrek/media/audio/outputdelayprobe.h"

#include "platform/sounddevices/pulseconnection.h"

#include <pulse/pulseaudio.h>

#include <QByteArray>
#include <QDebug>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <deque>
#include <vector>

namespace {
constexpr int askEveryMs = 500;
// A server that does not answer is asked again only after a while.
constexpr int retryAfterMs = 5000;
constexpr int answerLimitMs = 1000;
constexpr size_t keptAnswers = 5;

struct StreamQuery
{
    QByteArray pid;
    uint32_t rate;
    uint8_t channels;
    int64_t delayUs = -1;
};

void sinkInputInfo(pa_context *, const pa_sink_input_info *info, int eol, void *userData)
{
    auto *query = static_cast<StreamQuery *>(userData);
    if (eol || !info || query->delayUs >= 0)
        return;
    const char *pid = pa_proplist_gets(info->proplist, PA_PROP_APPLICATION_PROCESS_ID);
    if (!pid || query->pid != pid || info->sample_spec.rate != query->rate
        || info->sample_spec.channels != query->channels)
        return;
    query->delayUs = int64_t(info->buffer_usec) + int64_t(info->sink_usec);
}
} // namespace

OutputDelayProbe::~OutputDelayProbe()
{
    stop();
}

int64_t OutputDelayProbe::steadyNowUs()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

bool OutputDelayProbe::playedFrame(int64_t nowUs, int64_t *frame) const
{
    const int64_t atZero = m_playedAtZero.load();
    if (atZero == INT64_MIN || m_sampleRate <= 0)
        return false;
    *frame = atZero + nowUs * m_sampleRate / 1000000;
    return true;
}

bool OutputDelayProbe::start(
    const char *sdlDriver, int sampleRate, int channels, std::function<int64_t()> handedFrames)
{
    stop();
    // SDL's own drivers for a sound server; behind ALSA there may be one as well, but SDL then says what it holds.
    if (!sdlDriver || (std::strcmp(sdlDriver, "pulseaudio") != 0 && std::strcmp(sdlDriver, "pipewire") != 0))
        return false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = false;
    }
    m_sampleRate = sampleRate;
    m_thread = std::thread(
        [this, sampleRate, channels, handedFrames] { run(sampleRate, channels, handedFrames); });
    return true;
}

void OutputDelayProbe::stop()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

namespace {
int64_t median(const std::deque<int64_t> &values)
{
    std::vector<int64_t> sorted(values.begin(), values.end());
    std::nth_element(sorted.begin(), sorted.begin() + long(sorted.size() / 2), sorted.end());
    return sorted[sorted.size() / 2];
}
} // namespace

void OutputDelayProbe::run(int sampleRate, int channels, const std::function<int64_t()> &handedFrames)
{
    PulseConnection connection;
    std::deque<int64_t> answers;
    std::deque<int64_t> playedAtZero;
    bool reported = false;
    int waitMs = 0;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait_for(lock, std::chrono::milliseconds(waitMs), [this] { return m_stop; });
            if (m_stop)
                break;
        }
        waitMs = askEveryMs;
        const QDeadlineTimer deadline(answerLimitMs);
        if (!connection.connect(deadline)) {
            waitMs = retryAfterMs;
            continue;
        }
        StreamQuery query { QByteArray::number(qint64(::getpid())), uint32_t(sampleRate), uint8_t(channels) };
        // The answer stands for a moment between the question and the reply: the middle of the two.
        const int64_t askedUs = steadyNowUs();
        const int64_t handedBefore = handedFrames();
        if (!connection.wait(pa_context_get_sink_input_info_list(connection.context(), &sinkInputInfo, &query),
                deadline)) {
            waitMs = retryAfterMs;
            continue;
        }
        if (query.delayUs < 0)
            continue; // not playing yet
        const int64_t answeredUs = steadyNowUs();
        const int64_t handed = (handedBefore + handedFrames()) / 2;
        const int64_t atUs = (askedUs + answeredUs) / 2;
        answers.push_back(query.delayUs);
        playedAtZero.push_back(
            handed - query.delayUs * sampleRate / 1000000 - atUs * sampleRate / 1000000);
        if (answers.size() > keptAnswers) {
            answers.pop_front();
            playedAtZero.pop_front();
        }
        // Where SDL is in its cycle when asked moves what is held by a burst: the median of a few.
        m_delayUs.store(median(answers));
        m_playedAtZero.store(median(playedAtZero));
        if (!reported) {
            qInfo() << "the sound server holds" << query.delayUs / 1000 << "ms of the output";
            reported = true;
        }
    }
}
