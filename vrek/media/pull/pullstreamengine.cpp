#include "vrek/media/pull/pullstreamengine.h"

#include "vrek/media/pull/pullreadallstream.h"
#include "vrek/utils/threadfactory.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/error.h>
}

#include <QDebug>
#include <QMutex>
#include <QMutexLocker>
#include <QThread>
#include <QTimer>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {
constexpr uchar audioBit = PullStreamContext::audioBit;
constexpr uchar videoBit = PullStreamContext::videoBit;
constexpr uchar readBit = PullStreamContext::readBit;
constexpr uchar bothStreams = audioBit | videoBit;

// The one process-wide lock around opening inputs. FFmpeg opens separate inputs in parallel safely; only its
// network set-up is process-wide. Holding the lock across a whole open would let one dead stream, blocking in
// its open until the watchdog gives up and retrying for ever, hold back every other pull of the class.
QMutex connectMutex;
bool networkReady = false;

void ensureNetwork()
{
    QMutexLocker lock(&connectMutex);
    if (networkReady)
        return;
    avformat_network_init();
    networkReady = true;
}

QString streamName(uchar bit)
{
    return bit == audioBit ? QStringLiteral("audio") : QStringLiteral("video");
}

// Gives a stage and its thread back, in the thread factory's own thread (it has no lock of its own). The stage
// is deleted in its thread when that thread ends.
void releaseStage(QObject *stage, unsigned int threadId, const char *errorText)
{
    ThreadFactory *factory = ThreadFactory::getInstance();
    if (!stage)
        return;
    if (threadId == ThreadFactory::noThreadId || threadId == 0) {
        delete stage; // never moved: it lives here
        return;
    }
    if (QThread::currentThread() != factory->thread()) {
        factory->unbindThread(stage, threadId);
        return;
    }
    stage->deleteLater();
    if (!factory->releaseThreadId(threadId))
        qWarning() << errorText << threadId;
}
} // namespace

PullStreamEngine::PullStreamEngine(const QString &poid, QObject *parent)
    : QObject(parent)
    , m_pullObjId(poid)
{
    qRegisterMetaType<PullStreamEngine::PullStreamType>("PullStreamEngine::PullStreamType");
    qRegisterMetaType<PullAudioStream::AudioInitialType>("PullAudioStream::AudioInitialType");
    qRegisterMetaType<PullAudioStream::AudioDecodeType>("PullAudioStream::AudioDecodeType");
    qRegisterMetaType<PullVideoStream::VideoInitialType>("PullVideoStream::VideoInitialType");
    qRegisterMetaType<PullVideoStream::VideoDecodeType>("PullVideoStream::VideoDecodeType");
    initial();
}

PullStreamEngine::~PullStreamEngine()
{
    if (!isIdle())
        qWarning() << "the engine is released while busy, poid:" << m_pullObjId;
    m_context.cancelPull();
    if (m_read)
        m_read->stopReadStream();
    if (m_audio)
        m_audio->pullAudioStop();
    if (m_video)
        m_video->pullVideoStop();
    releaseStage(m_read, m_readThreadId, "removeReadThread error! readThread:");
    releaseStage(m_audio, m_audioThreadId, "removeAudioThread error! audioThread:");
    releaseStage(m_video, m_videoThreadId, "removeVideoThread error! videoThread:");
    m_read = nullptr;
    m_audio = nullptr;
    m_video = nullptr;
}

