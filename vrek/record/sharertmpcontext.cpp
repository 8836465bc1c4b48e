#include "vrek/record/sharertmpcontext.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <QDebug>

#include <chrono>
#include <mutex>

namespace {
// A silent stream may hold the other back this long in the muxer, not FFmpeg's ten seconds.
constexpr int64_t maxInterleaveDeltaUs = 500000;

QString errorText(int error)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof(text));
    return QString::fromUtf8(text);
}
} // namespace

ShareRtmpContext::ShareRtmpContext()
{
    static std::once_flag networkReady;
    std::call_once(networkReady, [] { avformat_network_init(); });
}

ShareRtmpContext::~ShareRtmpContext()
{
    abort();
    close(false);
    avcodec_parameters_free(&m_audioParameters);
    avcodec_parameters_free(&m_videoParameters);
}

int64_t ShareRtmpContext::nowUs()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count() + 1;
}

bool ShareRtmpContext::setAudioCodecContext(const AVCodecContext *context)
{
    avcodec_parameters_free(&m_audioParameters);
    if (!context)
        return false;
    m_audioParameters = avcodec_parameters_alloc();
    if (!m_audioParameters || avcodec_parameters_from_context(m_audioParameters, context) < 0) {
        avcodec_parameters_free(&m_audioParameters);
        return false;
    }
    m_audioTimeBase = context->time_base;
    return true;
}

bool ShareRtmpContext::setVideoCodecContext(const AVCodecContext *context)
{
    avcodec_parameters_free(&m_videoParameters);
    if (!context)
        return false;
    m_videoParameters = avcodec_parameters_alloc();
    if (!m_videoParameters || avcodec_parameters_from_context(m_videoParameters, context) < 0) {
        avcodec_parameters_free(&m_videoParameters);
        return false;
    }
    m_videoTimeBase = context->time_base;
    return true;
}

bool ShareRtmpContext::fail()
{
    close(false);
    return false;
}

bool ShareRtmpContext::writeHeader()
{
    qDebug() << "";
    close(false);
    if (m_aborted.load())
        return false;
    const QByteArray url = m_rtmpUrl.toUtf8();
    if (avformat_alloc_output_context2(&m_outputContext, nullptr, "flv", url.constData()) < 0 || !m_outputContext)
        return fail();
    m_outputContext->interrupt_callback.callback = &ShareRtmpContext::interruptCallback;
    m_outputContext->interrupt_callback.opaque = this;
    m_outputContext->max_interleave_delta = maxInterleaveDeltaUs;
    // Sound is stream 0 and pictures stream 1, as in the recording file.
    const struct
    {
        const AVCodecParameters *parameters;
        AVRational timeBase;
    } streams[] = { { m_audioParameters, m_audioTimeBase }, { m_videoParameters, m_videoTimeBase } };
    for (const auto &wanted : streams) {
        AVStream *stream = wanted.parameters ? avformat_new_stream(m_outputContext, nullptr) : nullptr;
        if (!stream || avcodec_parameters_copy(stream->codecpar, wanted.parameters) < 0)
            return fail();
        stream->codecpar->codec_tag = 0;
        stream->time_base = wanted.timeBase;
    }
    if (!(m_outputContext->oformat->flags & AVFMT_NOFILE)) {
        // A server that accepts and never answers would keep the handshake waiting for ever.
        AVDictionary *options = nullptr;
        av_dict_set_int(&options, "rw_timeout", int64_t(m_writeLimitMs) * 1000, 0);
        armDeadline(m_connectLimitMs);
        const int openResult = avio_open2(
            &m_outputContext->pb, url.constData(), AVIO_FLAG_WRITE, &m_outputContext->interrupt_callback, &options);
        armDeadline(0);
        av_dict_free(&options);
        if (openResult < 0) {
            qWarning() << "can not open the rtmp address:" << m_rtmpUrl << errorText(openResult);
            return fail();
        }
    }
    armDeadline(m_connectLimitMs);
    const int headerResult = avformat_write_header(m_outputContext, nullptr);
    armDeadline(0);
    if (headerResult < 0) {
        qWarning() << "can not write the header rtmp!" << errorText(headerResult);
        return fail();
    }
    return true;
}

void ShareRtmpContext::close(bool withTrailer)
{
    if (!m_outputContext)
        return;
    // The peer may no longer answer: the trailer and the closing still talk to it.
    armDeadline(m_closeLimitMs);
    if (withTrailer && m_outputContext->pb) {
        const int result = av_write_trailer(m_outputContext);
        if (result < 0)
            qWarning() << "the rtmp trailer was not written:" << errorText(result);
    }
    if (!(m_outputContext->oformat->flags & AVFMT_NOFILE))
        avio_closep(&m_outputContext->pb);
    armDeadline(0);
    avformat_free_context(m_outputContext);
    m_outputContext = nullptr;
}

void ShareRtmpContext::abort()
{
    m_aborted.store(true);
}

void ShareRtmpContext::armDeadline(int ms)
{
    m_deadlineUs.store(ms > 0 ? nowUs() + int64_t(ms) * 1000 : 0);
}

void ShareRtmpContext::setLimits(int connectMs, int writeMs, int closeMs)
{
    m_connectLimitMs = connectMs > 0 ? connectMs : connectLimitMs;
    m_writeLimitMs = writeMs > 0 ? writeMs : writeLimitMs;
    m_closeLimitMs = closeMs > 0 ? closeMs : closeLimitMs;
}

int ShareRtmpContext::interruptCallback(void *opaque)
{
    const auto *context = static_cast<const ShareRtmpContext *>(opaque);
    if (!context || context->m_aborted.load())
        return 1;
    const int64_t deadline = context->m_deadlineUs.load();
    return deadline != 0 && nowUs() > deadline ? 1 : 0;
}
