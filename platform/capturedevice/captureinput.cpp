#include "platform/capturedevice/captureinput.h"

#include "platform/lazyffmpeg/ffmpegloader.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
}

#include <QDebug>
#include <QThread>

#include <chrono>
#include <cstring>

bool CaptureInput::registerDevices()
{
    // FFmpeg's device library comes with FFmpeg's others, through the one loader and its one failure policy.
    return FfmpegLoader::ensureLoaded();
}

CaptureInput::CaptureInput()
{
    // Without FFmpeg nothing can be opened (open() says so) and nothing of it is called.
    if (registerDevices())
        m_work = av_packet_alloc();
}

CaptureInput::~CaptureInput()
{
    close();
    if (m_work)
        av_packet_free(&m_work);
}

int64_t CaptureInput::nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count() + 1;
}

void CaptureInput::setLimits(int openMs, int readMs)
{
    m_openLimitMs = openMs > 0 ? openMs : openLimitMs;
    m_readLimitMs = readMs > 0 ? readMs : readLimitMs;
}

bool CaptureInput::stopRequested() const
{
    return m_running && !m_running->load();
}

void CaptureInput::arm(int limitMs)
{
    m_deadlineMs.store(nowMs() + limitMs);
}

bool CaptureInput::pause(int ms) const
{
    const int64_t end = nowMs() + ms;
    while (!stopRequested()) {
        const int64_t left = end - nowMs();
        if (left <= 0)
            return true;
        QThread::msleep(static_cast<unsigned long>(qMin<int64_t>(left, 5)));
    }
    return false;
}

int CaptureInput::interruptCallback(void *opaque)
{
    const auto *input = static_cast<const CaptureInput *>(opaque);
    if (!input)
        return 1;
    if (input->stopRequested())
        return 1;
    const int64_t deadline = input->m_deadlineMs.load();
    return deadline != 0 && nowMs() > deadline ? 1 : 0;
}

CaptureInput::OpenResult CaptureInput::open(const CaptureSource &source, int *ffmpegError)
{
    if (ffmpegError)
        *ffmpegError = 0;
    close();
    if (!source.isValid())
        return OpenNoSource;
    if (!m_work)
        return OpenFormatNotFound;
    const AVInputFormat *format = av_find_input_format(source.format.toUtf8().constData());
    if (!format) {
        qWarning() << "no input format:" << source.format;
        return OpenFormatNotFound;
    }
    AVDictionary *options = nullptr;
    for (const auto &option : source.options) {
        const int result
            = av_dict_set(&options, option.first.toUtf8().constData(), option.second.toUtf8().constData(), 0);
        if (result < 0) {
            if (ffmpegError)
                *ffmpegError = result;
            av_dict_free(&options);
            return OpenOptionFailed;
        }
    }
    AVFormatContext *input = avformat_alloc_context();
    if (!input) {
        av_dict_free(&options);
        return OpenInputFailed;
    }
    input->interrupt_callback.callback = &CaptureInput::interruptCallback;
    input->interrupt_callback.opaque = this;
    // Devices that honour it return at once when they have nothing; the read polls, and so sees a stop.
    input->flags |= AVFMT_FLAG_NONBLOCK;

    arm(m_openLimitMs);
    int result = avformat_open_input(&input, source.url.toUtf8().constData(), format, &options);
    av_dict_free(&options);
    if (result < 0) {
        disarm();
        if (ffmpegError)
            *ffmpegError = result;
        return OpenInputFailed; // the context is freed
    }
    result = avformat_find_stream_info(input, nullptr);
    disarm();
    if (result < 0) {
        if (ffmpegError)
            *ffmpegError = result;
        avformat_close_input(&input);
        return OpenStreamInfoFailed;
    }
    m_input = input;
    m_failures = 0;
    return OpenOk;
}

void CaptureInput::close()
{
    disarm();
    if (m_input)
        avformat_close_input(&m_input);
    if (m_work)
        av_packet_unref(m_work);
    m_streamIndex = -1;
    m_failures = 0;
    m_chunker.clear();
    m_chunker.setBlockBytes(0);
    m_blockSamples = 0;
}

bool CaptureInput::setAudioBlock(int milliseconds)
{
    m_chunker.clear();
    m_chunker.setBlockBytes(0);
    m_blockSamples = 0;
    if (!m_input || m_streamIndex < 0 || m_streamIndex >= int(m_input->nb_streams) || milliseconds <= 0)
        return false;
    const AVCodecParameters *parameters = m_input->streams[m_streamIndex]->codecpar;
    const int bits = av_get_bits_per_sample(parameters->codec_id);
    const int channels = parameters->ch_layout.nb_channels;
    // Raw sound only: the PCM codecs, whose every packet is whole sample frames.
    const bool raw = parameters->codec_id >= AV_CODEC_ID_FIRST_AUDIO && parameters->codec_id < AV_CODEC_ID_ADPCM_IMA_QT;
    if (!raw || bits <= 0 || bits % 8 != 0 || channels <= 0 || parameters->sample_rate <= 0)
        return false;
    const int samples = int(int64_t(parameters->sample_rate) * milliseconds / 1000);
    if (samples <= 0)
        return false;
    m_blockSamples = samples;
    m_chunker.setBlockBytes(samples * channels * bits / 8);
    return true;
}

int CaptureInput::read(AVPacket *packet)
{
    if (!packet)
        return AVERROR(EINVAL);
    av_packet_unref(packet);
    if (!m_input)
        return AVERROR(EINVAL);
    const int result = m_chunker.blockBytes() > 0 ? readBlock(packet) : readDevice(packet);
    if (result >= 0) {
        m_failures = 0;
        return 0;
    }
    if (result == AVERROR_EXIT || stopRequested())
        return AVERROR_EXIT;
    // A device that fails at once would otherwise be asked again and again as fast as the core allows.
    ++m_failures;
    int backoff = firstBackoffMs;
    for (int i = 1; i < m_failures && backoff < maxBackoffMs; ++i)
        backoff *= 2;
    if (!pause(qMin(backoff, maxBackoffMs)))
        return AVERROR_EXIT;
    return result;
}

int CaptureInput::readDevice(AVPacket *packet)
{
    const int64_t start = nowMs();
    for (;;) {
        if (stopRequested())
            return AVERROR_EXIT;
        arm(m_readLimitMs);
        const int result = av_read_frame(m_input, packet);
        disarm();
        if (result == AVERROR(EAGAIN)) {
            if (nowMs() - start > m_readLimitMs)
                return AVERROR(ETIMEDOUT);
            if (!pause(pollMs))
                return AVERROR_EXIT;
            continue;
        }
        if (result < 0)
            return result;
        if (m_streamIndex >= 0 && packet->stream_index != m_streamIndex) {
            av_packet_unref(packet);
            continue;
        }
        return 0;
    }
}

int CaptureInput::readBlock(AVPacket *packet)
{
    QByteArray block;
    while (!m_chunker.take(&block)) {
        const int result = readDevice(m_work);
        if (result < 0)
            return result;
        m_chunker.append(reinterpret_cast<const char *>(m_work->data), m_work->size);
        av_packet_unref(m_work);
    }
    const int result = av_new_packet(packet, block.size());
    if (result < 0)
        return result;
    std::memcpy(packet->data, block.constData(), size_t(block.size()));
    packet->stream_index = m_streamIndex;
    packet->duration = m_blockSamples;
    return 0;
}
