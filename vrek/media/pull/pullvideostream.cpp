#include "vrek/media/pull/pullvideostream.h"

#include "vrek/media/pull/pullstreamcontext.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <QDebug>
#include <QElapsedTimer>
#include <QMutexLocker>
#include <QThread>

PullVideoStream::PullVideoStream(PullStreamContext *context, QObject *parent)
    : QObject(parent)
    , m_context(context)
{
    qRegisterMetaType<PullVideoStream::VideoInitialType>("PullVideoStream::VideoInitialType");
    qRegisterMetaType<PullVideoStream::VideoDecodeType>("PullVideoStream::VideoDecodeType");
    m_initialised = ffmpegInitial();
}

PullVideoStream::~PullVideoStream()
{
    freeDecoder();
    av_frame_free(&m_frame);
}

bool PullVideoStream::ffmpegInitial()
{
    if (!m_frame)
        m_frame = av_frame_alloc();
    return m_frame != nullptr;
}

void PullVideoStream::moveThread(QThread *thread)
{
    moveToThread(thread);
}

void PullVideoStream::pullVideoStop()
{
    m_running.store(false);
    m_context->wakeVideoStage();
}

void PullVideoStream::videoInitialIn()
{
    if (!m_initialised)
        m_initialised = ffmpegInitial();
    if (!m_initialised) {
        emit videoInitialResultOut(VideoFrameAllocFail);
        return;
    }
    m_running.store(true);
    const VideoInitialType result = openDecoder();
    if (result != VideoInitialSuccess) {
        freeDecoder();
        // Nobody would take its packets: queued, they would only push the sound out with them.
        m_context->setVideoStreamIndex(-1);
    }
    emit videoInitialResultOut(result);
}

PullVideoStream::VideoInitialType PullVideoStream::openDecoder()
{
    freeDecoder();
    QMutexLocker lock(m_context->formatMutex());
    AVFormatContext *input = m_context->getFormatContext();
    if (!input)
        return VideoStreamNotFound;

    // A stream the read stage claimed after the open is the one to decode; else the first video stream.
    int index = m_context->getVideoStreamIndex();
    const bool claimedLate = index >= 0 && index < int(input->nb_streams)
        && input->streams[index]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO;
    if (!claimedLate) {
        index = -1;
        for (unsigned int i = 0; i < input->nb_streams; ++i) {
            if (input->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
                index = int(i);
                break;
            }
        }
    }
    if (index < 0)
        return VideoStreamNotFound;
    m_videoStreamIndex = index;
    m_context->setVideoStreamIndex(index);
    const AVCodecParameters *parameters = input->streams[index]->codecpar;

    m_codec = avcodec_find_decoder(parameters->codec_id);
    if (!m_codec)
        return VideoDecoderNotFound;
    m_codecContext = avcodec_alloc_context3(m_codec);
    if (!m_codecContext)
        return VideoContextAllocFail;
    if (avcodec_parameters_to_context(m_codecContext, parameters) < 0)
        return VideoParametersCopyFail;
    // The read stage hands packets over in microseconds.
    m_codecContext->pkt_timebase = AVRational { 1, 1000000 };
    const int openResult = avcodec_open2(m_codecContext, m_codec, nullptr);
    if (openResult < 0) {
        char text[AV_ERROR_MAX_STRING_SIZE] = {};
        av_strerror(openResult, text, sizeof(text));
        qWarning() << "errorId:" << openResult << "ffmpegErrorString:" << text
                   << "PullVideoStream::videoInitialIn@avcodec_open2";
        return VideoDecoderOpenFail;
    }
    qInfo() << "pullStreamSize:" << m_codecContext->width << m_codecContext->height;
    // A stream that came late has not been probed: its size and format are known from the first picture.
    if (m_codecContext->width <= 0 || m_codecContext->height <= 0)
        return claimedLate ? VideoInitialSuccess : VideoSizeInvalid;
    if (m_codecContext->pix_fmt != AV_PIX_FMT_NONE
        && !prepareScaler(m_codecContext->width, m_codecContext->height, m_codecContext->pix_fmt))
        return VideoScalerFail;
    return VideoInitialSuccess;
}

