#include "vrek/record/recordscreenmanager.h"

#include "platform/lazyffmpeg/ffmpegloader.h"
#include "vrek/record/media.h"
#include "vrek/record/screenrecorder.h"
#include "vrek/record/sharertmpcontext.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/threadfactory.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QMutexLocker>
#include <QThread>
#include <QTimer>
#include <QtConcurrent>

#include <atomic>

RecordScreenManager::RecordScreenManager(QObject *parent, ThreadFactory *factory)
    : QObject(parent)
    , m_recordThreadId(ThreadFactory::noThreadId)
    , m_recordTimer(new QTimer(this))
    , m_forceExitTimer(new QTimer(this))
    , m_factory(factory ? factory : ThreadFactory::getInstance())
{
    m_recordTimer->setInterval(recordTimerMs);
    m_forceExitTimer->setInterval(forceExitMs);
    m_forceExitTimer->setSingleShot(true);
    connect(m_recordTimer, &QTimer::timeout, this, &RecordScreenManager::slotTimeOut);
    connect(m_forceExitTimer, &QTimer::timeout, this, &RecordScreenManager::threadForceLeave);
}

RecordScreenManager::~RecordScreenManager()
{
    abortPendingShare();
    if (m_recorder) {
        m_recorder->QuitRecord();
        m_ending.append({ m_recorder, m_recordThreadId });
        m_recorder = nullptr;
    }
    // Recorders still running end by themselves; the factory takes their threads back then.
    ThreadFactory *factory = m_factory;
    for (const Ending &ending : qAsConst(m_ending)) {
        ScreenRecorder *recorder = ending.recorder;
        const unsigned int threadId = ending.threadId;
        disconnect(recorder, nullptr, this, nullptr);
        recorder->QuitRecord();
        auto released = std::make_shared<std::atomic<bool>>(false);
        auto release = [factory, recorder, threadId, released] {
            if (released->exchange(true))
                return;
            if (threadId == ThreadFactory::noThreadId)
                recorder->deleteLater();
            else
                factory->unbindThread(recorder, threadId);
        };
        connect(recorder, &ScreenRecorder::signalRecordExit, factory, release);
        // It may have ended before the connection was made.
        if (recorder->hasEnded())
            release();
    }
    m_ending.clear();
}

void RecordScreenManager::setForceExitInterval(int ms)
{
    m_forceExitTimer->setInterval(ms > 0 ? ms : forceExitMs);
}

void RecordScreenManager::setShareLimits(int connectMs, int writeMs, int closeMs)
{
    m_shareConnectMs = connectMs;
    m_shareWriteMs = writeMs;
    m_shareCloseMs = closeMs;
}

void RecordScreenManager::setRecordFile(QString path)
{
    m_recordFile = path;
}

void RecordScreenManager::StartRecord()
{
    if (m_state != StateIdle) {
        qWarning() << "a recording is still being started, state:" << m_state;
        return;
    }
    // A recording still stopping is not waited for: it ends by itself and is released then.
    if (m_recorder && !m_threadLeaveFlag)
        onSlotThreadLeave();
    else if (m_recorder)
        resetRecordEnv();
    // The recorder is FFmpeg's; a class is entered only with FFmpeg, so this is the loader's last word.
    if (!FfmpegLoader::ensureLoaded()) {
        qWarning() << "no recording: FFmpeg cannot be loaded:" << FfmpegLoader::missingLibrary();
        return;
    }
    m_state = StateStarting;
    m_threadLeaveFlag = false;
    qInfo() << "record file:" << m_recordFile;

    m_media = std::make_shared<Media>();
    m_recorder = new ScreenRecorder(m_media);
    m_recorder->setRecordFile(m_recordFile);
    m_recorder->setAudioDevice(m_audioDevice);
    m_recorderConnections.clear();
    m_recorderConnections << connect(
        m_recorder, &ScreenRecorder::signalRecordFail, this, &RecordScreenManager::OnGetError, Qt::UniqueConnection);
    m_recorderConnections << connect(
        m_recorder, &ScreenRecorder::signalFileUpload, this, &RecordScreenManager::signalUploadUpdate);
    m_recorderConnections << connect(
        m_recorder, &ScreenRecorder::signalGUIResponse, this, &RecordScreenManager::signalBtnResponse);

    if (m_recordThreadId != ThreadFactory::noThreadId)
        resetRecordThread();
    m_recordThreadId = m_factory->allocThreadId();
    QThread *thread = m_factory->getThread(m_recordThreadId);
    if (!thread) {
        qCritical() << "no thread for the recorder";
        m_recordThreadId = ThreadFactory::noThreadId;
        delete m_recorder;
        m_recorder = nullptr;
        m_media.reset();
        m_state = StateIdle;
        return;
    }
    thread->setObjectName(QStringLiteral("Record Thread"));
    m_recorder->moveToThread(thread);
    qInfo() << "rthread status 0:" << thread->isFinished() << thread->isRunning();

    ScreenRecorder *recorder = m_recorder;
    m_recorderConnections << connect(
        m_recorder, &ScreenRecorder::signalRecordSuccess, this, &RecordScreenManager::onSlotGetStatus);
    m_recorderConnections << connect(
        m_recorder, &ScreenRecorder::signalShareRtmpExit, this, [] { qWarning() << "the share has ended"; });
    // Kept while the recorder ends: its exit hands it and its thread back.
    connect(m_recorder, &ScreenRecorder::signalRecordExit, this, [this, recorder] { recorderExited(recorder); });
    // The factory's threads already run: the main loop is queued to the thread rather than tied to its start,
    // which has long been.
    if (!thread->isRunning())
        thread->start(QThread::InheritPriority);
    QMetaObject::invokeMethod(m_recorder, "recordFileOrRtmp", Qt::QueuedConnection);
    m_recordTimer->start();
    qInfo() << "rthread status 1:" << thread->isFinished() << thread->isRunning();
}