void PullStreamEngine::initial()
{
    m_initialResultSet = m_decodeResultSet = m_resetResultSet = 0;
    m_read = new PullReadAllStream(&m_context);
    m_audio = new PullAudioStream(&m_context);
    m_video = new PullVideoStream(&m_context);

    const QString tail = m_pullObjId.left(6);
    ThreadFactory *factory = ThreadFactory::getInstance();
    auto place = [&](QObject *stage, const QString &name, unsigned int *id) {
        *id = factory->allocThreadId();
        QThread *thread = factory->getThread(*id);
        if (!thread) {
            *id = ThreadFactory::noThreadId;
            return false;
        }
        thread->setObjectName(name + tail);
        stage->moveToThread(thread);
        return true;
    };
    const bool readPlaced = place(m_read, QStringLiteral("Pull Read "), &m_readThreadId);
    const bool audioPlaced = place(m_audio, QStringLiteral("Pull Audio "), &m_audioThreadId);
    const bool videoPlaced = place(m_video, QStringLiteral("Pull Video "), &m_videoThreadId);
    m_threadsReady = readPlaced && audioPlaced && videoPlaced;
    if (!m_threadsReady)
        qCritical() << "the pull engine has no threads for its stages, poid:" << m_pullObjId;

    connect(m_read, &PullReadAllStream::readStreamExitOut, this, &PullStreamEngine::readStreamExitIn);
    connect(m_read, &PullReadAllStream::readStreamFoundOut, this, &PullStreamEngine::readStreamFoundIn);
    connect(this, &PullStreamEngine::startReadStreamOut, m_read, &PullReadAllStream::startReadStream);

    connect(m_audio, &PullAudioStream::audioInitialResultOut, this, &PullStreamEngine::audioInitialResultIn);
    connect(m_audio, &PullAudioStream::audioResetResultOut, this, &PullStreamEngine::pullResetResultIn);
    connect(m_audio, &PullAudioStream::audioDecodeResultOut, this, &PullStreamEngine::audioDecodeResultIn);
    connect(this, &PullStreamEngine::audioInitialOut, m_audio, &PullAudioStream::audioInitialIn);
    connect(this, &PullStreamEngine::audioResetOut, m_audio, &PullAudioStream::audioResetIn);
    connect(this, &PullStreamEngine::audioDecodeOut, m_audio, &PullAudioStream::audioDecodeIn);

    connect(m_video, &PullVideoStream::videoInitialResultOut, this, &PullStreamEngine::videoInitialResultIn);
    connect(m_video, &PullVideoStream::videoDecodeResultOut, this, &PullStreamEngine::videoDecodeResultIn);
    connect(m_video, &PullVideoStream::videoResetResultOut, this, &PullStreamEngine::pullResetResultIn);
    // Pictures go on from the video thread: a stop over here only has to clear the flag that showVideoImageIn
    // reads, and each picture is spared a wake-up of this thread on its way to the owner. The user id is set
    // before a pull's decoding starts and stays until its loop has ended.
    connect(
        m_video, &PullVideoStream::showVideoImageOut, this, &PullStreamEngine::showVideoImageIn, Qt::DirectConnection);
    connect(this, &PullStreamEngine::videoInitialOut, m_video, &PullVideoStream::videoInitialIn);
    connect(this, &PullStreamEngine::videoResetOut, m_video, &PullVideoStream::videoResetIn);
    connect(this, &PullStreamEngine::videoDecodeOut, m_video, &PullVideoStream::videoDecodeIn);

    // Waits run on timers, so that a stop reaches the engine while it waits.
    m_reconnectTimer = new QTimer(this);
    m_reconnectTimer->setSingleShot(true);
    connect(m_reconnectTimer, &QTimer::timeout, this, &PullStreamEngine::reconnect);
    m_lateStreamTimer = new QTimer(this);
    m_lateStreamTimer->setSingleShot(true);
    connect(m_lateStreamTimer, &QTimer::timeout, this, &PullStreamEngine::lateStreamTimeout);
}

void PullStreamEngine::setPlayAudio(bool flag)
{
    m_playAudioCmdFlag.store(flag);
    m_audio->setPlayAudio(flag);
}

void PullStreamEngine::claim()
{
    m_context.clearCancel();
    m_busy.store(true);
}

void PullStreamEngine::interruptPull()
{
    m_context.cancelPull();
}

