#include "tests/media/pullstages.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QFile>
#include <QSignalSpy>
#include <QThread>

#include <sys/syscall.h>
#include <unistd.h>

#include <functional>

namespace {
bool waitUntil(const std::function<bool()> &condition, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    return true;
}

long threadIdOf(QObject *stage)
{
    long tid = 0;
    QMetaObject::invokeMethod(
        stage, [&tid] { tid = long(syscall(SYS_gettid)); }, Qt::BlockingQueuedConnection);
    return tid;
}

long voluntarySwitches(long tid)
{
    QFile status(QString("/proc/self/task/%1/status").arg(tid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("voluntary_ctxt_switches:"))
            return line.mid(line.indexOf(':') + 1).trimmed().toLong();
    }
    return -1;
}
} // namespace

PullStages::PullStages()
    : read(new PullReadAllStream(&context))
    , audio(new PullAudioStream(&context))
    , video(new PullVideoStream(&context))
{
    m_readThread.setObjectName("Pull Read test");
    m_audioThread.setObjectName("Pull Audio test");
    m_videoThread.setObjectName("Pull Video test");
    read->moveThread(&m_readThread);
    audio->moveThread(&m_audioThread);
    video->moveThread(&m_videoThread);
    m_readThread.start();
    m_audioThread.start();
    m_videoThread.start();
    m_audioTid = threadIdOf(audio);
    m_videoTid = threadIdOf(video);
    connect(video, &PullVideoStream::showVideoImageOut, this, [this](const QImage &image) {
        QMutexLocker lock(&m_mutex);
        m_pictures.append({ QDateTime::currentMSecsSinceEpoch(), image });
    });
    connect(read, &PullReadAllStream::readStreamExitOut, this, [this](uchar) { ++m_readExits; });
    connect(
        audio, &PullAudioStream::audioDecodeResultOut, this,
        [this](PullAudioStream::AudioDecodeType type) { m_audioLoop = type == PullAudioStream::AudioDecodeStarted; },
        Qt::DirectConnection);
    connect(
        video, &PullVideoStream::videoDecodeResultOut, this,
        [this](PullVideoStream::VideoDecodeType type) { m_videoLoop = type == PullVideoStream::VideoDecodeStarted; },
        Qt::DirectConnection);
}

PullStages::~PullStages()
{
    stop();
    m_readThread.quit();
    m_audioThread.quit();
    m_videoThread.quit();
    m_readThread.wait();
    m_audioThread.wait();
    m_videoThread.wait();
    delete read;
    delete audio;
    delete video;
}

bool PullStages::open(const QString &url)
{
    return context.openInput(url) == PullStreamContext::OpenOk;
}

int PullStages::initialiseVideo()
{
    QSignalSpy result(video, &PullVideoStream::videoInitialResultOut);
    QMetaObject::invokeMethod(video, "videoInitialIn", Qt::QueuedConnection);
    if (!waitUntil([&] { return !result.isEmpty(); }, 5000))
        return -1;
    return result.first().first().value<PullVideoStream::VideoInitialType>();
}

int PullStages::initialiseAudio(bool playAudio)
{
    QSignalSpy result(audio, &PullAudioStream::audioInitialResultOut);
    QMetaObject::invokeMethod(audio, "audioInitialIn", Qt::QueuedConnection, Q_ARG(bool, playAudio));
    if (!waitUntil([&] { return !result.isEmpty(); }, 5000))
        return -1;
    return result.first().first().value<PullAudioStream::AudioInitialType>();
}

bool PullStages::startVideo()
{
    QSignalSpy result(video, &PullVideoStream::videoDecodeResultOut);
    QMetaObject::invokeMethod(video, "videoDecodeIn", Qt::QueuedConnection);
    return waitUntil([&] { return !result.isEmpty(); }, 5000)
        && result.first().first().value<PullVideoStream::VideoDecodeType>() == PullVideoStream::VideoDecodeStarted;
}

bool PullStages::startAudio()
{
    QSignalSpy result(audio, &PullAudioStream::audioDecodeResultOut);
    QMetaObject::invokeMethod(audio, "audioDecodeIn", Qt::QueuedConnection);
    return waitUntil([&] { return !result.isEmpty(); }, 5000)
        && result.first().first().value<PullAudioStream::AudioDecodeType>() == PullAudioStream::AudioDecodeStarted;
}

void PullStages::startRead()
{
    QMetaObject::invokeMethod(read, "startReadStream", Qt::QueuedConnection);
}

bool PullStages::startPull(bool withAudio, bool withVideo, bool playAudio)
{
    unsigned char awaited = 0;
    if (withAudio) {
        const int result = initialiseAudio(playAudio);
        if (result == PullAudioStream::AudioStreamNotFound)
            awaited |= PullStreamContext::audioBit;
        else if (result != PullAudioStream::AudioInitialSuccess || !startAudio())
            return false;
    }
    if (withVideo) {
        const int result = initialiseVideo();
        if (result == PullVideoStream::VideoStreamNotFound)
            awaited |= PullStreamContext::videoBit;
        else if (result != PullVideoStream::VideoInitialSuccess || !startVideo())
            return false;
    }
    context.setAwaitedStreams(awaited);
    QSignalSpy found(read, &PullReadAllStream::readStreamFoundOut);
    startRead();
    if (!waitUntil([&] { return found.size() == (awaited == 3 ? 2 : awaited ? 1 : 0); }, 3000))
        return false;
    if ((awaited & PullStreamContext::audioBit)
        && (initialiseAudio(playAudio) != PullAudioStream::AudioInitialSuccess || !startAudio()))
        return false;
    if ((awaited & PullStreamContext::videoBit)
        && (initialiseVideo() != PullVideoStream::VideoInitialSuccess || !startVideo()))
        return false;
    return true;
}

bool PullStages::waitForReadExit(int timeoutMs)
{
    return waitUntil([this] { return m_readExits > 0; }, timeoutMs);
}

void PullStages::stop()
{
    read->stopReadStream();
    audio->pullAudioStop();
    video->pullVideoStop();
    const bool audioEnded = waitUntil([this] { return !m_audioLoop; }, 3000);
    const bool videoEnded = waitUntil([this] { return !m_videoLoop; }, 3000);
    waitUntil([this] { return !read->isRunning(); }, 3000);
    // A loop that did not end keeps its thread: resetting behind it would wait for ever.
    if (audioEnded)
        QMetaObject::invokeMethod(audio, "audioResetIn", Qt::BlockingQueuedConnection);
    if (videoEnded)
        QMetaObject::invokeMethod(video, "videoResetIn", Qt::BlockingQueuedConnection);
    context.freeAVFormatContext();
}

QList<PullStages::Picture> PullStages::pictures() const
{
    QMutexLocker lock(&m_mutex);
    return m_pictures;
}

int PullStages::pictureCount() const
{
    QMutexLocker lock(&m_mutex);
    return m_pictures.size();
}

void PullStages::clearPictures()
{
    QMutexLocker lock(&m_mutex);
    m_pictures.clear();
}

bool PullStages::waitForPictures(int n, int timeoutMs)
{
    const int target = pictureCount() + n;
    return waitUntil([&] { return pictureCount() >= target; }, timeoutMs);
}

long PullStages::audioWakeups() const
{
    return voluntarySwitches(m_audioTid);
}

long PullStages::videoWakeups() const
{
    return voluntarySwitches(m_videoTid);
}