void RecordScreenManager::exitRecord()
{
    abortPendingShare();
    if (!m_recorder) {
        qInfo() << "no recording to stop";
    } else {
        const int recorderState = m_recorder->getState();
        qInfo() << "recorder state:" << recorderState;
        m_recorder->QuitRecord();
        if (recorderState == ScreenRecorder::StateRecording || recorderState == ScreenRecorder::StateTearingDown) {
            m_forceExitTimer->start();
        } else {
            // Not recording yet: the recorder gives up opening by itself, and is released when it has.
            onSlotThreadLeave();
        }
    }
    m_recordTimer->stop();
    g_recordFileName.clear();
    g_recordErrorFlag = false;
    m_state = StateIdle;
}

void RecordScreenManager::PauseRecord(bool pause)
{
    if (!m_recorder)
        return;
    if (pause)
        m_recorder->PauseRecord();
    else
        m_recorder->restoreRecord();
}

void RecordScreenManager::slotTimeOut()
{
    if (m_recorder)
        emit signalRecordTimer(m_recorder->getRecordPts());
}

void RecordScreenManager::onSlotThreadLeave()
{
    QThread *thread = m_recorder ? m_recorder->thread() : nullptr;
    qInfo() << "thread:" << (thread ? thread->objectName() : QString()) << (thread && thread->isFinished())
            << (thread && thread->isRunning());
    m_threadLeaveFlag = true;
    if (m_forceExitTimer->isActive()) {
        qInfo() << "rForceExitTimer is running,stop it";
        m_forceExitTimer->stop();
    }
    m_state = StateLeaving;
    g_recordErrorFlag = false;
    // The recorder and its thread are handed back once the recorder has ended, not before.
    resetRecordEnv();
    m_media.reset();
    m_state = StateIdle;
    g_recordFileName.clear();
    g_shareRtmpFlag.store(false);
    emit signalRecordFinished();
    qInfo() << "end";
}

void RecordScreenManager::onSlotGetStatus()
{
    if (isFromEndingRecorder())
        return;
    m_state = StateRecording;
    emit signalRecordSuccess();
}

void RecordScreenManager::resetRecordEnv()
{
    if (!m_recorder)
        return;
    ScreenRecorder *recorder = m_recorder;
    // Its exit, perhaps already on its way, stays connected.
    for (const QMetaObject::Connection &connection : qAsConst(m_recorderConnections))
        disconnect(connection);
    m_recorderConnections.clear();
    recorder->QuitRecord();
    m_ending.append({ recorder, m_recordThreadId });
    m_recorder = nullptr;
    m_recordThreadId = ThreadFactory::noThreadId;
}

void RecordScreenManager::resetRecordThread()
{
    // A thread without its recorder: nothing runs on it any more.
    if (m_recordThreadId == ThreadFactory::noThreadId)
        return;
    if (!m_factory->releaseThreadId(m_recordThreadId))
        qWarning() << "removeReadThread error! recordId:" << m_recordThreadId;
    m_recordThreadId = ThreadFactory::noThreadId;
}

void RecordScreenManager::threadForceLeave()
{
    qInfo() << "rThreadLeaveFlag:" << m_threadLeaveFlag;
    if (!m_threadLeaveFlag)
        onSlotThreadLeave();
}

void RecordScreenManager::OnGetError(int code)
{
    // A recorder already being stopped may still have had news on its way: it no longer speaks for the
    // controls.
    if (isFromEndingRecorder()) {
        qInfo() << "record error of a recording already stopped:" << code;
        return;
    }
    qWarning() << "record error:" << code;
    if (m_recordTimer->isActive())
        m_recordTimer->stop();
    m_state = StateIdle;
    onSlotThreadLeave();
    g_recordErrorFlag = true;
    emit signalRecordError(code);
}