void PullStreamEngine::printFFmpegError(int err, const QString &tag)
{
    if (av_strerror(err, m_errorBuffer, sizeof(m_errorBuffer)) < 0) {
        qWarning() << "the av_strerror exec error! " << err << tag;
        return;
    }
    qWarning() << "errorId:" << err << "ffmpegErrorString:" << m_errorBuffer << tag;
}

QString PullStreamEngine::audioInitialMessage(int code)
{
    if (code >= 1 && code <= 9)
        return QStringLiteral("音频流初始化失败%1").arg(code);
    switch (code) {
    case 10:
        return QStringLiteral("音频流异常");
    case 20:
        return QStringLiteral("没找到音频编码器");
    case 30:
        return QStringLiteral("没找到音频解码器");
    case 40:
        return QStringLiteral("打开音频解码器失败");
    case 50:
        return QStringLiteral("打开扬声器失败");
    case 60:
        return QStringLiteral("分配音频转换器内存失败");
    case 70:
        return QStringLiteral("设置音频转换器参数失败");
    default:
        return QString();
    }
}

QString PullStreamEngine::videoInitialMessage(int code)
{
    if (code >= 1 && code <= 9)
        return QStringLiteral("视频流初始化失败%1").arg(code);
    switch (code) {
    case 20:
        return QStringLiteral("视频流信息无效");
    case 21:
        return QStringLiteral("没找到视频编码器");
    case 22:
        return QStringLiteral("没找到视频解码器");
    case 23:
        return QStringLiteral("打开视频解码器失败");
    default:
        return QString();
    }
}

// Commands

void PullStreamEngine::startPullStreamIn(
    const QString &userId, PullStreamEngine::PullStreamType type, const QString &url, bool playAudio)
{
    switch (m_status.getPullStreamStatus()) {
    case StreamMediaStatus::PullStreamIdle:
        break;
    case StreamMediaStatus::PullStreamInit:
        qWarning() << "the pullStreamType is PullStreamInit error! ";
        return;
    case StreamMediaStatus::PullStreamExec:
        qWarning() << "the pullStreamType is PullStreamExec error! ";
        return;
    default:
        qWarning() << "the pullStreamStatusType unknown error! pullStreamStatusType:" << m_status.getPullStreamStatus();
        return;
    }
    m_busy.store(true);
    // A start that cannot run would otherwise leave its user pulling for ever: it fails and ends at once.
    if (int(type) < PullBothRequired || int(type) > PullVideoStreamOnly || !m_threadsReady) {
        qWarning() << "the pullStreamType unknown error! pullStreamType:" << int(type) << "uid:" << userId;
        emit pullStreamResultOut(m_pullObjId, false, QString());
        exitPull();
        return;
    }
    m_status.setPullStreamStatus(StreamMediaStatus::PullStreamInit);
    m_pullStreamCmdFlag.store(true);
    m_startCount.store(0);
    m_failedAttempts = 0;
    m_lastFailure.clear();
    setPlayAudio(playAudio);
    m_userId = userId;
    m_pullStreamType = type;
    m_pullUrl = url;
    startPullStream();
}

void PullStreamEngine::stopPullStreamIn()
{
    switch (m_status.getPullStreamStatus()) {
    case StreamMediaStatus::PullStreamIdle:
        return;
    case StreamMediaStatus::PullStreamInit:
        m_pullStreamCmdFlag.store(false);
        m_context.cancelPull();
        if (m_reconnectTimer->isActive()) {
            m_reconnectTimer->stop();
            exitPull();
            return;
        }
        // Waiting for a stream that shows up late: nothing more comes that would notice the stop.
        if (m_initialDecided && !m_tearingDown && m_startedDecoderSet == m_decodeResultSet) {
            emit pullStreamResultOut(m_pullObjId, false, QString());
            beginTeardown();
        }
        // Otherwise the running initialisation notices it.
        return;
    case StreamMediaStatus::PullStreamExec:
        if (m_pullStreamCmdFlag.load()) {
            m_pullStreamCmdFlag.store(false);
            m_context.cancelPull();
            beginTeardown();
        }
        return;
    default:
        qWarning() << "the pullStreamStatus unknown error! pullStreamStatus:" << m_status.getPullStreamStatus();
        return;
    }
}

