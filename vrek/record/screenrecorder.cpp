#include "vrek/record/screenrecorder.h"

#include "platform/capturedevice/capturedeviceresolver.h"
#include "platform/windowcapture/windowcaptureresolver.h"
#include "vrek/record/sharertmpcontext.h"
#include "vrek/utils/globalvalue.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/fifo.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libavutil/time.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <QDebug>
#include <QElapsedTimer>
#include <QMutexLocker>
#include <QThread>

namespace {
const AVRational microseconds { 1, 1000000 };
// The first picture's duration, on the 90 kHz clock pictures are counted in.
constexpr int64_t firstPictureDuration90k = 85;
// Pictures written to one output never share a time stamp, also after rounding to milliseconds.
constexpr int64_t minPictureStepUs = 1000;
// A silent stream may hold the other back this long in the muxer, not FFmpeg's ten seconds.
constexpr int64_t maxInterleaveDeltaUs = 1000000;
// Pictures handed to the encoder whose packets have not come out yet; zero latency keeps this at one or two.
constexpr size_t maxFramesInEncoder = 64;

QString errorText(int error)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof(text));
    return QString::fromUtf8(text);
}

// One line for the first few failures in a row and then for every 50th: a device that keeps failing does not
// fill the log.
bool worthLogging(int failures)
{
    return failures <= 3 || failures % 50 == 0;
}
} // namespace

ScreenRecorder::ScreenRecorder(std::shared_ptr<Media> media)
    : QObject(nullptr)
    , m_media(media ? std::move(media) : std::make_shared<Media>())
{ }

ScreenRecorder::~ScreenRecorder()
{
    // Only a recorder torn down in the middle of a recording finds its capture threads still running.
    m_media->audioRunning.store(false);
    m_media->videoRunning.store(false);
    m_media->mainRunning.store(false);
    m_media->opening.store(false);
    if (m_videoThread.joinable())
        m_videoThread.join();
    if (m_audioThread.joinable())
        m_audioThread.join();
    freeBuffers();
}

void ScreenRecorder::setRecordFile(QString path)
{
    m_recordFile = path;
}

void ScreenRecorder::setRtmpUrl(QString url)
{
    m_rtmpUrl = url;
}

qint64 ScreenRecorder::getRecordPts() const
{
    return m_recordPts.load();
}

void ScreenRecorder::QuitRecord()
{
    const int state = m_state.load();
    qInfo() << "state:" << state;
    // Remembered in every state: a stop that comes while the devices are still being opened, or before the
    // main loop has even begun, ends the recording as soon as it can.
    m_quitRequested.store(true);
    m_media->opening.store(false);
    if (state == StateOpening) {
        m_media->audioRunning.store(false);
        m_media->videoRunning.store(false);
        m_media->mainRunning.store(false);
        qInfo() << "record clicked busy";
    }
}

void ScreenRecorder::PauseRecord()
{
    m_media->setPaused(true);
}

void ScreenRecorder::restoreRecord()
{
    m_media->setPaused(false);
}

void ScreenRecorder::stopShare()
{
    m_media->videoRunning.store(false);
    m_media->mainRunning.store(false);
}

void ScreenRecorder::exitShareThread()
{
    qInfo() << "last exit thread:shareRtmp";
    // Only the share ends; the recording goes on into its file.
    std::shared_ptr<ShareRtmpContext> share;
    {
        QMutexLocker lock(&m_media->outputLock);
        share.swap(m_media->share);
        m_media->rtmpOutput = nullptr;
        g_shareRtmpFlag.store(false);
    }
    if (share) {
        // Closed outside the lock, bounded: the file's packets are not held up by the peer.
        share->close(true);
        emit signalShareRtmpExit();
    }
    qInfo() << "rtmp exit";
}

int ScreenRecorder::WriteFileTail()
{
    QMutexLocker lock(&m_media->outputLock);
    if (!m_media->outputContext || !m_media->outputHeaderWritten)
        return AVERROR(EINVAL);
    const int result = av_write_trailer(m_media->outputContext);
    // Nothing may be written after the trailer.
    m_media->outputHeaderWritten = false;
    return result;
}

