#include "vrek/media/push/pushvideostream.h"

#include "platform/capturedevice/capturedeviceresolver.h"
#include "vrek/media/push/pushstreamcontext.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <QDebug>
#include <QThread>

namespace {
// The stage bit the engine knows the video stage by.
constexpr uchar videoStageBit = 2;
const AVRational encoderTimeBase { 1, 1000000 }; // wall-clock microseconds
} // namespace

PushVideoStream::PushVideoStream(std::shared_ptr<PushStreamContext> context, QObject *parent)
    : QObject(parent)
    , m_context(std::move(context))
{
    qRegisterMetaType<PushVideoStream::VideoInitialType>("PushVideoStream::VideoInitialType");
    qRegisterMetaType<PushVideoStream::VideoEncodeType>("PushVideoStream::VideoEncodeType");
    m_capture.setRunningFlag(&m_running);
    m_ffmpegReady = ffmpegInitial();
}

PushVideoStream::~PushVideoStream()
{
    m_running.store(false);
    freeContexts();
    freeBuffers();
    av_frame_free(&m_cameraFrame);
    av_frame_free(&m_encodeFrame);
    av_frame_free(&m_previewFrame);
    av_packet_free(&m_cameraPacket);
    av_packet_free(&m_encodePacket);
}

bool PushVideoStream::ffmpegInitial()
{
    if (!m_cameraFrame)
        m_cameraFrame = av_frame_alloc();
    if (!m_encodeFrame)
        m_encodeFrame = av_frame_alloc();
    if (!m_previewFrame)
        m_previewFrame = av_frame_alloc();
    if (!m_cameraPacket)
        m_cameraPacket = av_packet_alloc();
    if (!m_encodePacket)
        m_encodePacket = av_packet_alloc();
    return m_cameraFrame && m_encodeFrame && m_previewFrame && m_cameraPacket && m_encodePacket;
}

void PushVideoStream::moveThread(QThread *thread)
{
    qInfo() << "thread:" << thread;
    moveToThread(thread);
}

void PushVideoStream::pushVideoStop()
{
    qInfo() << "thread:" << QThread::currentThread();
    m_running.store(false);
}

void PushVideoStream::printFFmpegError(const int errorId, const QString &msg)
{
    char text[1024] = {};
    if (av_strerror(errorId, text, sizeof(text)) < 0) {
        qWarning() << "the av_strerror exec error! " << msg << errorId;
        return;
    }
    qWarning() << "msg:" << msg << "errorId:" << errorId << "ffmpegErrorString:" << text;
}

void PushVideoStream::videoInitialIn(QString videoDeviceName, QSize pushVideoSize)
{
    qInfo() << "Initial::::1"
            << "vdn:" << videoDeviceName << pushVideoSize;
    if (!m_ffmpegReady)
        m_ffmpegReady = ffmpegInitial();
    if (!m_ffmpegReady) {
        emit videoInitialResultOut(VideoFrameAllocFail);
        return;
    }
    // A second initialisation without a reset starts from nothing all the same.
    freeContexts();
    m_videoDeviceName = videoDeviceName;
    if (m_videoDeviceName.isEmpty()) {
        emit videoInitialResultOut(VideoDeviceNameEmpty);
        return;
    }
    m_running.store(true);
    qInfo() << "Initial::::2";
    VideoInitialType result = openCamera();
    if (result == VideoInitialSuccess)
        result = openEncoder(pushVideoSize);
    if (result != VideoInitialSuccess) {
        // Nothing stays open for a stage that is not used: the camera's light goes off.
        freeContexts();
    } else {
        qInfo() << "Initial::::17";
    }
    emit videoInitialResultOut(result);
}