void PullStreamEngine::showVideoImageIn(const QImage &frame)
{
    if (m_pullStreamCmdFlag.load())
        emit showVideoImageOut(m_userId, frame);
}

// One connection attempt

void PullStreamEngine::startPullStream()
{
    const uchar count = m_startCount.load();
    if (count < 255)
        m_startCount.store(count + 1);
    m_initPendingSet = m_initialResultSet = 0;
    m_initialDecided = false;
    m_workingSet = m_failedSet = m_awaitedSet = m_absentSet = 0;
    m_startedDecoderSet = m_decodePendingSet = m_decodeResultSet = 0;
    m_decodeExecSet = m_decodeFinishSet = m_resetResultSet = 0;
    m_audioMessage.clear();
    m_videoMessage.clear();
    m_firstFailure = 0;
    m_readStarted = false;
    m_resultSent = false;
    m_tearingDown = false;
    m_resetting = false;

    QString msg;
    if (!connectToServer(msg)) {
        pullInitialFail(msg, false);
        return;
    }
    const uchar wanted = wantedStreams();
    m_initPendingSet = wanted;
    if (wanted & audioBit)
        emit audioInitialOut(m_playAudioCmdFlag.load());
    if (wanted & videoBit)
        emit videoInitialOut();
}

bool PullStreamEngine::connectToServer(QString &msg)
{
    ensureNetwork();
    int error = 0;
    switch (m_context.openInput(m_pullUrl, &error)) {
    case PullStreamContext::OpenOk:
        return true;
    case PullStreamContext::OpenAllocFailed:
        msg = QStringLiteral("连接服务器错误1");
        break;
    case PullStreamContext::OpenAnalyzeOptionFailed:
        msg = QStringLiteral("连接服务器错误2");
        break;
    case PullStreamContext::OpenSeekableOptionFailed:
        msg = QStringLiteral("连接服务器错误3");
        break;
    case PullStreamContext::OpenInputFailed:
        printFFmpegError(error, QStringLiteral("PullStreamEngine::connectToServer@avformat_open_input"));
        msg = QStringLiteral("无法打开输入流");
        break;
    case PullStreamContext::OpenStreamInfoFailed:
        printFFmpegError(error, QStringLiteral("PullStreamEngine::connectToServer@avformat_find_stream_info"));
        msg = QStringLiteral("无法找到输入流");
        break;
    case PullStreamContext::OpenNoStreams:
        msg = QStringLiteral("连接服务器错误4");
        break;
    }
    return false;
}

uchar PullStreamEngine::wantedStreams() const
{
    switch (m_pullStreamType) {
    case PullAudioStreamOnly:
        return audioBit;
    case PullVideoStreamOnly:
        return videoBit;
    default:
        return bothStreams;
    }
}

uchar PullStreamEngine::requiredStreams() const
{
    switch (m_pullStreamType) {
    case PullAudioRequired:
    case PullAudioStreamOnly:
        return audioBit;
    case PullVideoRequired:
    case PullVideoStreamOnly:
        return videoBit;
    default:
        return bothStreams; // for PullEitherRequired, one of them
    }
}

// Whether the streams that work (or failed) meet what the pull type requires; a stream neither working nor
// failed may still come.
PullStreamEngine::Requirement PullStreamEngine::requirement(uchar working, uchar failed) const
{
    if (m_pullStreamType == PullEitherRequired) {
        if (working & bothStreams)
            return RequirementMet;
        return (failed & bothStreams) == bothStreams ? RequirementFailed : RequirementOpen;
    }
    const uchar required = requiredStreams() & uchar(~m_absentSet);
    if (failed & required)
        return RequirementFailed;
    return (working & required) == required ? RequirementMet : RequirementOpen;
}