int ScreenRecorder::initAudioDevice()
{
    qInfo() << "initAudioDevice start";
    Media *m = m_media.get();
    m->audioDeviceName = CaptureDeviceResolver::resolveMicrophoneName(m_audioDevice);
    if (m->audioDeviceName.isEmpty()) {
        qWarning() << "no microphone, setting:" << m_audioDevice;
        return AudioDeviceNameEmpty;
    }
    const CaptureSource source = CaptureDeviceResolver::microphoneSource(m->audioDeviceName);
    qInfo() << "audio device:" << m->audioDeviceName << source.format << source.url;
    m->audioInput.setRunningFlag(&m->opening);
    int error = 0;
    switch (m->audioInput.open(source, &error)) {
    case CaptureInput::OpenOk:
        break;
    case CaptureInput::OpenOptionFailed:
        qWarning() << "Couldn't open input audio stream!errorId:" << errorText(error);
        return AudioOptionFail;
    case CaptureInput::OpenStreamInfoFailed:
        qWarning() << "Couldn't find audio stream information.errorId:" << errorText(error);
        return AudioStreamInfoFail;
    case CaptureInput::OpenNoSource:
    case CaptureInput::OpenFormatNotFound:
    case CaptureInput::OpenInputFailed:
        qWarning() << "Couldn't open input audio stream!errorId:" << errorText(error);
        return AudioOpenFail;
    }
    AVFormatContext *input = m->audioInput.formatContext();
    for (unsigned int i = 0; i < input->nb_streams; ++i) {
        if (input->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
            m->audioStreamIndex = int(i);
            break;
        }
    }
    if (m->audioStreamIndex < 0) {
        qWarning() << "Couldn't find audio stream!";
        return AudioStreamNotFound;
    }
    m->audioInput.selectStream(m->audioStreamIndex);
    // Whatever the device delivers at a time, the capture gets blocks of this length.
    if (!m->audioInput.setAudioBlock(audioBufferMs))
        qInfo() << "the microphone's sound is not raw, its packets are taken as they come";
    const AVStream *stream = input->streams[m->audioStreamIndex];
    const AVCodec *decoder = avcodec_find_decoder(stream->codecpar->codec_id);
    m->audioDecoderContext = decoder ? avcodec_alloc_context3(decoder) : nullptr;
    if (!m->audioDecoderContext) {
        qWarning() << "avcodec_alloc_context3() failed";
        return AudioDecoderFail;
    }
    if (avcodec_parameters_to_context(m->audioDecoderContext, stream->codecpar) < 0) {
        qWarning() << "avcodec_parameters_to_context() failed";
        return AudioDecoderFail;
    }
    m->audioDecoderContext->pkt_timebase = stream->time_base;
    int result = avcodec_open2(m->audioDecoderContext, decoder, nullptr);
    if (result < 0) {
        qWarning() << "Couldn't open audio codec!errorId" << errorText(result);
        return AudioDecoderFail;
    }

    m->audioEncoder = avcodec_find_encoder(AV_CODEC_ID_AAC);
    if (!m->audioEncoder) {
        qWarning() << "Couldn't find output audio encoder!errorId:";
        return AudioEncoderNotFound;
    }
    AVCodecContext *encoder = avcodec_alloc_context3(m->audioEncoder);
    if (!encoder) {
        qWarning() << "Couldn't find output audio encoder!errorId:";
        return AudioEncoderNotFound;
    }
    {
        QMutexLocker lock(&m->codecLock);
        m->audioEncoderContext = encoder;
    }
    av_channel_layout_default(&encoder->ch_layout, 1);
    encoder->sample_rate = sampleRate;
    encoder->sample_fmt = m->audioEncoder->sample_fmts ? m->audioEncoder->sample_fmts[0] : AV_SAMPLE_FMT_FLTP;
    encoder->bit_rate = audioBitRate;
    encoder->time_base = AVRational { 1, sampleRate };
    encoder->frame_size = audioFrameSize;
    encoder->strict_std_compliance = FF_COMPLIANCE_EXPERIMENTAL;
    encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    result = avcodec_open2(encoder, m->audioEncoder, nullptr);
    if (result < 0) {
        qWarning() << "Couldn't open audio encoder!errorId:" << errorText(result);
        return AudioEncoderOpenFail;
    }
    qInfo() << "microphone:" << m->audioDecoderContext->sample_rate << "Hz"
            << m->audioDecoderContext->ch_layout.nb_channels << "channels, frame size:" << encoder->frame_size;
    return 0;
}

