#include "vrek/media/pull/pullreadallstream.h"

#include "vrek/media/pull/pullstreamcontext.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <QDebug>
#include <QElapsedTimer>
#include <QMutexLocker>
#include <QSet>
#include <QThread>

PullReadAllStream::PullReadAllStream(PullStreamContext *context, QObject *parent)
    : QObject(parent)
    , m_context(context)
{ }

PullReadAllStream::~PullReadAllStream() = default;

void PullReadAllStream::moveThread(QThread *thread)
{
    moveToThread(thread);
}

void PullReadAllStream::stopReadStream()
{
    m_stoppedRun.store(m_context->runId());
    m_running.store(false);
    m_context->requestInterrupt();
}

void PullReadAllStream::startReadStream()
{
    const uint64_t run = m_context->runId();
    m_running.store(true);
    if (m_stoppedRun.load() == run) {
        m_running.store(false);
        qInfo() << "stopped before the read began";
        emit readStreamExitOut(PullStreamContext::readBit);
        return;
    }

    const AVRational microseconds { 1, 1000000 };
    QSet<int> unknownStreams;
    QElapsedTimer sinceData;
    sinceData.start();

    while (m_running.load()) {
        AVPacket *packet = av_packet_alloc();
        if (!packet) {
            qWarning() << "the av_packet_alloc error!";
            break;
        }
        int result = 0;
        int streamCount = 0;
        AVRational timeBase { 0, 1 };
        AVMediaType mediaType = AVMEDIA_TYPE_UNKNOWN;
        {
            QMutexLocker lock(m_context->formatMutex());
            AVFormatContext *input = m_context->getFormatContext();
            if (!input) {
                qWarning() << "the input is closed, read ends";
                av_packet_free(&packet);
                break;
            }
            QElapsedTimer timer;
            timer.start();
            m_context->restartWatchdog();
            result = av_read_frame(input, packet);
            if (timer.elapsed() >= 2000)
                qInfo() << "av_read_frame! time:" << timer.elapsed();
            streamCount = static_cast<int>(input->nb_streams);
            if (result >= 0 && packet->stream_index >= 0 && packet->stream_index < streamCount) {
                const AVStream *stream = input->streams[packet->stream_index];
                timeBase = stream->time_base;
                mediaType = stream->codecpar->codec_type;
            }
        }
        if (result == AVERROR(EAGAIN)) {
            // A non-blocking input with nothing yet: the watchdog's limit still holds across such answers. The
            // RTMP input never answers so: it waits for its data inside the read, where the interrupt reaches it.
            av_packet_free(&packet);
            if (sinceData.elapsed() > m_context->readLimit()) {
                qWarning() << "the input stalled, read ends";
                break;
            }
            // Pictures come 40 ms apart; asking more often than this only costs every pull its CPU.
            QThread::msleep(10);
            continue;
        }
        if (result < 0) {
            if (m_running.load())
                qWarning() << "the av_read_frame error! readResult:" << result;
            else
                qInfo() << "read stopped";
            av_packet_free(&packet);
            break;
        }
        sinceData.restart();

        // A publisher's first packets are stamped 0; only packets without a time stamp are useless here. Stamps
        // below 0 come from a publisher whose 32-bit clock is about to wrap: the input unwraps them into one line
        // that runs through 0.
        if (packet->pts == AV_NOPTS_VALUE) {
            av_packet_free(&packet);
            continue;
        }
        const int index = packet->stream_index;
        if (index >= streamCount || index < 0) {
            qWarning() << "the decodeAVPacket stream_index >= nb_streams error! decodeAVPacketStreamIndex:" << index;
            av_packet_free(&packet);
            continue;
        }
        packet->pts = av_rescale_q(packet->pts, timeBase, microseconds);
        packet->dts = packet->pts;
        packet->duration = av_rescale_q(packet->duration, timeBase, microseconds);
        packet->pos = -1;
        packet->time_base = microseconds;

        int audioIndex = m_context->getAudioStreamIndex();
        int videoIndex = m_context->getVideoStreamIndex();
        if (index != audioIndex && index != videoIndex) {
            const unsigned char awaited = m_context->awaitedStreams();
            if (mediaType == AVMEDIA_TYPE_AUDIO && audioIndex < 0 && (awaited & PullStreamContext::audioBit)) {
                audioIndex = index;
                m_context->setAudioStreamIndex(index);
                qInfo() << "late audio stream:" << index;
                emit readStreamFoundOut(PullStreamContext::audioBit);
            } else if (mediaType == AVMEDIA_TYPE_VIDEO && videoIndex < 0 && (awaited & PullStreamContext::videoBit)) {
                videoIndex = index;
                m_context->setVideoStreamIndex(index);
                qInfo() << "late video stream:" << index;
                emit readStreamFoundOut(PullStreamContext::videoBit);
            }
        }

        if (index == videoIndex
            && (m_context->videoPacketQueueSpanUs() > maxVideoQueueUs
                || m_context->videoPacketQueueSize() >= maxQueuedPackets)) {
            // The sound has its own decoder, which keeps up: it goes on, and the pictures catch up with it.
            qWarning() << "the video decoder fell behind, pictures dropped up to the next keyframe";
            m_context->clearVideoPacketQueue();
        }
        if (index == audioIndex) {
            if (m_context->audioPacketQueueSpanUs() > maxAudioQueueUs
                || m_context->audioPacketQueueSize() >= maxQueuedPackets) {
                qWarning() << "nobody takes the audio, audio packet queue dropped";
                m_context->clearAudioPacketQueue();
            }
            m_context->pushAudioPacket(packet);
        } else if (index == videoIndex) {
            m_context->pushVideoPacket(packet);
        } else {
            if (!unknownStreams.contains(index)) {
                unknownStreams.insert(index);
                qWarning() << "the decodeAVPacket stream_index unknown error! decodeAVPacketStreamIndex:" << index
                           << "audioStreamIndex:" << audioIndex << "videoStreamIndex:" << videoIndex;
            }
            av_packet_free(&packet);
        }
    }
    m_running.store(false);
    emit readStreamExitOut(PullStreamContext::readBit);
}