void PullStreamEngine::rememberFailure(uchar bit, const QString &msg)
{
    m_failedSet |= bit;
    m_workingSet &= uchar(~bit);
    if (bit == audioBit)
        m_audioMessage = msg;
    else
        m_videoMessage = msg;
    if (!m_firstFailure)
        m_firstFailure = bit;
}

// The message of a failed stream that the pull required; the first failure's when both failed.
QString PullStreamEngine::failureMessage(uchar required) const
{
    uchar bit = m_firstFailure;
    if (!(required & bit) && (required & m_failedSet))
        bit = required & m_failedSet & audioBit ? audioBit : videoBit;
    return bit == audioBit ? m_audioMessage : m_videoMessage;
}

// Initialisation results

void PullStreamEngine::audioInitialResultIn(PullAudioStream::AudioInitialType type)
{
    pullInitialResult(type == PullAudioStream::AudioInitialSuccess, audioInitialMessage(type), audioBit,
        type == PullAudioStream::AudioStreamNotFound);
}

void PullStreamEngine::videoInitialResultIn(PullVideoStream::VideoInitialType type)
{
    pullInitialResult(type == PullVideoStream::VideoInitialSuccess, videoInitialMessage(type), videoBit,
        type == PullVideoStream::VideoStreamNotFound);
}

void PullStreamEngine::pullInitialResult(bool ok, const QString &msg, uchar bit, bool notFound)
{
    if (!(m_initPendingSet & bit)) {
        if (m_pullStreamType == PullAudioStreamOnly)
            qWarning() << "the pullStreamType is PullAudioStreamOnly error! pullStreamType:" << m_pullStreamType;
        else if (m_pullStreamType == PullVideoStreamOnly)
            qWarning() << "the pullStreamType is PullVideoStreamOnly error! pullStreamType:" << m_pullStreamType;
        else
            qWarning() << "an initialisation result nobody asked for:" << streamName(bit);
        return;
    }
    m_initPendingSet &= uchar(~bit);
    if (!ok)
        qInfo() << "pull" << streamName(bit) << "initialisation:" << msg << "uid:" << m_userId;
    if (m_tearingDown) {
        checkTeardown();
        return;
    }
    if (m_initialDecided) {
        // A stream that showed up after the open.
        if (ok) {
            m_workingSet |= bit;
            startDecoders(bit);
        } else {
            rememberFailure(bit, msg);
            evaluateDecode();
        }
        return;
    }
    m_initialResultSet |= bit;
    if (ok)
        m_workingSet |= bit;
    else if (notFound)
        m_awaitedSet |= bit;
    else
        rememberFailure(bit, msg);
    if (m_initPendingSet == 0) {
        m_initialDecided = true;
        decideInitial();
    }
}

void PullStreamEngine::decideInitial()
{
    if (requirement(m_workingSet, m_failedSet) == RequirementFailed) {
        pullInitialFail(failureMessage(requiredStreams()), true);
        return;
    }
    if (!m_pullStreamCmdFlag.load()) {
        emit pullStreamResultOut(m_pullObjId, false, QStringLiteral("老师已下课"));
        m_tearingDown = true;
        resetStages(true);
        return;
    }
    if (m_awaitedSet)
        qInfo() << "streams awaited after the open:" << m_awaitedSet << "uid:" << m_userId;
    if (m_workingSet)
        startDecoders(m_workingSet);
    else
        evaluateDecode(); // nothing to decode yet: the read stage looks for the streams
}

void PullStreamEngine::startDecoders(uchar set)
{
    if (!(set & bothStreams)) {
        qWarning() << "the type unknown error! type:" << set;
        return;
    }
    m_startedDecoderSet |= set;
    m_decodePendingSet |= set;
    if (set & audioBit)
        emit audioDecodeOut();
    if (set & videoBit)
        emit videoDecodeOut();
}

// Decode results