int ScreenRecorder::InitGDIDevice(const QRect &rect, const bool &useRect)
{
    Media *m = m_media.get();
    const QString title = WindowCaptureResolver::recordedWindowTitle;
    const CaptureSource source = WindowCaptureResolver::windowSource(title, rect, useRect);
    if (!source.isValid()) {
        qWarning() << "avformat_open_input error:"
                   << "no window titled" << title;
        return VideoOpenFail;
    }
    m->videoInput.setRunningFlag(&m->opening);
    int error = 0;
    switch (m->videoInput.open(source, &error)) {
    case CaptureInput::OpenOk:
        break;
    case CaptureInput::OpenStreamInfoFailed:
        qWarning() << "Couldn't find stream information." << errorText(error);
        return VideoStreamInfoFail;
    default:
        qWarning() << "avformat_open_input error:" << errorText(error);
        return VideoOpenFail;
    }
    AVFormatContext *input = m->videoInput.formatContext();
    for (unsigned int i = 0; i < input->nb_streams; ++i) {
        if (input->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
            m->videoStreamIndex = int(i);
            break;
        }
    }
    if (m->videoStreamIndex < 0) {
        qWarning() << "Failed find video stream";
        return VideoDecoderFail;
    }
    qInfo() << "Success find video stream" << m->videoStreamIndex;
    m->videoInput.selectStream(m->videoStreamIndex);
    const AVStream *stream = input->streams[m->videoStreamIndex];
    const AVCodec *decoder = avcodec_find_decoder(stream->codecpar->codec_id);
    m->videoDecoderContext = decoder ? avcodec_alloc_context3(decoder) : nullptr;
    if (!m->videoDecoderContext || avcodec_parameters_to_context(m->videoDecoderContext, stream->codecpar) < 0) {
        qWarning() << "no decoder for the window's pictures";
        return VideoDecoderFail;
    }
    m->videoDecoderContext->pkt_timebase = stream->time_base;
    int result = avcodec_open2(m->videoDecoderContext, decoder, nullptr);
    if (result < 0) {
        qWarning() << "can not open the window's decoder" << errorText(result);
        return VideoDecoderFail;
    }

    m->videoEncoder = avcodec_find_encoder_by_name("libx264");
    if (!m->videoEncoder)
        m->videoEncoder = avcodec_find_encoder(AV_CODEC_ID_H264);
    AVCodecContext *encoder = m->videoEncoder ? avcodec_alloc_context3(m->videoEncoder) : nullptr;
    if (!encoder) {
        qWarning() << "can not open video encoder";
        return VideoEncoderOpenFail;
    }
    {
        QMutexLocker lock(&m->codecLock);
        m->videoEncoderContext = encoder;
    }
    encoder->codec_id = AV_CODEC_ID_H264;
    encoder->width = videoWidth;
    encoder->height = videoHeight;
    encoder->pix_fmt = AV_PIX_FMT_YUV420P;
    encoder->time_base = AVRational { 1, videoFrameRate };
    encoder->framerate = AVRational { videoFrameRate, 1 };
    encoder->gop_size = 10;
    encoder->max_b_frames = 0;
    encoder->bit_rate = videoBitRate;
    encoder->qmin = 10;
    encoder->qmax = 30;
    encoder->qcompress = 0.6f;
    encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary *options = nullptr;
    av_dict_set(&options, "tune", "zerolatency", 0);
    av_dict_set(&options, "profile", "baseline", 0);
    result = avcodec_open2(encoder, m->videoEncoder, &options);
    av_dict_free(&options);
    if (result < 0) {
        qWarning() << "can not open video encoder" << errorText(result);
        return VideoEncoderOpenFail;
    }
    qInfo() << "window pictures:" << m->videoDecoderContext->width << "x" << m->videoDecoderContext->height
            << "pixel format:" << m->videoDecoderContext->pix_fmt;
    return 0;
}

int ScreenRecorder::recordFileOutput()
{
    Media *m = m_media.get();
    const QByteArray path = m_recordFile.toUtf8();
    qInfo() << "output file:" << m_recordFile;
    AVFormatContext *output = nullptr;
    if (path.isEmpty() || avformat_alloc_output_context2(&output, nullptr, nullptr, path.constData()) < 0 || !output) {
        qWarning() << "can not make the output context of the file" << m_recordFile;
        return OutputAllocFail;
    }
    output->max_interleave_delta = maxInterleaveDeltaUs;
    // Sound is stream 0, pictures stream 1. Pictures are stamped by the clock, not counted: their stream is
    // offered the 90 kHz clock rather than the encoder's tenths of a second.
    for (AVCodecContext *encoder : { m->audioEncoderContext, m->videoEncoderContext }) {
        AVStream *stream = avformat_new_stream(output, nullptr);
        if (!stream || avcodec_parameters_from_context(stream->codecpar, encoder) < 0) {
            qWarning() << "can not add a stream to the output file";
            avformat_free_context(output);
            return OutputStreamFail;
        }
        stream->time_base = encoder == m->videoEncoderContext ? AVRational { 1, 90000 } : encoder->time_base;
        qInfo() << "set tbn:" << stream->time_base.num << "/" << stream->time_base.den;
        qInfo() << "set tbc:" << encoder->time_base.num << "/" << encoder->time_base.den;
    }
    if (!(output->oformat->flags & AVFMT_NOFILE)) {
        const int result = avio_open(&output->pb, path.constData(), AVIO_FLAG_WRITE);
        if (result < 0) {
            qWarning() << "can not open the output file" << m_recordFile << errorText(result);
            avformat_free_context(output);
            return OutputOpenFail;
        }
    }
    qInfo() << "start write the header of the output file!";
    const int result = avformat_write_header(output, nullptr);
    if (result < 0) {
        qWarning() << "can not write the header of the output file!" << result << errorText(result);
        if (!(output->oformat->flags & AVFMT_NOFILE))
            avio_closep(&output->pb);
        avformat_free_context(output);
        return OutputHeaderFail;
    }
    QMutexLocker lock(&m->outputLock);
    m->outputContext = output;
    m->outputHeaderWritten = true;
    return 0;
}