PushVideoStream::VideoInitialType PushVideoStream::openCamera()
{
    const CaptureSource source = CaptureDeviceResolver::cameraSource(m_videoDeviceName);
    qInfo() << "Initial::::3" << source.format << source.url;
    int error = 0;
    switch (m_capture.open(source, &error)) {
    case CaptureInput::OpenOk:
        break;
    case CaptureInput::OpenOptionFailed:
        printFFmpegError(error, QStringLiteral("PushVideoStream::videoInitialIn@av_dict_set"));
        return VideoOptionSetFail;
    case CaptureInput::OpenStreamInfoFailed:
        printFFmpegError(error, QStringLiteral("PushVideoStream::videoInitialIn@avformat_find_stream_info"));
        return VideoStreamInfoFail;
    case CaptureInput::OpenNoSource:
    case CaptureInput::OpenFormatNotFound:
        qWarning() << "no camera for the name:" << m_videoDeviceName;
        return VideoDeviceOpenFail;
    case CaptureInput::OpenInputFailed:
        printFFmpegError(error, QStringLiteral("PushVideoStream::videoInitialIn@avformat_open_input"));
        return VideoDeviceOpenFail;
    }
    AVFormatContext *input = m_capture.formatContext();
    qInfo() << "Initial::::4"
            << "video_ifmt_ctx:" << static_cast<void *>(input);
    for (unsigned int i = 0; i < input->nb_streams; ++i) {
        if (input->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
            m_videoStreamIndex = int(i);
            break;
        }
    }
    if (m_videoStreamIndex < 0)
        return VideoStreamNotFound;
    m_capture.selectStream(m_videoStreamIndex);
    const AVStream *stream = input->streams[m_videoStreamIndex];
    qInfo() << "Initial::::5";
    const AVCodec *decoder = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!decoder)
        return VideoDecoderNotFound;
    m_decoderContext = avcodec_alloc_context3(decoder);
    qInfo() << "Initial::::6"
            << "video_ifmt_codec_ctx:" << static_cast<void *>(m_decoderContext);
    if (!m_decoderContext)
        return VideoDecoderContextFail;
    if (avcodec_parameters_to_context(m_decoderContext, stream->codecpar) < 0)
        return VideoParametersCopyFail;
    m_decoderContext->pkt_timebase = stream->time_base;
    const int openResult = avcodec_open2(m_decoderContext, decoder, nullptr);
    if (openResult < 0) {
        printFFmpegError(openResult, QStringLiteral("PushVideoStream::videoInitialIn@avcodec_open2"));
        return VideoDecoderOpenFail;
    }
    qInfo() << "Initial::::7"
            << "cameraSize:" << m_decoderContext->width << m_decoderContext->height
            << "pixelFormat:" << m_decoderContext->pix_fmt;
    return VideoInitialSuccess;
}

PushVideoStream::VideoInitialType PushVideoStream::openEncoder(const QSize &size)
{
    m_pushSize = size;
    qInfo() << "Initial::::8";
    m_encoder = avcodec_find_encoder_by_name("libx264");
    if (!m_encoder)
        m_encoder = avcodec_find_encoder(AV_CODEC_ID_H264);
    if (!m_encoder)
        return VideoEncoderNotFound;
    m_encoderContext = avcodec_alloc_context3(m_encoder);
    qInfo() << "Initial::::9"
            << "video_dev_codec_ctx:" << static_cast<void *>(m_encoderContext);
    if (!m_encoderContext)
        return VideoEncoderContextFail;
    m_encoderContext->pix_fmt = AV_PIX_FMT_YUV420P;
    m_encoderContext->codec_id = AV_CODEC_ID_H264;
    m_encoderContext->width = size.width();
    m_encoderContext->height = size.height();
    // Pictures are stamped with the wall clock, so the encoder counts in microseconds; the rate is a hint.
    m_encoderContext->time_base = encoderTimeBase;
    m_encoderContext->framerate = AVRational { frameRateHint, 1 };
    m_encoderContext->qcompress = 0.6f;
    m_encoderContext->gop_size = gopSize;
    m_encoderContext->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    m_encoderContext->qmin = 10;
    m_encoderContext->qmax = 51;
    m_encoderContext->max_b_frames = 0;
    m_encoderContext->has_b_frames = 0;
    // One thread, as every other stage has: left to itself x264 starts one and a half threads per core for the
    // push's few small pictures and spends a good part of its time handing slices between them.
    m_encoderContext->thread_count = 1;
    qInfo() << "Initial::::10";

    AVDictionary *options = nullptr;
    const int set1Result = av_dict_set(&options, "tune", "zerolatency", 0);
    if (set1Result != 0)
        qWarning() << "the set1Result != 0 error! set1Result:" << set1Result;
    const int set2Result = av_dict_set(&options, "profile", "baseline", 0);
    if (set2Result != 0)
        qWarning() << "the set2Result != 0 error! set2Result:" << set2Result;
    qInfo() << "Initial::::11";
    const int openResult = avcodec_open2(m_encoderContext, m_encoder, &options);
    av_dict_free(&options);
    if (openResult < 0) {
        printFFmpegError(openResult, QStringLiteral("PushVideoStream::videoInitialIn@avcodec_open2"));
        return VideoEncoderOpenFail;
    }
    qInfo() << "Initial::::12";
    // The preview is made from the picture as it is pushed: same size, so no second scaling of the camera's.
    m_previewScaler = sws_getContext(size.width(), size.height(), AV_PIX_FMT_YUV420P, size.width(), size.height(),
        AV_PIX_FMT_RGB24, SWS_BICUBIC, nullptr, nullptr, nullptr);
    qInfo() << "Initial::::13";
    if (!m_previewScaler)
        return VideoPreviewScalerFail;
    // A camera whose format is known only from its first picture gets its scaler then.
    const int format = m_decoderContext->pix_fmt;
    if (format == AV_PIX_FMT_NONE || m_decoderContext->width <= 0 || m_decoderContext->height <= 0)
        return VideoInitialSuccess;
    m_encodeScaler = sws_getContext(m_decoderContext->width, m_decoderContext->height, AVPixelFormat(format),
        size.width(), size.height(), AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr, nullptr);
    qInfo() << "Initial::::14";
    if (!m_encodeScaler)
        return VideoEncoderScalerFail;
    return VideoInitialSuccess;
}