void PullStreamEngine::audioDecodeResultIn(PullAudioStream::AudioDecodeType type)
{
    switch (type) {
    case PullAudioStream::AudioDecodeStarted:
        pullDecodeStarted(audioBit);
        break;
    case PullAudioStream::AudioDecodeEnded:
        pullStreamFinishIn(audioBit);
        break;
    default:
        if (type >= 2 && type <= 8)
            pullDecodeFailed(audioBit, QStringLiteral("音频解码失败%1").arg(int(type) - 1));
        else
            qWarning() << "the aet type unknown error! aet:" << type;
        break;
    }
}

void PullStreamEngine::videoDecodeResultIn(PullVideoStream::VideoDecodeType type)
{
    switch (type) {
    case PullVideoStream::VideoDecodeStarted:
        pullDecodeStarted(videoBit);
        break;
    case PullVideoStream::VideoDecodeEnded:
        pullStreamFinishIn(videoBit);
        break;
    default:
        if (type >= 2 && type <= 8)
            pullDecodeFailed(videoBit, QStringLiteral("视频解码失败%1").arg(int(type) - 1));
        else
            qWarning() << "the vet type unknown error! vet:" << type;
        break;
    }
}

void PullStreamEngine::pullDecodeStarted(uchar bit)
{
    if (!(m_decodePendingSet & bit) || (m_decodeExecSet & bit)) {
        qWarning() << "a decode start nobody waits for:" << streamName(bit);
        return;
    }
    m_decodeResultSet |= bit;
    m_decodeExecSet |= bit;
    evaluateDecode();
}

void PullStreamEngine::pullDecodeFailed(uchar bit, const QString &msg)
{
    if (!(m_decodePendingSet & bit)) {
        qWarning() << "a decode failure nobody waits for:" << streamName(bit) << msg;
        return;
    }
    qWarning() << "pull" << streamName(bit) << "decoding:" << msg << "uid:" << m_userId;
    m_decodePendingSet &= uchar(~bit);
    m_decodeResultSet |= bit;
    m_decodeFinishSet |= bit;
    rememberFailure(bit, msg);
    evaluateDecode();
}

// The end of a stage's loop (audio 1, video 2, read 4).
void PullStreamEngine::pullStreamFinishIn(uchar type)
{
    if (type == readBit) {
        if (!m_readStarted || (m_decodeFinishSet & readBit)) {
            qWarning() << "a read end nobody waits for";
            return;
        }
    } else {
        if (!(m_decodePendingSet & type)) {
            qWarning() << "a decode end nobody waits for:" << streamName(type);
            return;
        }
        m_decodePendingSet &= uchar(~type);
        if (!(m_decodeExecSet & type)) {
            // Ended without having started: the decoder was not there to run.
            m_decodeResultSet |= type;
            if (!m_tearingDown)
                rememberFailure(type, QString());
        }
    }
    m_decodeFinishSet |= type;
    if (m_tearingDown) {
        checkTeardown();
        return;
    }
    if (type == readBit) {
        qInfo() << "the input ended, uid:" << m_userId << "at count:" << m_startCount.load();
        beginTeardown();
        return;
    }
    if (m_decodeExecSet & type) {
        qWarning() << "decodeFinishSet:" << m_decodeFinishSet << "decodeExecSet:" << m_decodeExecSet;
        m_workingSet &= uchar(~type);
    }
    evaluateDecode();
}

void PullStreamEngine::readStreamExitIn()
{
    pullStreamFinishIn(readBit);
}

void PullStreamEngine::readStreamFoundIn(uchar type)
{
    if (m_tearingDown || !(m_awaitedSet & type))
        return;
    qInfo() << "the" << streamName(type) << "stream showed up, uid:" << m_userId;
    m_awaitedSet &= uchar(~type);
    m_context.setAwaitedStreams(m_awaitedSet);
    m_initPendingSet |= type;
    if (type == audioBit)
        emit audioInitialOut(m_playAudioCmdFlag.load());
    else
        emit videoInitialOut();
}