int ScreenRecorder::openFailed(int code, const char *text)
{
    if (m_quitRequested.load())
        return endWithoutRecording();
    qWarning() << text << code;
    m_state.store(StateTearingDown);
    resetMediaCtx(m_media.get());
    m_state.store(StateIdle);
    emit signalRecordFail(code);
    m_ended.store(true);
    emit signalRecordExit();
    return -1;
}

int ScreenRecorder::endWithoutRecording()
{
    qInfo() << "stopped before the recording began";
    m_state.store(StateTearingDown);
    resetMediaCtx(m_media.get());
    m_state.store(StateIdle);
    emit signalGUIResponse();
    m_ended.store(true);
    emit signalRecordExit();
    return 0;
}

bool ScreenRecorder::allocBuffers()
{
    Media *m = m_media.get();
    const int pictureBytes = av_image_get_buffer_size(AV_PIX_FMT_YUV420P, videoWidth, videoHeight, 1);
    if (pictureBytes <= 0)
        return false;
    m_pictureBuffer = static_cast<uint8_t *>(av_malloc(size_t(pictureBytes)));
    m_videoFrame = av_frame_alloc();
    m_audioFrame = av_frame_alloc();
    m_videoPacket = av_packet_alloc();
    m_audioPacket = av_packet_alloc();
    if (!m_pictureBuffer || !m_videoFrame || !m_audioFrame || !m_videoPacket || !m_audioPacket)
        return false;
    if (av_image_fill_arrays(
            m_videoFrame->data, m_videoFrame->linesize, m_pictureBuffer, AV_PIX_FMT_YUV420P, videoWidth, videoHeight, 1)
        < 0)
        return false;
    m_videoFrame->width = videoWidth;
    m_videoFrame->height = videoHeight;
    m_videoFrame->format = AV_PIX_FMT_YUV420P;
    {
        QMutexLocker lock(&m->frameLock);
        m->pictureBytes = pictureBytes;
        m->frameFifo = av_fifo_alloc2(size_t(pictureBytes), 1, 0);
        if (!m->frameFifo)
            return false;
    }
    QMutexLocker lock(&m->sampleLock);
    m->sampleFifo = av_audio_fifo_alloc(m->audioEncoderContext->sample_fmt, 1, audioFrameSize * 4);
    m->sampleHead = 0;
    m->sampleEncodedEnd = 0;
    m->sampleAnchorPending = true;
    return m->sampleFifo != nullptr;
}

void ScreenRecorder::freeBuffers()
{
    av_freep(&m_pictureBuffer);
    av_frame_free(&m_videoFrame);
    av_frame_free(&m_audioFrame);
    av_packet_free(&m_videoPacket);
    av_packet_free(&m_audioPacket);
}

int ScreenRecorder::recordFileOrRtmp()
{
    Media *m = m_media.get();
    m_state.store(StateOpening);
    {
        QMutexLocker lock(&m->exitLock);
        m->exitMask = 0;
    }
    qInfo() << "start" << m_recordFile;
    if (m_quitRequested.load())
        return endWithoutRecording();
    int result = initAudioDevice();
    if (result != 0)
        return openFailed(result, "open audio fail");
    if (m_quitRequested.load())
        return endWithoutRecording();
    result = InitGDIDevice(QRect(), false);
    if (result != 0)
        return openFailed(result, "open video fail");
    if (m_quitRequested.load())
        return endWithoutRecording();
    m->startTimeline();
    result = recordFileOutput();
    if (result != 0)
        return openFailed(result, "open output file fail");
    if (m_quitRequested.load())
        return endWithoutRecording();

    qInfo() << "record initila ok";
    m->audioRunning.store(true);
    m->videoRunning.store(true);
    m->mainRunning.store(true);
    if (!allocBuffers()) {
        qWarning() << "can not allocate the frame and sample buffers";
        freeBuffers();
        return openFailed(OutputAllocFail, "open output file fail");
    }
    m->videoInput.setRunningFlag(&m->videoRunning);
    m->audioInput.setRunningFlag(&m->audioRunning);
    m_videoThread = std::thread(&ScreenRecorder::videoCaptureLoop, this);
    m_audioThread = std::thread(&ScreenRecorder::audioCaptureLoop, this);
    m_state.store(StateRecording);
    emit signalRecordSuccess();

    bool first = true;
    while (m->mainRunning.load()) {
        if (first) {
            first = false;
            emit signalGUIResponse();
        }
        if (m_quitRequested.load()) {
            m->audioRunning.store(false);
            m->videoRunning.store(false);
            QThread::msleep(100);
            m->mainRunning.store(false);
            break;
        }
        if (m->isPaused()) {
            QThread::msleep(10);
            continue;
        }
        encodeVideo();
        encodeAudio();
        QThread::msleep(1);
    }

    m_recordPts.store(0);
    m->setPaused(false);
    m->audioRunning.store(false);
    m->videoRunning.store(false);
    if (m_videoThread.joinable())
        m_videoThread.join();
    if (m_audioThread.joinable())
        m_audioThread.join();
    flushEncoders();
    freeBuffers();
    loopEnded(4, "RecordFile exit,alreadyExitThread:");
    bool last = false;
    {
        QMutexLocker lock(&m->exitLock);
        last = m->exitMask == 7;
        if (last)
            m->exitMask = 0;
    }
    if (last) {
        qInfo() << "last exit thread:RecordFile";
        teardown();
    }
    emit signalFileUpload();
    emit signalGUIResponse();
    qInfo() << "record_file thread exit end";
    m_ended.store(true);
    emit signalRecordExit();
    return 0;
}

