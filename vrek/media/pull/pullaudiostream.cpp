#include "vrek/media/pull/pullaudiostream.h"

#include "vrek/media/audio/audioplayer.h"
#include "vrek/media/audio/audiopreproc.h"
#include "vrek/media/pull/pullstreamcontext.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

#include <QDebug>
#include <QMutexLocker>
#include <QThread>

PullAudioStream::PullAudioStream(PullStreamContext *context, QObject *parent)
    : QObject(parent)
    , m_context(context)
{
    qRegisterMetaType<PullAudioStream::AudioInitialType>("PullAudioStream::AudioInitialType");
    qRegisterMetaType<PullAudioStream::AudioDecodeType>("PullAudioStream::AudioDecodeType");
    m_initialised = ffmpegInitial();
}

PullAudioStream::~PullAudioStream()
{
    // A source still registered would be mixed from freed memory.
    AudioPlayer::instance()->unregister(this);
    freeDecoder();
    av_frame_free(&m_frame);
}

bool PullAudioStream::ffmpegInitial()
{
    if (!m_frame)
        m_frame = av_frame_alloc();
    return m_frame != nullptr;
}

void PullAudioStream::moveThread(QThread *thread)
{
    moveToThread(thread);
}

void PullAudioStream::pullAudioStop()
{
    m_running.store(false);
    m_context->wakeAudioStage();
}

void PullAudioStream::printFFmpegError(int error, const QString &tag)
{
    char text[1024] = {};
    if (av_strerror(error, text, sizeof(text)) < 0) {
        qWarning() << "the av_strerror exec error! " << error << tag;
        return;
    }
    qWarning() << "errorId:" << error << "ffmpegErrorString:" << text << tag;
}

void PullAudioStream::audioInitialIn(bool playAudio)
{
    m_playAudio.store(playAudio);
    if (!m_initialised)
        m_initialised = ffmpegInitial();
    if (!m_initialised) {
        emit audioInitialResultOut(AudioFrameAllocFail);
        return;
    }
    m_running.store(true);
    AudioInitialType result = openDecoder();
    if (result == AudioInitialSuccess && m_codecContext->sample_rate > 0
        && m_codecContext->sample_fmt != AV_SAMPLE_FMT_NONE)
        result
            = configureConverter(&m_codecContext->ch_layout, m_codecContext->sample_fmt, m_codecContext->sample_rate);
    if (result != AudioInitialSuccess) {
        freeDecoder();
        m_context->setAudioStreamIndex(-1);
    }
    emit audioInitialResultOut(result);
}

PullAudioStream::AudioInitialType PullAudioStream::openDecoder()
{
    freeDecoder();
    QMutexLocker lock(m_context->formatMutex());
    AVFormatContext *input = m_context->getFormatContext();
    if (!input)
        return AudioStreamNotFound;

    int index = m_context->getAudioStreamIndex();
    const bool claimedLate = index >= 0 && index < int(input->nb_streams)
        && input->streams[index]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO;
    if (!claimedLate) {
        index = -1;
        for (unsigned int i = 0; i < input->nb_streams; ++i) {
            if (input->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
                index = int(i);
                break;
            }
        }
    }
    if (index < 0)
        return AudioStreamNotFound;
    m_audioStreamIndex = index;
    m_context->setAudioStreamIndex(index);
    const AVCodecParameters *parameters = input->streams[index]->codecpar;

    m_codec = avcodec_find_decoder(parameters->codec_id);
    if (!m_codec)
        return AudioDecoderNotFound;
    m_codecContext = avcodec_alloc_context3(m_codec);
    if (!m_codecContext)
        return AudioContextAllocFail;
    if (avcodec_parameters_to_context(m_codecContext, parameters) < 0)
        return AudioParametersCopyFail;
    m_codecContext->pkt_timebase = AVRational { 1, 1000000 };
    const int openResult = avcodec_open2(m_codecContext, m_codec, nullptr);
    if (openResult < 0) {
        printFFmpegError(openResult, QStringLiteral("PullAudioStream::audioInitialIn@avcodec_open2"));
        return AudioDecoderOpenFail;
    }
    return AudioInitialSuccess;
}

PullAudioStream::AudioInitialType PullAudioStream::configureConverter(
    const AVChannelLayout *layout, int format, int sampleRate)
{
    AVChannelLayout input;
    if (layout->order == AV_CHANNEL_ORDER_UNSPEC || av_channel_layout_check(layout) == 0)
        av_channel_layout_default(&input, qMax(1, layout->nb_channels));
    else if (av_channel_layout_copy(&input, layout) < 0)
        return AudioConverterOptionsFail;

    if (!m_converter) {
        m_converter = swr_alloc();
        if (!m_converter) {
            av_channel_layout_uninit(&input);
            return AudioConverterAllocFail;
        }
    } else {
        swr_close(m_converter);
    }
    AVChannelLayout output;
    av_channel_layout_default(&output, AudioPlayer::outputChannels);
    const int optionsResult = swr_alloc_set_opts2(&m_converter, &output, AV_SAMPLE_FMT_S16,
        AudioPlayer::outputSampleRate, &input, AVSampleFormat(format), sampleRate, 0, nullptr);
    const int channels = input.nb_channels;
    const uint64_t mask = input.order == AV_CHANNEL_ORDER_NATIVE ? input.u.mask : 0;
    av_channel_layout_uninit(&input);
    av_channel_layout_uninit(&output);
    m_converterFormat = -1;
    if (optionsResult < 0) {
        printFFmpegError(optionsResult, QStringLiteral("PullAudioStream::audioInitialIn@swr_alloc_set_opts2"));
        return AudioConverterOptionsFail;
    }
    const int initResult = swr_init(m_converter);
    if (initResult != 0) {
        printFFmpegError(initResult, QStringLiteral("PullAudioStream::audioInitialIn@swr_init"));
        return AudioConverterInitFail;
    }
    m_converterFormat = format;
    m_converterRate = sampleRate;
    m_converterChannels = channels;
    m_converterMask = mask;
    return AudioInitialSuccess;
}