bool PullVideoStream::prepareScaler(int width, int height, int format)
{
    if (m_scaler && width == m_scaleWidth && height == m_scaleHeight && format == m_scaleFormat)
        return true;
    if (av_image_check_size(unsigned(width), unsigned(height), 0, nullptr) < 0)
        return false;
    m_scaler = sws_getCachedContext(m_scaler, width, height, AVPixelFormat(format), width, height, AV_PIX_FMT_RGB24,
        SWS_BICUBIC, nullptr, nullptr, nullptr);
    if (!m_scaler) {
        m_scaleWidth = m_scaleHeight = 0;
        m_scaleFormat = -1;
        return false;
    }
    if (m_scaleWidth != 0 && (width != m_scaleWidth || height != m_scaleHeight))
        qInfo() << "pullStreamSize:" << width << height;
    m_scaleWidth = width;
    m_scaleHeight = height;
    m_scaleFormat = format;
    return true;
}

void PullVideoStream::freeDecoder()
{
    avcodec_free_context(&m_codecContext);
    m_codec = nullptr;
    sws_freeContext(m_scaler);
    m_scaler = nullptr;
    m_scaleWidth = m_scaleHeight = 0;
    m_scaleFormat = -1;
    m_videoStreamIndex = -1;
    m_pictures.fill(QImage());
}

void PullVideoStream::videoResetIn()
{
    m_running.store(false);
    freeDecoder();
    m_stalledAudioClock = INT64_MIN;
    m_lastAudioClock = INT64_MIN;
    m_audioRestartVideoPts = INT64_MIN;
    emit videoResetResultOut(PullStreamContext::videoBit);
}

void PullVideoStream::videoDecodeIn()
{
    if (!m_codecContext) {
        qWarning() << "the video decoder is not open";
        m_running.store(false);
        emit videoDecodeResultOut(VideoDecodeEnded);
        return;
    }
    if (m_codecContext->width > 0 && m_codecContext->height > 0
        && av_image_get_buffer_size(AV_PIX_FMT_RGB24, m_codecContext->width, m_codecContext->height, 1) < 0) {
        emit videoDecodeResultOut(VideoBufferSizeFail);
        return;
    }
    if (m_running.load())
        emit videoDecodeResultOut(VideoDecodeStarted);
    // Asleep until the read stage queues a picture or the stage is stopped.
    AVPacket *packet = nullptr;
    while (m_context->waitVideoPacket(&packet, m_running)) {
        decodePacket(packet);
        av_packet_free(&packet);
    }
    av_frame_unref(m_frame);
    emit videoDecodeResultOut(VideoDecodeEnded);
}

void PullVideoStream::decodePacket(AVPacket *packet)
{
    if (!packet->data || packet->size <= 0 || packet->pts == AV_NOPTS_VALUE) {
        qWarning() << "the decodeAVPacket unknown error! data:" << static_cast<const void *>(packet->data)
                   << "size:" << packet->size << "pts:" << packet->pts;
        return;
    }
    QElapsedTimer timer;
    timer.start();
    const int64_t packetPts = packet->pts;
    int sendResult = avcodec_send_packet(m_codecContext, packet);
    m_context->setVideoClock(packetPts);
    // A decoder may give several pictures for one packet, or refuse the packet until its pictures are taken.
    bool pending = sendResult == AVERROR(EAGAIN);
    if (sendResult < 0 && !pending) {
        qWarning() << "the sendPacketResult < 0 error! sendPacketResult:" << sendResult;
        return;
    }
    while (m_running.load()) {
        const int receiveResult = avcodec_receive_frame(m_codecContext, m_frame);
        if (receiveResult == AVERROR(EAGAIN) || receiveResult == AVERROR_EOF) {
            if (!pending)
                break;
            sendResult = avcodec_send_packet(m_codecContext, packet);
            pending = false;
            if (sendResult < 0) {
                qWarning() << "the sendPacketResult < 0 error! sendPacketResult:" << sendResult;
                break;
            }
            continue;
        }
        if (receiveResult < 0) {
            qWarning() << "the receiveFrameResult < 0 error! receiveFrameResult:" << receiveResult;
            break;
        }
        if (timer.elapsed() >= 2000)
            qInfo() << "avcodec_decode_video2() elapsed:" << timer.elapsed();
        const int64_t framePts
            = m_frame->best_effort_timestamp != AV_NOPTS_VALUE ? m_frame->best_effort_timestamp : packetPts;
        waitForAudio(framePts);
        if (m_running.load())
            showFrame();
        av_frame_unref(m_frame);
    }
}