void ScreenRecorder::teardown()
{
    m_state.store(StateTearingDown);
    const int tail = WriteFileTail();
    if (tail < 0)
        qWarning() << "the trailer of the output file was not written:" << errorText(tail);
    {
        QMutexLocker lock(&m_media->outputLock);
        if (m_media->share) {
            m_media->share->close(true);
            m_media->share.reset();
            m_media->rtmpOutput = nullptr;
        }
    }
    resetMediaCtx(m_media.get());
    m_state.store(StateIdle);
}

void ScreenRecorder::loopEnded(int bit, const char *text)
{
    QMutexLocker lock(&m_media->exitLock);
    m_media->exitMask |= bit;
    qInfo() << text << m_media->exitMask;
}

void ScreenRecorder::videoCaptureLoop()
{
    Media *m = m_media.get();
    AVPacket *packet = av_packet_alloc();
    AVFrame *frame = av_frame_alloc();
    AVFrame *scaled = av_frame_alloc();
    int pictureBytes = 0;
    {
        QMutexLocker lock(&m->frameLock);
        pictureBytes = m->pictureBytes;
    }
    uint8_t *picture = static_cast<uint8_t *>(av_malloc(size_t(pictureBytes)));
    bool ready = packet && frame && scaled && picture;
    if (ready) {
        scaled->width = videoWidth;
        scaled->height = videoHeight;
        scaled->format = AV_PIX_FMT_YUV420P;
        ready = av_frame_get_buffer(scaled, 0) >= 0;
    }
    if (!ready)
        qCritical() << "the window capture has no buffers";
    qInfo() << "output format:" << videoWidth << "x" << videoHeight << "yuv420p";

    QElapsedTimer warmUp;
    warmUp.start();
    while (ready && m->videoRunning.load() && warmUp.elapsed() < videoWarmUpMs) {
        if (m->videoInput.read(packet) == 0) {
            qInfo() << "Lose some video frames";
            av_packet_unref(packet);
        }
    }
    int failures = 0;
    while (ready && m->videoRunning.load()) {
        const int readResult = m->videoInput.read(packet);
        if (readResult == AVERROR_EXIT)
            continue;
        if (readResult < 0) {
            if (worthLogging(++failures))
                qWarning() << "Couldn't read video frame" << errorText(readResult) << "count:" << failures;
            continue;
        }
        failures = 0;
        if (m->isPaused()) {
            av_packet_unref(packet);
            QThread::msleep(10);
            continue;
        }
        if (packet->stream_index != m->videoStreamIndex) {
            qWarning() << "abnormal packet_index: " << packet->stream_index;
            av_packet_unref(packet);
            QThread::msleep(50);
            continue;
        }
        const int64_t takenUs = m->timelineUs();
        int result = avcodec_send_packet(m->videoDecoderContext, packet);
        av_packet_unref(packet);
        if (result < 0) {
            qWarning() << "video:avcodec_send_packet failed" << errorText(result);
            continue;
        }
        while ((result = avcodec_receive_frame(m->videoDecoderContext, frame)) >= 0) {
            m->scaler = sws_getCachedContext(m->scaler, frame->width, frame->height, AVPixelFormat(frame->format),
                videoWidth, videoHeight, AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr, nullptr);
            const bool converted = m->scaler && av_frame_make_writable(scaled) >= 0
                && sws_scale(m->scaler, frame->data, frame->linesize, 0, frame->height, scaled->data, scaled->linesize)
                    > 0
                && av_image_copy_to_buffer(picture, pictureBytes, scaled->data, scaled->linesize, AV_PIX_FMT_YUV420P,
                       videoWidth, videoHeight, 1)
                    == pictureBytes;
            av_frame_unref(frame);
            if (!converted) {
                qWarning() << "the window's picture could not be scaled";
                continue;
            }
            // A picture the encoder has not taken yet is not overwritten: this one is dropped.
            QMutexLocker lock(&m->frameLock);
            if (m->frameFifo && av_fifo_can_write(m->frameFifo) >= size_t(pictureBytes)) {
                av_fifo_write(m->frameFifo, picture, size_t(pictureBytes));
                m->frameTimeUs = takenUs;
            }
        }
        if (result != AVERROR(EAGAIN) && result != AVERROR_EOF)
            qWarning() << "video:avcodec_receive_frame encoder failed!" << errorText(result);
    }
    av_freep(&picture);
    av_frame_free(&scaled);
    av_frame_free(&frame);
    av_packet_free(&packet);
    loopEnded(2, "thread_gdi_fifo exit,alreadyExitThread:");
    qInfo() << "video_fifo thread exit end";
}