bool PushVideoStream::prepareEncodeScaler(int width, int height, int format)
{
    m_encodeScaler = sws_getCachedContext(m_encodeScaler, width, height, AVPixelFormat(format), m_pushSize.width(),
        m_pushSize.height(), AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr, nullptr);
    return m_previewScaler && m_encodeScaler;
}

void PushVideoStream::freeContexts()
{
    m_capture.close();
    m_videoStreamIndex = -1;
    if (m_decoderContext) {
        qInfo() << "video_ifmt_codec_ctx:" << static_cast<void *>(m_decoderContext);
        avcodec_free_context(&m_decoderContext);
    }
    if (m_encoderContext) {
        qInfo() << "video_dev_codec_ctx:" << static_cast<void *>(m_encoderContext);
        avcodec_free_context(&m_encoderContext);
    }
    m_encoder = nullptr;
    if (m_previewScaler) {
        qInfo() << "previewScaler:" << static_cast<void *>(m_previewScaler);
        sws_freeContext(m_previewScaler);
        m_previewScaler = nullptr;
    }
    if (m_encodeScaler) {
        qInfo() << "encodeScaler:" << static_cast<void *>(m_encodeScaler);
        sws_freeContext(m_encodeScaler);
        m_encodeScaler = nullptr;
    }
}

void PushVideoStream::videoResetIn()
{
    m_running.store(false);
    freeContexts();
    emit videoResetResultOut(videoStageBit);
}

PushVideoStream::VideoEncodeType PushVideoStream::allocBuffers()
{
    freeBuffers();
    const int width = m_pushSize.width();
    const int height = m_pushSize.height();
    const int encodeSize = av_image_get_buffer_size(AV_PIX_FMT_YUV420P, width, height, 1);
    if (encodeSize < 0)
        return VideoBufferSizeFail;
    m_encodeBuffer = static_cast<uint8_t *>(av_malloc(size_t(encodeSize)));
    if (!m_encodeBuffer)
        return VideoBufferAllocFail;
    if (av_image_fill_arrays(
            m_encodeFrame->data, m_encodeFrame->linesize, m_encodeBuffer, AV_PIX_FMT_YUV420P, width, height, 1)
        < 0) {
        freeBuffers();
        return VideoBufferFillFail;
    }
    m_encodeFrame->width = width;
    m_encodeFrame->height = height;
    m_encodeFrame->format = AV_PIX_FMT_YUV420P;

    const int previewSize = av_image_get_buffer_size(AV_PIX_FMT_RGB24, width, height, 1);
    if (previewSize < 0) {
        freeBuffers();
        return VideoPreviewSizeFail;
    }
    m_previewBuffer = static_cast<uint8_t *>(av_malloc(size_t(previewSize)));
    if (!m_previewBuffer) {
        freeBuffers();
        return VideoPreviewAllocFail;
    }
    if (av_image_fill_arrays(
            m_previewFrame->data, m_previewFrame->linesize, m_previewBuffer, AV_PIX_FMT_RGB24, width, height, 1)
        < 0) {
        freeBuffers();
        return VideoPreviewFillFail;
    }
    m_previewFrame->width = width;
    m_previewFrame->height = height;
    m_previewFrame->format = AV_PIX_FMT_RGB24;
    return VideoEncodeStarted;
}