// Decides, whenever a decoder started, failed or ended, or a stream stopped being awaited, whether the attempt
// has succeeded, has failed, or waits.
void PullStreamEngine::evaluateDecode()
{
    if (m_tearingDown) {
        checkTeardown();
        return;
    }
    // The first decoders answer before anything is decided, as the read starts only behind them.
    if (m_decodeResultSet != m_startedDecoderSet)
        return;
    const uchar running = m_decodeExecSet & ~m_decodeFinishSet & bothStreams;
    const Requirement state = requirement(running, m_failedSet);
    if (state == RequirementFailed) {
        // pullDecodeFail: every loop that runs is stopped; the teardown completes once they have ended.
        m_lastFailure = failureMessage(requiredStreams());
        qWarning() << "the pull failed:" << m_lastFailure << "uid:" << m_userId << "at count:" << m_startCount.load();
        if (!m_pullStreamCmdFlag.load() && !m_resultSent)
            emit pullStreamResultOut(m_pullObjId, false, QString());
        beginTeardown();
        return;
    }
    if (!m_pullStreamCmdFlag.load()) {
        if (!m_resultSent)
            emit pullStreamResultOut(m_pullObjId, false, QString());
        beginTeardown();
        return;
    }
    if (!m_readStarted)
        startRead();
    if (state == RequirementMet) {
        m_lateStreamTimer->stop();
        if (!m_resultSent)
            pullSucceeded();
    } else if (!m_lateStreamTimer->isActive()) {
        m_lateStreamTimer->start(m_lateStreamWaitMs.load());
    }
}

void PullStreamEngine::startRead()
{
    m_readStarted = true;
    m_decodeExecSet |= readBit;
    m_context.setAwaitedStreams(m_awaitedSet);
    emit startReadStreamOut();
}

void PullStreamEngine::lateStreamTimeout()
{
    if (m_tearingDown || m_resultSent)
        return;
    // What has not shown up by now counts as missing; a stream it found meanwhile may still be initialising.
    const uchar missing = m_awaitedSet;
    if (!missing)
        return;
    const uchar playing = m_decodeExecSet & ~m_decodeFinishSet & bothStreams;
    if (playing && m_pullStreamType <= PullVideoRequired) {
        // Not in the stream at all, rather than broken: a new connection would bring the same stream, so the
        // pull goes on with what plays. The read stage still takes the missing one if it comes.
        m_absentSet = missing;
        qInfo() << "pulling without the" << streamName(missing) << "stream, uid:" << m_userId;
        evaluateDecode();
        return;
    }
    m_awaitedSet = 0;
    m_context.setAwaitedStreams(0);
    if (missing & audioBit)
        rememberFailure(audioBit, audioInitialMessage(PullAudioStream::AudioStreamNotFound));
    if (missing & videoBit)
        rememberFailure(videoBit, videoInitialMessage(PullVideoStream::VideoStreamNotFound));
    evaluateDecode();
}

void PullStreamEngine::pullSucceeded()
{
    m_resultSent = true;
    m_failedAttempts = 0;
    m_status.setPullStreamStatus(StreamMediaStatus::PullStreamExec);
    qInfo() << "pulling uid:" << m_userId << "streams:" << (m_decodeExecSet & bothStreams)
            << "at count:" << m_startCount.load();
    // A pull that plays without a stream it asked for says which one is missing.
    QString msg;
    if (m_absentSet & audioBit)
        msg = audioInitialMessage(PullAudioStream::AudioStreamNotFound);
    else if (m_absentSet & videoBit)
        msg = videoInitialMessage(PullVideoStream::VideoStreamNotFound);
    emit pullStreamResultOut(m_pullObjId, true, msg);
}

// Teardown and reconnection