void ScreenRecorder::audioCaptureLoop()
{
    Media *m = m_media.get();
    AVPacket *packet = av_packet_alloc();
    AVFrame *frame = av_frame_alloc();
    const bool ready = packet && frame;
    if (!ready)
        qCritical() << "the microphone capture has no buffers";
    QElapsedTimer warmUp;
    warmUp.start();
    while (ready && m->audioRunning.load() && warmUp.elapsed() < audioWarmUpMs) {
        if (m->audioInput.read(packet) == 0) {
            qInfo() << "Lose some audio samples";
            av_packet_unref(packet);
        }
    }
    qInfo() << "fifo audio frame";
    int failures = 0;
    bool ignoring = false;
    while (ready && m->audioRunning.load()) {
        const int readResult = m->audioInput.read(packet);
        if (readResult == AVERROR_EXIT)
            continue;
        if (readResult < 0) {
            if (worthLogging(++failures))
                qWarning() << "Couldn't read audio frame" << errorText(readResult) << "count:" << failures;
            continue;
        }
        failures = 0;
        if (m->isPaused()) {
            av_packet_unref(packet);
            QThread::msleep(10);
            continue;
        }
        const int64_t readUs = m->timelineUs();
        if (av_gettime() - m->startTimeUs() < audioIgnoreUs) {
            if (!ignoring)
                qInfo() << "audio packet read fast,ignore";
            ignoring = true;
            av_packet_unref(packet);
            continue;
        }
        int result = avcodec_send_packet(m->audioDecoderContext, packet);
        av_packet_unref(packet);
        if (result < 0) {
            qWarning() << "avcodec send packet failed" << errorText(result);
            continue;
        }
        while ((result = avcodec_receive_frame(m->audioDecoderContext, frame)) >= 0) {
            queueSamples(frame, readUs);
            av_frame_unref(frame);
        }
        if (result != AVERROR(EAGAIN) && result != AVERROR_EOF)
            qWarning() << "audio avcodec_receive_frame failed" << errorText(result);
    }
    av_frame_free(&frame);
    av_packet_free(&packet);
    loopEnded(1, "thread_audio_fifo exit,alreadyExitThread:");
    qInfo() << "audio_fifo thread exit end";
}

void ScreenRecorder::queueSamples(const AVFrame *frame, int64_t readUs)
{
    Media *m = m_media.get();
    AVCodecContext *encoder = m->audioEncoderContext;
    if (!m->resampler) {
        AVChannelLayout input;
        if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || av_channel_layout_check(&frame->ch_layout) == 0)
            av_channel_layout_default(&input, qMax(1, frame->ch_layout.nb_channels));
        else
            av_channel_layout_copy(&input, &frame->ch_layout);
        const int result = swr_alloc_set_opts2(&m->resampler, &encoder->ch_layout, encoder->sample_fmt, sampleRate,
            &input, AVSampleFormat(frame->format), frame->sample_rate, 0, nullptr);
        av_channel_layout_uninit(&input);
        if (result < 0 || swr_init(m->resampler) < 0) {
            qWarning() << "no resampler for the microphone's sound" << frame->format << frame->sample_rate;
            swr_free(&m->resampler);
            return;
        }
    }
    const int room = swr_get_out_samples(m->resampler, frame->nb_samples);
    if (room <= 0)
        return;
    uint8_t **converted = nullptr;
    if (av_samples_alloc_array_and_samples(&converted, nullptr, 1, room, encoder->sample_fmt, 0) < 0) {
        qWarning() << "Couldn't allocate converted input samples.";
        return;
    }
    const int count = swr_convert(
        m->resampler, converted, room, const_cast<const uint8_t **>(frame->extended_data), frame->nb_samples);
    if (count < 0) {
        qWarning() << "Couldn't convert input samples.";
    } else if (count > 0) {
        QMutexLocker lock(&m->sampleLock);
        if (!m->sampleFifo) {
            qWarning() << "record audio fifo nullptr";
        } else {
            if (m->sampleAnchorPending) {
                // These samples were taken over the block that ended when the read returned.
                av_audio_fifo_reset(m->sampleFifo);
                const int64_t takenAt = av_rescale(readUs, sampleRate, 1000000) - count;
                m->sampleHead = qMax(takenAt, m->sampleEncodedEnd);
                m->sampleAnchorPending = false;
                qInfo() << "sound starts at" << m->sampleHead * 1000 / sampleRate << "ms";
            }
            if (av_audio_fifo_size(m->sampleFifo) + count > maxQueuedSamples)
                qWarning() << "the sound queue is full, samples dropped:" << count;
            else if (av_audio_fifo_write(m->sampleFifo, reinterpret_cast<void **>(converted), count) < count)
                qWarning() << "Couldn't write data to FIFO.";
        }
    }
    av_freep(&converted[0]);
    av_freep(&converted);
}

