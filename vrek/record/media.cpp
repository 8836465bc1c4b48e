#include "vrek/record/media.h"

#include "vrek/record/sharertmpcontext.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/fifo.h>
#include <libavutil/time.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <QDebug>
#include <QMutexLocker>

Media::Media() = default;

Media::~Media()
{
    const bool anythingLeft = outputContext || share || scaler || videoDecoderContext || videoEncoderContext
        || audioDecoderContext || audioEncoderContext || resampler || frameFifo || sampleFifo || videoInput.isOpen()
        || audioInput.isOpen();
    if (anythingLeft)
        resetMediaCtx(this);
}

void Media::startTimeline()
{
    QMutexLocker lock(&m_timeLock);
    m_startTimeUs.store(av_gettime());
    m_pausedTotalUs = 0;
    m_pausedSinceUs = m_paused.load() ? m_startTimeUs.load() : 0;
}

int64_t Media::timelineUs() const
{
    QMutexLocker lock(&m_timeLock);
    const int64_t start = m_startTimeUs.load();
    if (start == 0)
        return 0;
    const int64_t now = m_paused.load() ? m_pausedSinceUs : av_gettime();
    return qMax<int64_t>(0, now - start - m_pausedTotalUs);
}

void Media::setPaused(bool paused)
{
    {
        QMutexLocker lock(&m_timeLock);
        if (paused == m_paused.load())
            return;
        const int64_t now = av_gettime();
        if (paused) {
            m_pausedSinceUs = now;
        } else if (m_startTimeUs.load() != 0) {
            m_pausedTotalUs += now - qMax(m_pausedSinceUs, m_startTimeUs.load());
        }
        m_paused.store(paused);
    }
    if (!paused) {
        // Sound taken after the pause is placed by when it was taken, not after what was queued before it.
        QMutexLocker lock(&sampleLock);
        sampleAnchorPending = true;
    }
}

void resetMediaCtx(Media *media)
{
    qInfo() << "start";
    if (!media)
        return;
    {
        QMutexLocker lock(&media->outputLock);
        qInfo() << "2";
        if (media->outputContext) {
            if (!(media->outputContext->oformat->flags & AVFMT_NOFILE))
                avio_closep(&media->outputContext->pb);
            avformat_free_context(media->outputContext);
            media->outputContext = nullptr;
        }
        media->outputHeaderWritten = false;
        if (media->share) {
            media->share->abort();
            media->share->close(false);
            media->share.reset();
        }
        media->rtmpOutput = nullptr;
    }
    qInfo() << "3";
    sws_freeContext(media->scaler);
    media->scaler = nullptr;
    {
        QMutexLocker lock(&media->codecLock);
        qInfo() << "4";
        avcodec_free_context(&media->videoDecoderContext);
        qInfo() << "5";
        avcodec_free_context(&media->videoEncoderContext);
        media->videoEncoder = nullptr;
        qInfo() << "6";
        avcodec_free_context(&media->audioDecoderContext);
        qInfo() << "7";
        avcodec_free_context(&media->audioEncoderContext);
        media->audioEncoder = nullptr;
    }
    qInfo() << "8";
    swr_free(&media->resampler);
    {
        QMutexLocker lock(&media->frameLock);
        av_fifo_freep2(&media->frameFifo);
        media->pictureBytes = 0;
    }
    {
        QMutexLocker lock(&media->sampleLock);
        if (media->sampleFifo) {
            av_audio_fifo_free(media->sampleFifo);
            media->sampleFifo = nullptr;
        }
    }
    qInfo() << "audio resetDevice 1";
    media->audioInput.close();
    media->audioStreamIndex = -1;
    qInfo() << "audio resetDevice 2";
    media->videoInput.close();
    media->videoStreamIndex = -1;
    qInfo() << "end";
}
