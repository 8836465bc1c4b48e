#include "vrek/media/push/pushaudiostream.h"

#include "platform/capturedevice/capturedeviceresolver.h"
#include "platform/coreaudio/coreaudiomicrophone.h"
#include "vrek/media/audio/audiopreproc.h"
#include "vrek/media/push/pushstreamcontext.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <QDebug>
#include <QElapsedTimer>
#include <QThread>

namespace {
// The stage bit the engine knows the audio stage by.
constexpr uchar audioStageBit = 1;
// The microphone boost is set to this while the push captures.
constexpr float boostLevelDb = 0.0f;
} // namespace

PushAudioStream::PushAudioStream(std::shared_ptr<PushStreamContext> context, QObject *parent)
    : QObject(parent)
    , m_context(std::move(context))
{
    qRegisterMetaType<PushAudioStream::AudioInitialType>("PushAudioStream::AudioInitialType");
    qRegisterMetaType<PushAudioStream::AudioEncodeType>("PushAudioStream::AudioEncodeType");
    m_capture.setRunningFlag(&m_running);
    m_ffmpegReady = ffmpegInitial();
}

PushAudioStream::~PushAudioStream()
{
    m_running.store(false);
    freeContexts();
    swr_free(&m_resampler);
    if (m_fifo)
        av_audio_fifo_free(m_fifo);
    av_freep(&m_samplePointers);
    av_frame_free(&m_captureFrame);
    av_frame_free(&m_encodeFrame);
    av_packet_free(&m_capturePacket);
    av_packet_free(&m_encodePacket);
}

bool PushAudioStream::ffmpegInitial()
{
    if (!m_captureFrame)
        m_captureFrame = av_frame_alloc();
    if (!m_encodeFrame)
        m_encodeFrame = av_frame_alloc();
    if (!m_capturePacket)
        m_capturePacket = av_packet_alloc();
    if (!m_encodePacket)
        m_encodePacket = av_packet_alloc();
    return m_captureFrame && m_encodeFrame && m_capturePacket && m_encodePacket;
}

void PushAudioStream::moveThread(QThread *thread)
{
    qInfo() << "thread:" << thread;
    moveToThread(thread);
}

void PushAudioStream::pushAudioStop()
{
    qInfo() << "thread:" << QThread::currentThread();
    m_running.store(false);
}

void PushAudioStream::printFFmpegError(const int errorId, const QString &msg)
{
    char text[1024] = {};
    if (av_strerror(errorId, text, sizeof(text)) < 0) {
        qWarning() << "the av_strerror exec error! " << msg << errorId;
        return;
    }
    qWarning() << "msg:" << msg << "errorId:" << errorId << "ffmpegErrorString:" << text;
}

void PushAudioStream::audioInitialIn(QString audioDeviceName)
{
    qInfo() << "Initial::::1"
            << "adn:" << audioDeviceName;
    if (!m_ffmpegReady)
        m_ffmpegReady = ffmpegInitial();
    if (!m_ffmpegReady) {
        emit audioInitialResultOut(AudioFrameAllocFail);
        return;
    }
    freeContexts();
    m_audioDeviceName = audioDeviceName;
    if (m_audioDeviceName.isEmpty()) {
        emit audioInitialResultOut(AudioDeviceNameEmpty);
        return;
    }
    m_running.store(true);
    qInfo() << "Initial::::2";
    AudioInitialType result = openMicrophone();
    if (result == AudioInitialSuccess)
        result = openEncoder();
    if (result != AudioInitialSuccess)
        freeContexts();
    else
        qInfo() << "Initial::::16";
    emit audioInitialResultOut(result);
}