void PushVideoStream::freeBuffers()
{
    av_freep(&m_encodeBuffer);
    av_freep(&m_previewBuffer);
    if (m_encodeFrame) {
        for (auto &plane : m_encodeFrame->data)
            plane = nullptr;
    }
    if (m_previewFrame) {
        for (auto &plane : m_previewFrame->data)
            plane = nullptr;
    }
}

void PushVideoStream::dropBacklog()
{
    // Bounded: a source that always has a picture ready would otherwise keep this going for ever.
    QElapsedTimer gap;
    for (int dropped = 0; dropped < backlogMaxPackets && m_running.load(); ++dropped) {
        gap.start();
        if (m_capture.read(m_cameraPacket) < 0 || gap.elapsed() > backlogGapMs)
            break;
        av_packet_unref(m_cameraPacket);
    }
    av_packet_unref(m_cameraPacket);
}

void PushVideoStream::videoEncodeIn(uchar index)
{
    qInfo() << "index:" << index;
    if (!m_encoderContext || !m_decoderContext || !m_capture.isOpen()) {
        qWarning() << "the video stage is not initialised";
        emit videoEncodeResultOut(VideoBufferSizeFail);
        return;
    }
    const VideoEncodeType bufferResult = allocBuffers();
    if (bufferResult != VideoEncodeStarted) {
        emit videoEncodeResultOut(bufferResult);
        return;
    }
    if (m_running.load())
        emit videoEncodeResultOut(VideoEncodeStarted);

    dropBacklog();
    m_lastPts = INT64_MIN;
    m_writeFailures = 0;
    QElapsedTimer awaitingSound;
    awaitingSound.start();
    QElapsedTimer frameTimer;
    int failedReads = 0;
    while (m_running.load()) {
        QThread::msleep(loopSleepMs);
        const int readResult = m_capture.read(m_cameraPacket);
        if (readResult == AVERROR_EXIT)
            continue; // stopped: the loop condition ends it
        if (readResult != 0) {
            // The input waits longer after each failure; one line for the first few and then for every 50th.
            if (++failedReads <= 3 || failedReads % 50 == 0)
                qWarning() << "the readResult != 0 error! readResult:" << readResult << "count:" << failedReads;
            continue;
        }
        failedReads = 0;
        if (beforeTheSound(awaitingSound)) {
            av_packet_unref(m_cameraPacket);
            continue;
        }
        if (frameTimer.isValid() && frameTimer.elapsed() < frameGapMs) {
            av_packet_unref(m_cameraPacket);
            continue;
        }
        frameTimer.start();
        m_timeRecord.start();
        encodePacket(index);
        av_packet_unref(m_cameraPacket);
    }
    freeBuffers();
    emit videoEncodeResultOut(VideoEncodeEnded);
}

bool PushVideoStream::beforeTheSound(const QElapsedTimer &awaiting)
{
    if (!m_context->awaitsAudio())
        return false;
    const int64_t audioStart = m_context->audioStartUs();
    if (audioStart == PushStreamContext::noAudioStart) {
        if (awaiting.elapsed() < soundWaitMs)
            return true;
        // A microphone stage that does not get going holds the pictures no longer.
        qWarning() << "no sound after" << awaiting.elapsed() << "ms, the pictures go without it";
        m_context->setAwaitAudio(false);
        return false;
    }
    if (m_context->timelineUs() < audioStart)
        return true;
    m_context->setAwaitAudio(false);
    return false;
}