bool PullVideoStream::audioRestarted()
{
    // A restarted publisher shows in the clock of the sound decoded: the heard one also steps back when an output
    // that ran dry has sound in hand again.
    const int64_t decoded = m_context->getAudioClock();
    if (decoded == PullStreamContext::noClock)
        return false;
    const bool restarted = m_lastAudioClock != INT64_MIN && decoded < m_lastAudioClock - audioStepBackUs;
    m_lastAudioClock = decoded;
    return restarted;
}

void PullVideoStream::waitForAudio(int64_t videoPts)
{
    int64_t audioClock = m_context->getPlayingAudioClock();
    if (audioClock == PullStreamContext::noClock)
        return;
    if (audioRestarted())
        m_audioRestartVideoPts = videoPts;
    if (m_audioRestartVideoPts != INT64_MIN) {
        if (videoPts >= m_audioRestartVideoPts)
            return;
        m_audioRestartVideoPts = INT64_MIN; // the pictures restarted too
    }
    if (audioClock == m_stalledAudioClock)
        return;
    QElapsedTimer sinceChange;
    sinceChange.start();
    while (m_running.load()) {
        const int64_t delta = videoPts - audioClock;
        const bool heard = m_context->getHeardAudioClock() != PullStreamContext::noClock;
        if (delta < (heard ? lipSyncHoldUs : lipSyncLeadUs) || delta > lipSyncMaxLeadUs)
            return;
        m_context->pauseVideoStage(lipSyncStepMs, audioClock, m_running);
        if (delta >= lipSyncLeadUs)
            qDebug() << "currentVideoPts" << videoPts << "videoDelayTimeUs" << lipSyncLeadUs << "delta" << delta;
        const int64_t next = m_context->getPlayingAudioClock();
        if (next == PullStreamContext::noClock)
            return;
        if (audioRestarted()) {
            m_audioRestartVideoPts = videoPts;
            return;
        }
        if (next != audioClock) {
            audioClock = next;
            sinceChange.restart();
        } else if (sinceChange.elapsed() >= audioStallMs) {
            m_stalledAudioClock = audioClock;
            qInfo() << "the audio clock stopped at" << audioClock << ", pictures go on without it";
            return;
        }
    }
}

void PullVideoStream::showFrame()
{
    const int width = m_frame->width;
    const int height = m_frame->height;
    if (width <= 0 || height <= 0)
        return;
    if (!prepareScaler(width, height, m_frame->format)) {
        qWarning() << "no scaler for the picture" << width << height << m_frame->format;
        return;
    }
    // The image's own rows are 4-byte aligned; the scaler writes into them with that stride, whatever the width.
    QImage *image = freePicture(width, height);
    if (!image) {
        qWarning() << "the picture buffer is not allocated" << width << height;
        return;
    }
    uint8_t *planes[4] = { image->bits(), nullptr, nullptr, nullptr };
    int strides[4] = { int(image->bytesPerLine()), 0, 0, 0 };
    sws_scale(m_scaler, m_frame->data, m_frame->linesize, 0, height, planes, strides);
    emit showVideoImageOut(*image);
}

QImage *PullVideoStream::freePicture(int width, int height)
{
    for (QImage &picture : m_pictures) {
        // Writing into one that is still held would copy it first; only a released one is worth writing again.
        if (picture.isDetached() && picture.width() == width && picture.height() == height) {
            // The last receiver let go of it on another thread: its reads come before these writes.
            std::atomic_thread_fence(std::memory_order_acquire);
            return &picture;
        }
    }
    // Every picture is still held: a new one takes the place of the oldest, whose holders keep theirs.
    QImage &picture = m_pictures[m_nextPicture];
    m_nextPicture = (m_nextPicture + 1) % m_pictures.size();
    picture = QImage(width, height, QImage::Format_RGB888);
    return picture.isNull() ? nullptr : &picture;
}
