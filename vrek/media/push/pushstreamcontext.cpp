#include "vrek/media/push/pushstreamcontext.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <QDebug>
#include <QMutexLocker>

#include <chrono>

PushStreamContext::PushStreamContext() = default;

PushStreamContext::~PushStreamContext()
{
    // Only an engine torn down half-way leaves an output open.
    setClosing();
    freeAVFormatContext();
}

int64_t PushStreamContext::nowUs()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count() + 1;
}

void PushStreamContext::setAVFormatContext(AVFormatContext *context)
{
    QMutexLocker lock(&m_mutex);
    qInfo() << "avFormatContext:" << static_cast<void *>(context);
    m_avFormatContext = context;
    m_closing.store(false);
    m_awaitAudio.store(false);
    m_audioStartUs.store(noAudioStart);
    m_epochUs.store(nowUs() - timelineLeadUs);
}

AVFormatContext *PushStreamContext::getAVFormatContext() const
{
    return m_avFormatContext;
}

bool PushStreamContext::freeAVFormatContext()
{
    QMutexLocker lock(&m_mutex);
    if (!m_avFormatContext)
        return false;
    qInfo() << "avFormatContext:" << static_cast<void *>(m_avFormatContext);
    // The peer may no longer answer: closing an RTMP output still talks to it.
    armDeadline(m_closeLimitMs.load());
    if (!(m_avFormatContext->oformat->flags & AVFMT_NOFILE))
        avio_closep(&m_avFormatContext->pb);
    armDeadline(0);
    avformat_free_context(m_avFormatContext);
    m_avFormatContext = nullptr;
    return true;
}

int PushStreamContext::writePacket(AVPacket *packet, int streamIndex, const AVRational &timeBase)
{
    QMutexLocker lock(&m_mutex);
    if (!m_avFormatContext) {
        av_packet_unref(packet);
        return noOutput;
    }
    if (streamIndex < 0 || streamIndex >= int(m_avFormatContext->nb_streams)) {
        av_packet_unref(packet);
        return AVERROR(EINVAL);
    }
    packet->stream_index = streamIndex;
    av_packet_rescale_ts(packet, timeBase, m_avFormatContext->streams[streamIndex]->time_base);
    packet->pos = -1;
    armDeadline(m_closing.load() ? m_closeLimitMs.load() : m_writeLimitMs.load());
    const int result = av_interleaved_write_frame(m_avFormatContext, packet);
    armDeadline(0);
    return result;
}

int64_t PushStreamContext::timelineUs() const
{
    const int64_t epoch = m_epochUs.load();
    return epoch == 0 ? 0 : nowUs() - epoch;
}

void PushStreamContext::setLimits(int connectMs, int writeMs, int closeMs)
{
    m_connectLimitMs.store(connectMs > 0 ? connectMs : connectLimitMs);
    m_writeLimitMs.store(writeMs > 0 ? writeMs : writeLimitMs);
    m_closeLimitMs.store(closeMs > 0 ? closeMs : closeLimitMs);
}

void PushStreamContext::armDeadline(int ms)
{
    m_deadlineUs.store(ms > 0 ? nowUs() + int64_t(ms) * 1000 : 0);
}

void PushStreamContext::setClosing()
{
    m_closing.store(true);
    // A call blocked right now gets no more than the close limit either.
    const int64_t closeBy = nowUs() + int64_t(m_closeLimitMs.load()) * 1000;
    int64_t current = m_deadlineUs.load();
    while (current != 0 && current > closeBy && !m_deadlineUs.compare_exchange_weak(current, closeBy)) { }
}

int PushStreamContext::interruptCallback(void *opaque)
{
    const auto *context = static_cast<const PushStreamContext *>(opaque);
    return !context || context->interruptTest() ? 1 : 0;
}

bool PushStreamContext::interruptTest() const
{
    const int64_t deadline = m_deadlineUs.load();
    return deadline != 0 && nowUs() > deadline;
}