void PushVideoStream::encodePacket(uchar index)
{
    const int64_t captureUs = m_context->timelineUs();
    const int sendResult = avcodec_send_packet(m_decoderContext, m_cameraPacket);
    if (sendResult < 0) {
        printFFmpegError(sendResult, QStringLiteral("PushVideoStream::videoEncodeIn@avcodec_send_packet"));
        return;
    }
    while (m_running.load()) {
        const int receiveResult = avcodec_receive_frame(m_decoderContext, m_cameraFrame);
        if (receiveResult == AVERROR(EAGAIN) || receiveResult == AVERROR_EOF)
            break;
        if (receiveResult < 0) {
            printFFmpegError(receiveResult, QStringLiteral("PushVideoStream::videoEncodeIn@avcodec_receive_frame"));
            break;
        }
        if (m_timeRecord.elapsed() > slowFrameMs)
            qInfo() << "the timeRecord elapsed:" << m_timeRecord.elapsed();
        encodeFrame(index, captureUs);
        av_frame_unref(m_cameraFrame);
    }
}

void PushVideoStream::encodeFrame(uchar index, int64_t captureUs)
{
    if (m_cameraFrame->width <= 0 || m_cameraFrame->height <= 0
        || !prepareEncodeScaler(m_cameraFrame->width, m_cameraFrame->height, m_cameraFrame->format)) {
        qWarning() << "no scaler for the picture" << m_cameraFrame->width << m_cameraFrame->height
                   << m_cameraFrame->format;
        return;
    }
    sws_scale(m_encodeScaler, m_cameraFrame->data, m_cameraFrame->linesize, 0, m_cameraFrame->height,
        m_encodeFrame->data, m_encodeFrame->linesize);
    // The preview is converted straight into an image of its own, which the receiver keeps: converted into the
    // preview frame, it would have to be copied out of it again.
    QImage preview;
    if (m_previewWanted.load())
        preview = QImage(m_pushSize.width(), m_pushSize.height(), QImage::Format_RGB888);
    if (!preview.isNull()) {
        uint8_t *planes[4] = { preview.bits(), nullptr, nullptr, nullptr };
        const int strides[4] = { int(preview.bytesPerLine()), 0, 0, 0 };
        sws_scale(
            m_previewScaler, m_encodeFrame->data, m_encodeFrame->linesize, 0, m_pushSize.height(), planes, strides);
        emit showVideoImageOut(preview);
    }
    m_picturesTaken.fetch_add(1);

    // Each picture carries the time it was taken; two in the same microsecond would stop the encoder.
    int64_t pts = av_rescale_q(captureUs, AVRational { 1, 1000000 }, m_encoderContext->time_base);
    if (m_lastPts != INT64_MIN && pts <= m_lastPts)
        pts = m_lastPts + 1;
    m_lastPts = pts;
    m_encodeFrame->pts = pts;
    const int sendResult = avcodec_send_frame(m_encoderContext, m_encodeFrame);
    if (sendResult < 0) {
        printFFmpegError(sendResult, QStringLiteral("PushVideoStream::videoEncodeIn@avcodec_send_frame"));
        return;
    }
    for (;;) {
        const int receiveResult = avcodec_receive_packet(m_encoderContext, m_encodePacket);
        if (receiveResult == AVERROR(EAGAIN) || receiveResult == AVERROR_EOF)
            break;
        if (receiveResult < 0) {
            printFFmpegError(receiveResult, QStringLiteral("PushVideoStream::videoEncodeIn@avcodec_receive_packet"));
            break;
        }
        const int writeResult = m_context->writePacket(m_encodePacket, index, m_encoderContext->time_base);
        if (writeResult < 0) {
            // A server that has gone fails every packet: one line for the first few and then for every 100th.
            if (++m_writeFailures <= 3 || m_writeFailures % 100 == 0)
                printFFmpegError(
                    writeResult, QStringLiteral("PushVideoStream::videoEncodeIn@av_interleaved_write_frame"));
        } else {
            m_writeFailures = 0;
        }
        av_packet_unref(m_encodePacket);
    }
}
