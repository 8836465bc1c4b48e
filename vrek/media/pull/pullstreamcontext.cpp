#include "vrek/media/pull/pullstreamcontext.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/mem.h>
}

#include <QDeadlineTimer>
#include <QDebug>
#include <QMutexLocker>

#include <algorithm>
#include <chrono>
#include <cstdlib>

PullStreamContext::PullStreamContext() = default;

PullStreamContext::~PullStreamContext()
{
    // The engine frees the input before it lets go of the context; this only covers an engine torn down
    // half-way, when no stage runs any more.
    requestInterrupt();
    freeAVFormatContext();
}

void PullStreamContext::freePackets(std::deque<AVPacket *> &queue)
{
    for (AVPacket *packet : queue)
        av_packet_free(&packet);
    queue.clear();
}

int64_t PullStreamContext::nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count() + 1;
}

void PullStreamContext::pushAudioPacket(AVPacket *packet)
{
    QMutexLocker lock(&m_audioQueueMutex);
    m_audioQueue.push_back(packet);
    m_audioQueued.wakeAll();
}

bool PullStreamContext::pushVideoPacket(AVPacket *packet)
{
    QMutexLocker lock(&m_videoQueueMutex);
    if (m_videoNeedsKeyframe) {
        if (!(packet->flags & AV_PKT_FLAG_KEY)) {
            av_packet_free(&packet);
            return false;
        }
        m_videoNeedsKeyframe = false;
    }
    m_videoQueue.push_back(packet);
    m_videoQueued.wakeAll();
    return true;
}

bool PullStreamContext::takeAudioPacket(AVPacket **packet)
{
    QMutexLocker lock(&m_audioQueueMutex);
    if (m_audioQueue.empty())
        return false;
    *packet = m_audioQueue.front();
    m_audioQueue.pop_front();
    return true;
}

bool PullStreamContext::takeVideoPacket(AVPacket **packet)
{
    QMutexLocker lock(&m_videoQueueMutex);
    if (m_videoQueue.empty())
        return false;
    *packet = m_videoQueue.front();
    m_videoQueue.pop_front();
    return true;
}

namespace {
// The running flag is read under the queue's lock, and whoever clears it takes that lock to wake the waiter:
// a stop can never fall between the test and the wait.
bool waitPacket(QMutex &mutex, QWaitCondition &queued, std::deque<AVPacket *> &queue, AVPacket **packet,
    const std::atomic<bool> &running)
{
    QMutexLocker lock(&mutex);
    for (;;) {
        if (!running.load())
            return false;
        if (!queue.empty())
            break;
        queued.wait(&mutex);
    }
    *packet = queue.front();
    queue.pop_front();
    return true;
}
} // namespace

bool PullStreamContext::waitAudioPacket(AVPacket **packet, const std::atomic<bool> &running)
{
    return waitPacket(m_audioQueueMutex, m_audioQueued, m_audioQueue, packet, running);
}

bool PullStreamContext::waitVideoPacket(AVPacket **packet, const std::atomic<bool> &running)
{
    return waitPacket(m_videoQueueMutex, m_videoQueued, m_videoQueue, packet, running);
}

void PullStreamContext::wakeAudioStage()
{
    QMutexLocker lock(&m_audioQueueMutex);
    m_audioQueued.wakeAll();
}

void PullStreamContext::wakeVideoStage()
{
    QMutexLocker lock(&m_videoQueueMutex);
    m_videoQueued.wakeAll();
}

void PullStreamContext::setAudioClock(int64_t us)
{
    m_audioClock.store(us);
    // Only a pausing video stage needs to hear of it. It raises its flag and reads the clock under the lock
    // taken here: either it sees this clock, or this sees the flag and wakes it.
    if (m_videoPausing.load()) {
        QMutexLocker lock(&m_videoQueueMutex);
        m_videoQueued.wakeAll();
    }
}

void PullStreamContext::setHeardAudioClock(int64_t us)
{
    if (m_heardAudioClock.exchange(us) == us)
        return;
    if (m_videoPausing.load()) {
        QMutexLocker lock(&m_videoQueueMutex);
        m_videoQueued.wakeAll();
    }
}

int64_t PullStreamContext::getPlayingAudioClock() const
{
    const int64_t heard = m_heardAudioClock.load();
    return heard != noClock ? heard : m_audioClock.load();
}