PushAudioStream::AudioInitialType PushAudioStream::openMicrophone()
{
    const CaptureSource source = CaptureDeviceResolver::microphoneSource(m_audioDeviceName);
    qInfo() << "Initial::::3" << source.format << source.url;
    int error = 0;
    switch (m_capture.open(source, &error)) {
    case CaptureInput::OpenOk:
        break;
    case CaptureInput::OpenOptionFailed:
        printFFmpegError(error, QStringLiteral("PushAudioStream::audioInitialIn@av_dict_set"));
        return AudioBufferSizeOptionFail;
    case CaptureInput::OpenStreamInfoFailed:
        printFFmpegError(error, QStringLiteral("PushAudioStream::audioInitialIn@avformat_find_stream_info"));
        return AudioStreamInfoFail;
    case CaptureInput::OpenNoSource:
    case CaptureInput::OpenFormatNotFound:
        qWarning() << "no microphone for the name:" << m_audioDeviceName;
        return AudioDeviceOpenFail;
    case CaptureInput::OpenInputFailed:
        printFFmpegError(error, QStringLiteral("PushAudioStream::audioInitialIn@avformat_open_input"));
        return AudioDeviceOpenFail;
    }
    AVFormatContext *input = m_capture.formatContext();
    qInfo() << "Initial::::4"
            << "audio_ifmt_ctx:" << static_cast<void *>(input);
    for (unsigned int i = 0; i < input->nb_streams; ++i) {
        if (input->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
            m_audioStreamIndex = int(i);
            break;
        }
    }
    if (m_audioStreamIndex < 0)
        return AudioStreamNotFound;
    m_capture.selectStream(m_audioStreamIndex);
    // Whatever the device delivers at a time, the loop gets 100 ms blocks.
    if (!m_capture.setAudioBlock(captureBlockMs))
        qInfo() << "the microphone's sound is not raw, its packets are taken as they come";
    const AVStream *stream = input->streams[m_audioStreamIndex];
    qInfo() << "Initial::::5";
    const AVCodec *decoder = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!decoder)
        return AudioDecoderNotFound;
    m_decoderContext = avcodec_alloc_context3(decoder);
    qInfo() << "Initial::::6"
            << "audio_ifmt_codec_ctx:" << static_cast<void *>(m_decoderContext);
    if (!m_decoderContext)
        return AudioDecoderContextFail;
    if (avcodec_parameters_to_context(m_decoderContext, stream->codecpar) < 0)
        return AudioParametersCopyFail;
    m_decoderContext->pkt_timebase = stream->time_base;
    const int openResult = avcodec_open2(m_decoderContext, decoder, nullptr);
    if (openResult < 0) {
        printFFmpegError(openResult, QStringLiteral("PushAudioStream::audioInitialIn@avcodec_open2"));
        return AudioDecoderOpenFail;
    }
    qInfo() << "Initial::::7"
            << "sampleRate:" << m_decoderContext->sample_rate << "channels:" << m_decoderContext->ch_layout.nb_channels
            << "sampleFormat:" << m_decoderContext->sample_fmt;
    return AudioInitialSuccess;
}

PushAudioStream::AudioInitialType PushAudioStream::openEncoder()
{
    qInfo() << "Initial::::8";
    m_encoder = avcodec_find_encoder(AV_CODEC_ID_AAC);
    if (!m_encoder)
        return AudioEncoderNotFound;
    m_encoderContext = avcodec_alloc_context3(m_encoder);
    qInfo() << "Initial::::9"
            << "audio_dev_codec_ctx:" << static_cast<void *>(m_encoderContext);
    if (!m_encoderContext)
        return AudioEncoderContextFail;
    av_channel_layout_default(&m_encoderContext->ch_layout, channels);
    m_encoderContext->sample_rate = sampleRate;
    m_encoderContext->sample_fmt = m_encoder->sample_fmts ? m_encoder->sample_fmts[0] : AV_SAMPLE_FMT_FLTP;
    m_encoderContext->bit_rate = bitRate;
    m_encoderContext->time_base = AVRational { 1, sampleRate };
    m_encoderContext->strict_std_compliance = FF_COMPLIANCE_EXPERIMENTAL;
    m_encoderContext->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    qInfo() << "Initial::::10";
    const int openResult = avcodec_open2(m_encoderContext, m_encoder, nullptr);
    if (openResult < 0) {
        printFFmpegError(openResult, QStringLiteral("PushAudioStream::audioInitialIn@avcodec_open2"));
        return AudioEncoderOpenFail;
    }
    qInfo() << "Initial::::11"
            << "outputFrameSize:" << m_encoderContext->frame_size;

    m_converter = swr_alloc();
    qInfo() << "Initial::::12"
            << "audio_dev_convert_ctx:" << static_cast<void *>(m_converter);
    if (!m_converter)
        return AudioConverterAllocFail;
    AVChannelLayout mono;
    av_channel_layout_default(&mono, channels);
    const int optionsResult = swr_alloc_set_opts2(&m_converter, &m_encoderContext->ch_layout,
        m_encoderContext->sample_fmt, sampleRate, &mono, AV_SAMPLE_FMT_S16, sampleRate, 0, nullptr);
    av_channel_layout_uninit(&mono);
    if (optionsResult < 0) {
        printFFmpegError(optionsResult, QStringLiteral("PushAudioStream::audioInitialIn@swr_alloc_set_opts2"));
        return AudioConverterAllocFail;
    }
    qInfo() << "Initial::::13";
    const int initResult = swr_init(m_converter);
    if (initResult < 0) {
        printFFmpegError(initResult, QStringLiteral("PushAudioStream::audioInitialIn@swr_init"));
        return AudioConverterInitFail;
    }
    qInfo() << "Initial::::14";
    return AudioInitialSuccess;
}