void ScreenRecorder::encodeVideo()
{
    Media *m = m_media.get();
    int64_t takenUs = 0;
    {
        QMutexLocker lock(&m->frameLock);
        if (!m->frameFifo || m->pictureBytes <= 0 || av_fifo_can_read(m->frameFifo) < size_t(m->pictureBytes))
            return;
        av_fifo_read(m->frameFifo, m_pictureBuffer, size_t(m->pictureBytes));
        takenUs = m->frameTimeUs;
    }
    AVCodecContext *encoder = m->videoEncoderContext;
    int64_t pts = av_rescale_q(takenUs, microseconds, encoder->time_base);
    if (m_lastFramePts != INT64_MIN && pts <= m_lastFramePts)
        pts = m_lastFramePts + 1;
    m_lastFramePts = pts;
    m_videoFrame->pts = pts;
    m_framesInEncoder.emplace_back(pts, takenUs);
    while (m_framesInEncoder.size() > maxFramesInEncoder)
        m_framesInEncoder.pop_front();
    const int result = avcodec_send_frame(encoder, m_videoFrame);
    if (result < 0) {
        qWarning() << "avcodec_send_frame failed" << errorText(result);
        m_framesInEncoder.pop_back();
        return;
    }
    receiveVideoPackets();
}

void ScreenRecorder::receiveVideoPackets()
{
    Media *m = m_media.get();
    for (;;) {
        const int result = avcodec_receive_packet(m->videoEncoderContext, m_videoPacket);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
            return;
        if (result < 0) {
            qWarning() << "video avcodec_receive_packet AVERROR" << errorText(result);
            qWarning() << "Error during decoding video";
            return;
        }
        // Stamped with the time the picture was taken, in microseconds; each output gets it in its own time base.
        int64_t takenUs = -1;
        while (!m_framesInEncoder.empty() && m_framesInEncoder.front().first < m_videoPacket->pts)
            m_framesInEncoder.pop_front();
        if (!m_framesInEncoder.empty() && m_framesInEncoder.front().first == m_videoPacket->pts) {
            takenUs = m_framesInEncoder.front().second;
            m_framesInEncoder.pop_front();
        } else {
            takenUs = m->timelineUs();
        }
        int64_t duration = av_rescale(firstPictureDuration90k, 1000000, 90000);
        if (m_lastVideoUs != INT64_MIN) {
            takenUs = qMax(takenUs, m_lastVideoUs + minPictureStepUs);
            duration = takenUs - m_lastVideoUs;
        }
        m_lastVideoUs = takenUs;
        m_videoPacket->pts = takenUs;
        m_videoPacket->dts = takenUs;
        m_videoPacket->duration = duration;
        writePacket(m_videoPacket, 1, microseconds, true);
    }
}

void ScreenRecorder::encodeAudio()
{
    Media *m = m_media.get();
    AVCodecContext *encoder = m->audioEncoderContext;
    const int frameSize = encoder->frame_size > 0 ? qMin(encoder->frame_size, audioFrameSize) : audioFrameSize;
    {
        QMutexLocker lock(&m->sampleLock);
        if (!m->sampleFifo) {
            if (worthLogging(++m_idleAudioPasses))
                qWarning() << "audioRecordFifo not inital";
            return;
        }
        if (av_audio_fifo_size(m->sampleFifo) < frameSize) {
            if (!m->audioRunning.load() && worthLogging(++m_idleAudioPasses))
                qInfo() << "not enough data for audioRecord";
            return;
        }
        m_idleAudioPasses = 0;
        m_audioFrame->nb_samples = frameSize;
        m_audioFrame->format = encoder->sample_fmt;
        m_audioFrame->sample_rate = encoder->sample_rate;
        av_channel_layout_copy(&m_audioFrame->ch_layout, &encoder->ch_layout);
        if (av_frame_get_buffer(m_audioFrame, 0) < 0) {
            qWarning() << "no buffer for an audio frame";
            av_frame_unref(m_audioFrame);
            return;
        }
        av_audio_fifo_read(m->sampleFifo, reinterpret_cast<void **>(m_audioFrame->data), frameSize);
        // Stamped by where its first sample lies on the time line.
        m_audioFrame->pts = m->sampleHead;
        m->sampleHead += frameSize;
        m->sampleEncodedEnd = m->sampleHead;
    }
    const int result = avcodec_send_frame(encoder, m_audioFrame);
    av_frame_unref(m_audioFrame);
    if (result < 0) {
        qWarning() << "avcodec_send_frame audio failed" << errorText(result);
        return;
    }
    receiveAudioPackets();
    ++m_audioFrameCount;
}