void PullStreamContext::pauseVideoStage(int ms, int64_t seen, const std::atomic<bool> &running)
{
    QDeadlineTimer deadline(ms);
    QMutexLocker lock(&m_videoQueueMutex);
    m_videoPausing.store(true);
    // Queued pictures wake it too; it sleeps on until the sound moves, the pause is over or the stage stops.
    while (running.load() && getPlayingAudioClock() == seen && !deadline.hasExpired())
        m_videoQueued.wait(&m_videoQueueMutex, deadline);
    m_videoPausing.store(false);
}

int PullStreamContext::audioPacketQueueSize() const
{
    QMutexLocker lock(&m_audioQueueMutex);
    return static_cast<int>(m_audioQueue.size());
}

int PullStreamContext::videoPacketQueueSize() const
{
    QMutexLocker lock(&m_videoQueueMutex);
    return static_cast<int>(m_videoQueue.size());
}

int64_t PullStreamContext::spanUs(const std::deque<AVPacket *> &queue)
{
    if (queue.empty())
        return 0;
    const AVPacket *front = queue.front();
    const AVPacket *back = queue.back();
    // A publisher that restarted may step its clock back: the queue still holds the time between the two.
    return std::llabs(back->pts - front->pts) + std::max<int64_t>(back->duration, 0);
}

int64_t PullStreamContext::audioPacketQueueSpanUs() const
{
    QMutexLocker lock(&m_audioQueueMutex);
    return spanUs(m_audioQueue);
}

int64_t PullStreamContext::videoPacketQueueSpanUs() const
{
    QMutexLocker lock(&m_videoQueueMutex);
    return spanUs(m_videoQueue);
}

void PullStreamContext::clearAudioPacketQueue()
{
    QMutexLocker lock(&m_audioQueueMutex);
    freePackets(m_audioQueue);
}

void PullStreamContext::clearVideoPacketQueue()
{
    QMutexLocker lock(&m_videoQueueMutex);
    freePackets(m_videoQueue);
    m_videoNeedsKeyframe = true;
}

void PullStreamContext::setFormatContext(AVFormatContext *context)
{
    QMutexLocker lock(&m_formatMutex);
    m_formatContext = context;
}

namespace {
constexpr int readerBufferSize = 32768;
}

int PullStreamContext::readLink(void *opaque, uint8_t *buffer, int size)
{
    auto *context = static_cast<PullStreamContext *>(opaque);
    AVIOContext *link = context->m_link.load();
    if (!link)
        return AVERROR_EOF;
    const int got = avio_read_partial(link, buffer, size);
    if (got > 0) {
        context->restartWatchdog();
        return got;
    }
    return got == 0 ? AVERROR_EOF : got;
}

void PullStreamContext::closeInput(AVFormatContext **input, AVIOContext **reader, AVIOContext **link)
{
    // The demuxer reads through a reader of our own, which it leaves alone: closed here, after it.
    if (*input)
        avformat_close_input(input);
    if (*reader) {
        av_freep(&(*reader)->buffer);
        avio_context_free(reader);
    }
    if (*link)
        avio_closep(link);
}