void PushAudioStream::freeContexts()
{
    m_capture.close();
    m_audioStreamIndex = -1;
    if (m_decoderContext) {
        qInfo() << "audio_ifmt_codec_ctx:" << static_cast<void *>(m_decoderContext);
        avcodec_free_context(&m_decoderContext);
    }
    if (m_encoderContext) {
        qInfo() << "audio_dev_codec_ctx:" << static_cast<void *>(m_encoderContext);
        avcodec_free_context(&m_encoderContext);
    }
    m_encoder = nullptr;
    if (m_converter) {
        qInfo() << "audio_dev_convert_ctx:" << static_cast<void *>(m_converter);
        swr_free(&m_converter);
    }
}

void PushAudioStream::audioResetIn()
{
    m_running.store(false);
    freeContexts();
    emit audioResetResultOut(audioStageBit);
}

bool PushAudioStream::prepareResampler(const AVFrame *frame)
{
    const int frameChannels = frame->ch_layout.nb_channels;
    if (m_resampler && frame->format == m_resamplerFormat && frame->sample_rate == m_resamplerRate
        && frameChannels == m_resamplerChannels)
        return true;
    swr_free(&m_resampler);
    m_resamplerFormat = -1;
    if (frameChannels <= 0 || frame->sample_rate <= 0)
        return false;
    AVChannelLayout input;
    if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || av_channel_layout_check(&frame->ch_layout) == 0)
        av_channel_layout_default(&input, frameChannels);
    else if (av_channel_layout_copy(&input, &frame->ch_layout) < 0)
        return false;
    AVChannelLayout mono;
    av_channel_layout_default(&mono, channels);
    int result = swr_alloc_set_opts2(&m_resampler, &mono, AV_SAMPLE_FMT_S16, sampleRate, &input,
        AVSampleFormat(frame->format), frame->sample_rate, 0, nullptr);
    av_channel_layout_uninit(&input);
    av_channel_layout_uninit(&mono);
    if (result >= 0) {
        av_opt_set_int(m_resampler, "filter_size", 16, 0);
        av_opt_set_int(m_resampler, "phase_shift", 10, 0);
        av_opt_set_int(m_resampler, "linear_interp", 0, 0);
        av_opt_set_double(m_resampler, "cutoff", 1.0, 0);
        result = swr_init(m_resampler);
    }
    if (result < 0) {
        printFFmpegError(result, QStringLiteral("PushAudioStream::audioEncodeIn@swr_init"));
        swr_free(&m_resampler);
        return false;
    }
    m_resamplerFormat = frame->format;
    m_resamplerRate = frame->sample_rate;
    m_resamplerChannels = frameChannels;
    return true;
}

void PushAudioStream::dropBacklog()
{
    QElapsedTimer gap;
    for (int dropped = 0; dropped < backlogMaxPackets && m_running.load(); ++dropped) {
        gap.start();
        if (m_capture.read(m_capturePacket) < 0 || gap.elapsed() > backlogGapMs)
            break;
        av_packet_unref(m_capturePacket);
    }
    av_packet_unref(m_capturePacket);
}