void ScreenRecorder::receiveAudioPackets()
{
    Media *m = m_media.get();
    AVCodecContext *encoder = m->audioEncoderContext;
    for (;;) {
        const int result = avcodec_receive_packet(encoder, m_audioPacket);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
            return;
        if (result < 0) {
            qWarning() << "audio avcodec_receive_packet failed" << errorText(result);
            return;
        }
        if (m_audioPacket->pts != AV_NOPTS_VALUE)
            m_recordPts.store(qMax<int64_t>(0, m_audioPacket->pts) / sampleRate);
        writePacket(m_audioPacket, 0, encoder->time_base, false);
    }
}

void ScreenRecorder::flushEncoders()
{
    Media *m = m_media.get();
    if (!m_videoPacket || !m_audioPacket)
        return;
    if (m->videoEncoderContext && avcodec_send_frame(m->videoEncoderContext, nullptr) >= 0)
        receiveVideoPackets();
    if (m->audioEncoderContext && avcodec_send_frame(m->audioEncoderContext, nullptr) >= 0)
        receiveAudioPackets();
}

void ScreenRecorder::writePacket(AVPacket *packet, int streamIndex, const AVRational &timeBase, bool isVideo)
{
    Media *m = m_media.get();
    QMutexLocker lock(&m->outputLock);
    AVPacket *shared = nullptr;
    if (m->rtmpOutput && g_shareRtmpFlag.load() && packet->pts != AV_NOPTS_VALUE) {
        const int64_t us = av_rescale_q(packet->pts, timeBase, microseconds);
        // The share's pictures begin with a whole one.
        const bool wanted = !isVideo || m->shareVideoStarted || (packet->flags & AV_PKT_FLAG_KEY);
        if (us >= m->shareStartUs && wanted) {
            shared = av_packet_clone(packet);
            if (isVideo)
                m->shareVideoStarted = true;
        }
    }
    if (m->outputContext && m->outputHeaderWritten) {
        packet->stream_index = streamIndex;
        av_packet_rescale_ts(packet, timeBase, m->outputContext->streams[streamIndex]->time_base);
        packet->pos = -1;
        const int result = av_interleaved_write_frame(m->outputContext, packet);
        int &failures = isVideo ? m_videoWriteFailures : m_audioWriteFailures;
        if (result < 0) {
            if (worthLogging(++failures))
                qWarning() << (isVideo ? "write video fail" : "write audio fail file") << errorText(result);
        } else {
            failures = 0;
        }
    }
    av_packet_unref(packet);
    if (!shared)
        return;
    // The share's stream starts at 0 when the share begins.
    const int64_t offset = av_rescale_q(m->shareStartUs, microseconds, timeBase);
    shared->pts = qMax<int64_t>(0, shared->pts - offset);
    shared->dts = shared->dts == AV_NOPTS_VALUE ? shared->pts : qMax<int64_t>(0, shared->dts - offset);
    shared->stream_index = streamIndex;
    av_packet_rescale_ts(shared, timeBase, m->rtmpOutput->streams[streamIndex]->time_base);
    shared->pos = -1;
    m->share->armDeadline(m->share->writeLimit());
    const int result = av_interleaved_write_frame(m->rtmpOutput, shared);
    m->share->armDeadline(0);
    av_packet_free(&shared);
    if (result < 0) {
        qWarning() << (isVideo ? "write video fail" : "write audio fail rtmp") << errorText(result);
        dropShare();
    }
}

void ScreenRecorder::dropShare()
{
    // Under the output lock. A share that cannot take a packet within its limit is given up: the recording
    // goes on into the file alone instead of waiting on the server for every packet.
    Media *m = m_media.get();
    qWarning() << "the share is given up, the recording goes on into the file";
    if (m->share) {
        m->share->abort();
        m->share->close(false);
        m->share.reset();
    }
    m->rtmpOutput = nullptr;
    g_shareRtmpFlag.store(false);
    emit signalShareRtmpExit();
}