void PullAudioStream::freeDecoder()
{
    avcodec_free_context(&m_codecContext);
    m_codec = nullptr;
    swr_free(&m_converter);
    m_converterFormat = -1;
    m_converterRate = 0;
    m_converterChannels = 0;
    m_converterMask = 0;
    m_audioStreamIndex = -1;
}

void PullAudioStream::audioResetIn()
{
    m_running.store(false);
    freeDecoder();
    emit audioResetResultOut(PullStreamContext::audioBit);
}

void PullAudioStream::audioDecodeIn()
{
    if (!m_codecContext) {
        qWarning() << "the audio decoder is not open";
        m_running.store(false);
        emit audioDecodeResultOut(AudioDecodeEnded);
        return;
    }
    if (m_running.load())
        emit audioDecodeResultOut(AudioDecodeStarted);
    AudioPreproc::instance()->reinitialise();
    PullStreamContext *context = m_context;
    AudioPlayer::instance()->regiser(this, [context](int64_t us) { context->setHeardAudioClock(us); });
    AVPacket *packet = nullptr;
    while (m_context->waitAudioPacket(&packet, m_running)) {
        decodePacket(packet);
        av_packet_free(&packet);
    }
    AudioPlayer::instance()->unregister(this);
    m_context->setHeardAudioClock(PullStreamContext::noClock);
    av_frame_unref(m_frame);
    emit audioDecodeResultOut(AudioDecodeEnded);
}

void PullAudioStream::decodePacket(AVPacket *packet)
{
    if (!packet->data || packet->size <= 0) {
        qWarning() << "the decodeAVPacket unknown error! data:" << static_cast<const void *>(packet->data)
                   << "size:" << packet->size;
        return;
    }
    m_context->setAudioClock(packet->pts);
    int sendResult = avcodec_send_packet(m_codecContext, packet);
    bool pending = sendResult == AVERROR(EAGAIN);
    if (sendResult < 0 && !pending) {
        qWarning() << "the sendPacketResult < 0 error ! sendPacketResult:" << sendResult;
        return;
    }
    for (;;) {
        const int receiveResult = avcodec_receive_frame(m_codecContext, m_frame);
        if (receiveResult == AVERROR(EAGAIN) || receiveResult == AVERROR_EOF) {
            if (!pending)
                break;
            sendResult = avcodec_send_packet(m_codecContext, packet);
            pending = false;
            if (sendResult < 0) {
                qWarning() << "the sendPacketResult < 0 error ! sendPacketResult:" << sendResult;
                break;
            }
            continue;
        }
        if (receiveResult < 0) {
            qWarning() << "the receiveFrameResult < 0 error ! receiveFrameResult:" << receiveResult;
            break;
        }
        playFrame();
        av_frame_unref(m_frame);
    }
}

void PullAudioStream::playFrame()
{
    const uint64_t mask = m_frame->ch_layout.order == AV_CHANNEL_ORDER_NATIVE ? m_frame->ch_layout.u.mask : 0;
    if (m_frame->format != m_converterFormat || m_frame->sample_rate != m_converterRate
        || m_frame->ch_layout.nb_channels != m_converterChannels || (mask && mask != m_converterMask)) {
        if (configureConverter(&m_frame->ch_layout, m_frame->format, m_frame->sample_rate) != AudioInitialSuccess) {
            qWarning() << "no converter for the sound" << m_frame->format << m_frame->sample_rate
                       << m_frame->ch_layout.nb_channels;
            return;
        }
    }
    // Sized by what the converter will give for this frame (with what it holds back), not by the codec's frame.
    const int room = swr_get_out_samples(m_converter, m_frame->nb_samples);
    if (room <= 0)
        return;
    const size_t bytes = size_t(room) * AudioPlayer::outputChannels * AudioPlayer::bytesPerSample;
    if (m_output.size() < bytes)
        m_output.resize(bytes);
    uint8_t *planes[1] = { m_output.data() };
    const int converted = swr_convert(
        m_converter, planes, room, const_cast<const uint8_t **>(m_frame->extended_data), m_frame->nb_samples);
    if (converted < 0) {
        printFFmpegError(converted, QStringLiteral("PullAudioStream::audioDecodeIn@swr_convert"));
        return;
    }
    if (converted > 0 && m_playAudio.load()) {
        const int64_t startUs
            = m_frame->best_effort_timestamp != AV_NOPTS_VALUE ? m_frame->best_effort_timestamp : m_frame->pts;
        AudioPlayer::instance()->write(this, m_output.data(),
            converted * AudioPlayer::outputChannels * AudioPlayer::bytesPerSample,
            startUs == AV_NOPTS_VALUE ? AudioPlayer::noTime : startUs);
    }
}