PullStreamContext::OpenResult PullStreamContext::openInput(const QString &url, int *ffmpegError)
{
    if (ffmpegError)
        *ffmpegError = 0;
    m_interrupt.store(false);
    m_runId.fetch_add(1);
    {
        QMutexLocker lock(&m_videoQueueMutex);
        m_videoNeedsKeyframe = true;
    }
    {
        QMutexLocker lock(&m_formatMutex);
        AVIOContext *link = m_link.exchange(nullptr);
        closeInput(&m_formatContext, &m_reader, &link);
    }
    // FFmpeg's own RTMP handler does not read librtmp's option tail; it would only warn about it.
    const QString address = url.trimmed().section(QLatin1Char(' '), 0, 0);
    const QByteArray addressBytes = address.toUtf8();

    AVFormatContext *input = avformat_alloc_context();
    if (!input)
        return OpenAllocFailed;
    input->interrupt_callback.callback = &PullStreamContext::interruptCallback;
    input->interrupt_callback.opaque = this;
    input->flags |= AVFMT_FLAG_NONBLOCK | AVFMT_FLAG_IGNDTS;

    AVDictionary *options = nullptr;
    if (av_dict_set(&options, "analyzeduration", "1000", 0) < 0) {
        avformat_free_context(input);
        return OpenAnalyzeOptionFailed;
    }
    if (av_dict_set(&options, "seekable", "0", 0) < 0) {
        av_dict_free(&options);
        avformat_free_context(input);
        return OpenSeekableOptionFailed;
    }
    // Never "timeout": on an RTMP input it turns the handler into a listening server. This limit holds for
    // each wait of the connection for its next bytes, from the handshake on.
    const int64_t rwTimeoutUs = int64_t(qMax(m_connectLimitMs.load(), m_readLimitMs.load())) * 1000;
    av_dict_set_int(&options, "rw_timeout", rwTimeoutUs, 0);
    // The connection's small commands and answers go out at once instead of waiting for the peer's delayed
    // acknowledgement: a few hundred milliseconds less to the first picture.
    av_dict_set(&options, "tcp_nodelay", "1", 0);

    setConnected(false);
    m_watchPhase.store(WatchSetup);
    restartWatchdog();
    // The connection is opened apart from the demuxer, so that the demuxer reads it through a reader that sees
    // every chunk arrive: on a slow link the open takes many round trips, each of them progress.
    AVIOContext *link = nullptr;
    int result = avio_open2(&link, addressBytes.constData(), AVIO_FLAG_READ, &input->interrupt_callback, &options);
    if (result < 0) {
        av_dict_free(&options);
        avformat_free_context(input);
        if (ffmpegError)
            *ffmpegError = result;
        return OpenInputFailed;
    }
    auto *buffer = static_cast<unsigned char *>(av_malloc(readerBufferSize));
    AVIOContext *reader = buffer
        ? avio_alloc_context(buffer, readerBufferSize, 0, this, &PullStreamContext::readLink, nullptr, nullptr)
        : nullptr;
    if (!reader) {
        av_free(buffer);
        av_dict_free(&options);
        avformat_free_context(input);
        avio_closep(&link);
        return OpenAllocFailed;
    }
    reader->seekable = 0;
    input->pb = reader;
    input->flags |= AVFMT_FLAG_CUSTOM_IO;
    m_link.store(link);
    m_watchPhase.store(WatchOpening);
    restartWatchdog();

    result = avformat_open_input(&input, addressBytes.constData(), nullptr, &options);
    av_dict_free(&options);
    if (result < 0) {
        if (ffmpegError)
            *ffmpegError = result;
        AVIOContext *opened = m_link.exchange(nullptr);
        AVFormatContext *none = nullptr; // avformat_open_input has freed the context
        closeInput(&none, &reader, &opened);
        return OpenInputFailed;
    }
    auto fail = [&](OpenResult why) {
        AVIOContext *opened = m_link.exchange(nullptr);
        closeInput(&input, &reader, &opened);
        return why;
    };
    result = avformat_find_stream_info(input, nullptr);
    if (result < 0) {
        if (ffmpegError)
            *ffmpegError = result;
        return fail(OpenStreamInfoFailed);
    }
    if (input->nb_streams == 0)
        return fail(OpenNoStreams);
    setConnected(true);
    m_watchPhase.store(WatchReading);
    restartWatchdog();
    QMutexLocker lock(&m_formatMutex);
    m_formatContext = input;
    m_reader = reader;
    return OpenOk;
}

bool PullStreamContext::freeAVFormatContext()
{
    QMutexLocker lock(&m_formatMutex);
    const bool hadInput = m_formatContext != nullptr;
    AVIOContext *link = m_link.exchange(nullptr);
    closeInput(&m_formatContext, &m_reader, &link);
    clearAudioPacketQueue();
    clearVideoPacketQueue();
    m_audioClock.store(noClock);
    m_heardAudioClock.store(noClock);
    m_videoClock.store(noClock);
    m_audioStreamIndex.store(-1);
    m_videoStreamIndex.store(-1);
    m_awaitedStreams.store(0);
    m_connected.store(false);
    m_watchPhase.store(WatchSetup);
    return hadInput;
}

void PullStreamContext::setConnected(bool connected)
{
    m_connected.store(connected);
}

void PullStreamContext::restartWatchdog()
{
    m_watchdogStartMs.store(nowMs());
}

void PullStreamContext::setWatchdogLimits(int connectMs, int readMs)
{
    m_connectLimitMs.store(connectMs);
    m_readLimitMs.store(readMs);
}

int PullStreamContext::interruptCallback(void *opaque)
{
    auto *context = static_cast<PullStreamContext *>(opaque);
    if (!context) {
        qWarning() << "the interrupt callback has no context, abort";
        return 1;
    }
    return context->interruptTest() ? 1 : 0;
}

bool PullStreamContext::interruptTest() const
{
    if (m_interrupt.load() || m_cancelled.load())
        return true;
    const int64_t start = m_watchdogStartMs.load();
    if (start == 0 || m_watchPhase.load() == WatchSetup)
        return false;
    const int limit = m_connected.load() ? m_readLimitMs.load() : m_connectLimitMs.load();
    return nowMs() - start > limit;
}