void PushAudioStream::audioEncodeIn()
{
    if (!m_encoderContext || !m_decoderContext || !m_converter || !m_capture.isOpen()) {
        qWarning() << "the audio stage is not initialised";
        emit audioEncodeResultOut(AudioFifoAllocFail);
        return;
    }
    m_fifo = av_audio_fifo_alloc(m_encoderContext->sample_fmt, m_encoderContext->ch_layout.nb_channels, 1);
    if (!m_fifo) {
        emit audioEncodeResultOut(AudioFifoAllocFail);
        return;
    }
    m_samplePointers
        = static_cast<uint8_t **>(av_calloc(size_t(m_encoderContext->ch_layout.nb_channels), sizeof(uint8_t *)));
    if (!m_samplePointers) {
        av_audio_fifo_free(m_fifo);
        m_fifo = nullptr;
        emit audioEncodeResultOut(AudioSampleArrayFail);
        return;
    }
    AudioPreproc::instance()->reinitialise();
    CoreAudioMicrophone microphone;
    microphone.setBoostLevel(boostLevelDb);

    m_pcm.clear();
    m_writeFailures = 0;
    m_firstSample = -1;
    m_queuedSamples = 0;
    m_encodedSamples = 0;
    if (m_running.load())
        emit audioEncodeResultOut(AudioEncodeStarted);
    dropBacklog();
    // The first block kept is captured from now on: the pictures may start (its first packet lies the
    // encoder's priming earlier still, so the sound comes first).
    m_captureStartUs = m_context->timelineUs();
    m_context->setAudioStartUs(m_captureStartUs);

    const int frameSize = m_encoderContext->frame_size > 0 ? m_encoderContext->frame_size : 1024;
    qInfo() << "outputFrameSize:" << frameSize;
    while (m_running.load()) {
        while (m_running.load() && av_audio_fifo_size(m_fifo) < frameSize)
            fillQueue();
        drainQueue();
    }
    // What is still queued was captured after the stop: it is not sent.
    av_audio_fifo_free(m_fifo);
    m_fifo = nullptr;
    av_freep(&m_samplePointers);
    swr_free(&m_resampler);
    m_resamplerFormat = -1;
    av_frame_unref(m_captureFrame);
    m_pcm.clear();
    emit audioEncodeResultOut(AudioEncodeEnded);
}

bool PushAudioStream::fillQueue()
{
    QElapsedTimer elapsed;
    elapsed.start();
    const int readResult = m_capture.read(m_capturePacket);
    if (readResult == AVERROR_EXIT)
        return false;
    if (readResult != 0) {
        // The input waits longer after each failure; one line for the first few and then for every 50th.
        const int failures = m_capture.failuresInRow();
        if (failures <= 3 || failures % 50 == 0)
            qWarning() << "the readResult != 0! readResult:" << readResult << "elapsed:" << elapsed.elapsed()
                       << "count:" << failures;
        return false;
    }
    const int64_t readAtUs = m_context->timelineUs();
    const int sendPacketResult = avcodec_send_packet(m_decoderContext, m_capturePacket);
    av_packet_unref(m_capturePacket);
    if (sendPacketResult < 0) {
        qWarning() << "the sendPacketResult < 0 error! sendPacketResult:" << sendPacketResult;
        return false;
    }
    const size_t before = m_pcm.size();
    for (;;) {
        const int receiveFrameResult = avcodec_receive_frame(m_decoderContext, m_captureFrame);
        if (receiveFrameResult == AVERROR(EAGAIN) || receiveFrameResult == AVERROR_EOF)
            break;
        if (receiveFrameResult < 0) {
            qWarning() << "the receiveFrameResult < 0 error ! receiveFrameResult:" << receiveFrameResult;
            break;
        }
        resampleFrame();
        av_frame_unref(m_captureFrame);
    }
    if (m_pcm.size() == before)
        return false;
    if (m_firstSample < 0) {
        // The first sound was captured over the block just read, which ended now; a read that came back late
        // still holds no sound from after it began.
        const int64_t nowSamples = readAtUs * sampleRate / 1000000;
        const int64_t startSamples = m_captureStartUs * sampleRate / 1000000;
        m_firstSample = qMax<int64_t>(0, qMin(nowSamples - int64_t(m_pcm.size()), startSamples));
        qInfo() << "first sample at" << m_firstSample * 1000 / sampleRate << "ms";
    }
    cancelEchoAndQueue();
    return true;
}

void PushAudioStream::resampleFrame()
{
    if (!prepareResampler(m_captureFrame)) {
        qWarning() << "no resampler for the sound" << m_captureFrame->format << m_captureFrame->sample_rate
                   << m_captureFrame->ch_layout.nb_channels;
        return;
    }
    const int room = swr_get_out_samples(m_resampler, m_captureFrame->nb_samples);
    if (room <= 0)
        return;
    const size_t before = m_pcm.size();
    m_pcm.resize(before + size_t(room));
    uint8_t *output[1] = { reinterpret_cast<uint8_t *>(m_pcm.data() + before) };
    const int converted = swr_convert(m_resampler, output, room,
        const_cast<const uint8_t **>(m_captureFrame->extended_data), m_captureFrame->nb_samples);
    if (converted < 0) {
        qWarning() << "the convertResult < 0! convertResult:" << converted;
        m_pcm.resize(before);
        return;
    }
    m_pcm.resize(before + size_t(converted));
}