bool RecordScreenManager::isFromEndingRecorder() const
{
    const QObject *from = sender();
    return from && qobject_cast<const ScreenRecorder *>(from) && from != m_recorder;
}

void RecordScreenManager::recorderExited(ScreenRecorder *recorder)
{
    if (recorder == m_recorder) {
        const unsigned int threadId = m_recordThreadId;
        m_recorder = nullptr;
        m_recordThreadId = ThreadFactory::noThreadId;
        releaseRecorder(recorder, threadId);
        if (!m_threadLeaveFlag)
            onSlotThreadLeave();
        return;
    }
    for (int i = 0; i < m_ending.size(); ++i) {
        if (m_ending.at(i).recorder == recorder) {
            const Ending ending = m_ending.takeAt(i);
            releaseRecorder(ending.recorder, ending.threadId);
            return;
        }
    }
}

void RecordScreenManager::releaseRecorder(ScreenRecorder *recorder, unsigned int threadId)
{
    const QString path = recorder->recordFile();
    disconnect(recorder, nullptr, this, nullptr);
    // The recorder has written and closed its file: only now can an empty one be told from one still being
    // written.
    checkRecordFile(path);
    recorder->deleteLater();
    if (threadId != ThreadFactory::noThreadId) {
        if (QThread::currentThread() == m_factory->thread()) {
            if (!m_factory->releaseThreadId(threadId))
                qWarning() << "removeReadThread error! recordId:" << threadId;
        } else {
            m_factory->unbindThread(nullptr, threadId);
        }
    }
    emit signalRecordReleased(path);
}

void RecordScreenManager::checkRecordFile(const QString &path)
{
    if (path.isEmpty())
        return;
    const QFileInfo info(path);
    qInfo() << "record file name: " << path << "size:" << (info.exists() ? info.size() : -1);
    if (info.exists() && info.size() == 0) {
        QFile::remove(path);
        qWarning() << "record file size is null !";
    }
}

void RecordScreenManager::onSloStartShare()
{
    if (!m_recorder || !m_media || m_state != StateRecording) {
        qWarning() << "open share rtmp failed!"
                   << "no recording, state:" << m_state;
        emit signalShareResult(false);
        return;
    }
    if (m_pendingShare) {
        qInfo() << "the share is being opened";
        return;
    }
    if (g_shareRtmpFlag.load()) {
        qInfo() << "the recording is already shared";
        emit signalShareResult(true);
        return;
    }
    auto share = std::make_shared<ShareRtmpContext>();
    share->setRtmpUrl(g_shareRtmpUrl);
    share->setLimits(m_shareConnectMs, m_shareWriteMs, m_shareCloseMs);
    m_pendingShare = share;
    std::shared_ptr<Media> media = m_media;
    // Connecting and the header may take until the deadline: not on the GUI thread.
    auto *watcher = new QFutureWatcher<bool>(this);
    connect(watcher, &QFutureWatcher<bool>::finished, this, [this, watcher, media, share] {
        watcher->deleteLater();
        shareOpened(media, share, watcher->result());
    });
    watcher->setFuture(QtConcurrent::run([media, share] {
        {
            QMutexLocker lock(&media->codecLock);
            if (!share->setAudioCodecContext(media->audioEncoderContext)
                || !share->setVideoCodecContext(media->videoEncoderContext))
                return false;
        }
        return share->writeHeader();
    }));
}

void RecordScreenManager::shareOpened(std::shared_ptr<Media> media, std::shared_ptr<ShareRtmpContext> share, bool ok)
{
    if (m_pendingShare == share)
        m_pendingShare.reset();
    bool installed = false;
    // The record thread holds the output lock only while it writes a packet; a write held up by a share that
    // has stopped answering is not waited for here.
    if (ok && media == m_media && m_recorder && m_state == StateRecording && media->outputLock.tryLock(100)) {
        if (media->outputContext && media->outputHeaderWritten && !media->share) {
            media->share = share;
            media->rtmpOutput = share->getOutputContext();
            media->shareStartUs = media->timelineUs();
            media->shareVideoStarted = false;
            installed = true;
        }
        media->outputLock.unlock();
    }
    if (installed) {
        g_shareRtmpFlag.store(true);
        qInfo() << "open rtmp ok";
    } else {
        share->abort();
        share->close(false);
        qWarning() << "open share rtmp failed!";
    }
    emit signalShareResult(installed);
}

void RecordScreenManager::abortPendingShare()
{
    if (m_pendingShare)
        m_pendingShare->abort();
}