void PullStreamEngine::pullInitialFail(const QString &msg, bool freeInput)
{
    qWarning() << "the pull initialisation failed:" << msg << "uid:" << m_userId;
    m_lastFailure = msg;
    m_tearingDown = true;
    m_lateStreamTimer->stop();
    if (!m_pullStreamCmdFlag.load())
        emit pullStreamResultOut(m_pullObjId, false, QString());
    else
        qInfo() << "at count:" << m_startCount.load();
    resetStages(freeInput);
}

void PullStreamEngine::beginTeardown()
{
    if (m_tearingDown)
        return;
    m_tearingDown = true;
    m_lateStreamTimer->stop();
    // Every decoder asked to run is stopped, also one that answered with a failure: stopping an idle stage
    // costs nothing, and its reset waits behind whatever loop it runs.
    if (m_startedDecoderSet & audioBit)
        m_audio->pullAudioStop();
    if (m_startedDecoderSet & videoBit)
        m_video->pullVideoStop();
    if (m_readStarted && !(m_decodeFinishSet & readBit))
        m_read->stopReadStream();
    checkTeardown();
}

// The input may be freed only once no stage can touch it: every initialisation answered, every decode loop
// ended, and the read loop ended if it was ever started. A read that never started sends no end.
void PullStreamEngine::checkTeardown()
{
    if (!m_tearingDown || m_resetting)
        return;
    if (m_initPendingSet || m_decodePendingSet)
        return;
    if (m_readStarted && !(m_decodeFinishSet & readBit))
        return;
    resetStages(true);
}

void PullStreamEngine::resetStages(bool freeInput)
{
    if (freeInput && !m_context.freeAVFormatContext())
        qWarning() << "the avFormatContext free fail error! ";
    // The resets are sent whatever became of the input: without their answers the engine would stay in its
    // initialising state for good.
    m_initPendingSet = m_decodePendingSet = 0;
    m_resetting = true;
    m_resetResultSet = 0;
    emit audioResetOut();
    emit videoResetOut();
}

void PullStreamEngine::pullResetResultIn(uchar type)
{
    if (!m_resetting) {
        qWarning() << "a reset nobody waits for:" << type;
        return;
    }
    m_resetResultSet |= type;
    if ((m_resetResultSet & bothStreams) != bothStreams)
        return;
    m_resetting = false;
    m_resetResultSet = 0;
    if (!m_pullStreamCmdFlag.load()) {
        exitPull();
        return;
    }
    // Only attempts that never played count: a pull that played and dropped connects again at once, however
    // often that has happened in the lesson.
    if (!m_resultSent && m_failedAttempts < (1 << 20))
        ++m_failedAttempts;
    m_status.setPullStreamStatus(StreamMediaStatus::PullStreamInit);
    if (m_failedAttempts > fastAttempts)
        m_reconnectTimer->start(reconnectWait(m_failedAttempts));
    else
        startPullStream();
}

int PullStreamEngine::reconnectWait(int failedAttempts) const
{
    const int first = m_reconnectDelayMs.load();
    const int most = qMax(first, m_maxReconnectDelayMs.load());
    if (failedAttempts <= fastAttempts || first <= 0)
        return 0;
    qint64 wait = first;
    for (int i = fastAttempts + 1; i < failedAttempts && wait < most; ++i)
        wait *= 2;
    return int(qMin<qint64>(wait, most));
}

void PullStreamEngine::reconnect()
{
    if (!m_pullStreamCmdFlag.load()) {
        exitPull();
        return;
    }
    startPullStream();
}

void PullStreamEngine::exitPull()
{
    m_reconnectTimer->stop();
    m_lateStreamTimer->stop();
    m_status.setPullStreamStatus(StreamMediaStatus::PullStreamIdle);
    m_pullStreamCmdFlag.store(false);
    m_context.clearCancel();
    m_busy.store(false);
#ifdef __GLIBC__
    // The decoders' buffers stay with the allocator of the threads that freed them; handed back, an idle
    // engine of the pool holds a few MiB instead of a pulling engine's worth.
    malloc_trim(0);
#endif
    emit pullStreamExitOut(m_pullObjId);
}