void PushAudioStream::cancelEchoAndQueue()
{
    const int blockSamples = AudioPreproc::blockSamples;
    const int blocks = int(m_pcm.size()) / blockSamples;
    if (blocks == 0)
        return;
    const int count = blocks * blockSamples;
    // The canceller's lock is taken for each 10 ms block, so the playback side is never held up long.
    for (int i = 0; i < blocks; ++i)
        AudioPreproc::instance()->processRecord(m_pcm.data() + i * blockSamples);

    const int bytesPerSample = av_get_bytes_per_sample(m_encoderContext->sample_fmt);
    const int encoderChannels = m_encoderContext->ch_layout.nb_channels;
    m_converted.resize(size_t(count) * size_t(bytesPerSample) * size_t(encoderChannels));
    const bool planar = av_sample_fmt_is_planar(m_encoderContext->sample_fmt);
    for (int channel = 0; channel < encoderChannels; ++channel)
        m_samplePointers[channel] = m_converted.data() + (planar ? size_t(channel) * count * bytesPerSample : 0);
    const uint8_t *input[1] = { reinterpret_cast<const uint8_t *>(m_pcm.data()) };
    const int convertResult = swr_convert(m_converter, m_samplePointers, count, input, count);
    m_pcm.erase(m_pcm.begin(), m_pcm.begin() + count);
    if (convertResult < 0) {
        qWarning() << "the convertResult < 0! convertResult:" << convertResult;
        return;
    }
    const int fifoResult = av_audio_fifo_realloc(m_fifo, av_audio_fifo_size(m_fifo) + convertResult);
    if (fifoResult != 0) {
        qWarning() << "the fifoResult != 0! fifoResult:" << fifoResult;
        return;
    }
    const int writeResult = av_audio_fifo_write(m_fifo, reinterpret_cast<void **>(m_samplePointers), convertResult);
    if (writeResult != convertResult) {
        qWarning() << "the writeResult != resample_output_frameNBSamples! writeResult:" << writeResult
                   << "resample_output_frameNBSamples:" << convertResult;
    }
    if (writeResult > 0)
        m_queuedSamples += writeResult;
}

void PushAudioStream::drainQueue()
{
    const int frameSize = m_encoderContext->frame_size > 0 ? m_encoderContext->frame_size : 1024;
    while (m_running.load() && av_audio_fifo_size(m_fifo) >= frameSize) {
        m_encodeFrame->nb_samples = frameSize;
        av_channel_layout_copy(&m_encodeFrame->ch_layout, &m_encoderContext->ch_layout);
        m_encodeFrame->format = m_encoderContext->sample_fmt;
        m_encodeFrame->sample_rate = m_encoderContext->sample_rate;
        const int getResult = av_frame_get_buffer(m_encodeFrame, 0);
        if (getResult != 0) {
            qWarning() << "the getResult != 0! getResult:" << getResult;
            av_frame_unref(m_encodeFrame);
            return;
        }
        const int fifoReadResult
            = av_audio_fifo_read(m_fifo, reinterpret_cast<void **>(m_encodeFrame->data), frameSize);
        if (fifoReadResult != frameSize) {
            qWarning() << "the fifoReadResult != outputFrameSize! fifoReadResult:" << fifoReadResult;
            av_frame_unref(m_encodeFrame);
            return;
        }
        // Stamped by the samples captured before it, on the push's time line.
        m_encodeFrame->pts = m_firstSample + m_encodedSamples;
        m_encodedSamples += frameSize;
        const int sendFrameResult = avcodec_send_frame(m_encoderContext, m_encodeFrame);
        av_frame_unref(m_encodeFrame);
        if (sendFrameResult < 0) {
            qWarning() << "the sendFrameResult < 0 error! sendFrameResult:" << sendFrameResult;
            continue;
        }
        for (;;) {
            const int receivePacketResult = avcodec_receive_packet(m_encoderContext, m_encodePacket);
            if (receivePacketResult == AVERROR(EAGAIN) || receivePacketResult == AVERROR_EOF)
                break;
            if (receivePacketResult < 0) {
                qWarning() << "the receivePacketResult < 0 error! receivePacketResult:" << receivePacketResult;
                break;
            }
            const int writeResult = m_context->writePacket(m_encodePacket, 0, m_encoderContext->time_base);
            if (writeResult < 0) {
                // A server that has gone fails every packet: one line for the first few and then for every 100th.
                if (++m_writeFailures <= 3 || m_writeFailures % 100 == 0)
                    printFFmpegError(
                        writeResult, QStringLiteral("PushAudioStream::audioEncodeIn@av_interleaved_write_frame"));
            } else {
                m_writeFailures = 0;
            }
            av_packet_unref(m_encodePacket);
        }
    }
}
