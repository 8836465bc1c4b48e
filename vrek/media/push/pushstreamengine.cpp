#include "vrek/media/push/pushstreamengine.h"

#include "vrek/media/push/pushstreamcontext.h"
#include "vrek/utils/threadfactory.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
}

#include <QDebug>
#include <QThread>

#include <mutex>

namespace {
const QString initialisingText = QStringLiteral("正在初始化推流");
const QString pushingText = QStringLiteral("正在推流中");
const QString audioInitialFailText = QStringLiteral("音频设备初始化失败");
const QString videoInitialFailText = QStringLiteral("视频设备初始化失败");
const QString audioEncodeFailText = QStringLiteral("音频编码失败");
const QString videoEncodeFailText = QStringLiteral("视频编码失败");
const QString connectFailText = QStringLiteral("连接服务器错误");
const QString unknownTypeText = QStringLiteral("推流类型错误");

constexpr int lastAudioInitialCode = PushAudioStream::AudioConverterInitFail;
constexpr int lastVideoInitialCode = PushVideoStream::VideoEncoderScalerFail;
constexpr int lastAudioEncodeCode = 8;
constexpr int lastVideoEncodeCode = 8;
constexpr int64_t maxInterleaveDeltaUs = 500000;

void printFFmpegError(const int errorId, const QString &msg)
{
    char text[1024] = {};
    if (av_strerror(errorId, text, sizeof(text)) < 0) {
        qWarning() << "the av_strerror exec error! " << msg << errorId;
        return;
    }
    qWarning() << "msg:" << msg << "errorId:" << errorId << "ffmpegErrorString:" << text;
}
} // namespace

PushStreamEngine::PushStreamEngine(const QString &url, QObject *parent, ThreadFactory *factory)
    : QObject(parent)
    , m_url(url)
    , m_factory(factory ? factory : ThreadFactory::getInstance())
    , m_threadId(ThreadFactory::noThreadId)
    , m_audioThreadId(ThreadFactory::noThreadId)
    , m_videoThreadId(ThreadFactory::noThreadId)
{
    qRegisterMetaType<PushStreamEngine::PushStreamType>("PushStreamEngine::PushStreamType");
    static std::once_flag networkReady;
    std::call_once(networkReady, [] { avformat_network_init(); });
    qInfo() << "url:" << url;
    initial();
}

PushStreamEngine::~PushStreamEngine()
{
    qInfo() << "url:" << m_url << "useCount:" << m_useCount.load();
    // Only an engine torn down in the middle of a push finds a loop still running.
    m_audioStream->pushAudioStop();
    m_videoStream->pushVideoStop();
    releaseStageThread(m_audioStream, m_audioThreadId, "removeAudioThread error! audioThread:");
    releaseStageThread(m_videoStream, m_videoThreadId, "removeVideoThread error! videoThread:");
    m_audioStream = nullptr;
    m_videoStream = nullptr;
}

void PushStreamEngine::releaseStageThread(QObject *stage, unsigned int threadId, const char *failText)
{
    if (threadId == ThreadFactory::noThreadId) {
        stage->deleteLater();
        return;
    }
    if (QThread::currentThread() == m_factory->thread()) {
        stage->deleteLater();
        if (!m_factory->releaseThreadId(threadId))
            qWarning() << failText << threadId;
        return;
    }
    // The factory's tables belong to its own thread: deletion and release happen there.
    m_factory->unbindThread(stage, threadId);
}

void PushStreamEngine::initial()
{
    m_pushStreamCmdFlag = false;
    resultSetInitial();
    m_startedSet = 0;
    m_encodeExecSet = 0;
    m_finishSet = 0;
    m_resetSet = 0;
    m_resetPending = false;
    m_pushStreamContext = std::make_shared<PushStreamContext>();
    m_audioStream = new PushAudioStream(m_pushStreamContext);
    m_videoStream = new PushVideoStream(m_pushStreamContext);

    m_audioThreadId = m_factory->allocThreadId();
    if (QThread *thread = m_factory->getThread(m_audioThreadId)) {
        thread->setObjectName(QStringLiteral("Push Audio"));
        m_audioStream->moveThread(thread);
    } else {
        m_audioThreadId = ThreadFactory::noThreadId;
        qCritical() << "no thread for the audio stage";
    }
    m_videoThreadId = m_factory->allocThreadId();
    if (QThread *thread = m_factory->getThread(m_videoThreadId)) {
        thread->setObjectName(QStringLiteral("Push Video"));
        m_videoStream->moveThread(thread);
    } else {
        m_videoThreadId = ThreadFactory::noThreadId;
        qCritical() << "no thread for the video stage";
    }

    connect(m_audioStream, &PushAudioStream::audioInitialResultOut, this, &PushStreamEngine::audioInitialResultIn);
    connect(m_audioStream, &PushAudioStream::audioResetResultOut, this, &PushStreamEngine::pushResetResultIn);
    connect(m_audioStream, &PushAudioStream::audioEncodeResultOut, this, &PushStreamEngine::audioEncodeResultIn);
    connect(this, &PushStreamEngine::audioInitialOut, m_audioStream, &PushAudioStream::audioInitialIn);
    connect(this, &PushStreamEngine::audioResetOut, m_audioStream, &PushAudioStream::audioResetIn);
    connect(this, &PushStreamEngine::audioEncodeOut, m_audioStream, &PushAudioStream::audioEncodeIn);

    connect(m_videoStream, &PushVideoStream::videoInitialResultOut, this, &PushStreamEngine::videoInitialResultIn);
    connect(m_videoStream, &PushVideoStream::videoResetResultOut, this, &PushStreamEngine::pushResetResultIn);
    connect(m_videoStream, &PushVideoStream::videoEncodeResultOut, this, &PushStreamEngine::videoEncodeResultIn);
    connect(m_videoStream, &PushVideoStream::showVideoImageOut, this, &PushStreamEngine::showVideoImageOut);
    connect(this, &PushStreamEngine::videoInitialOut, m_videoStream, &PushVideoStream::videoInitialIn);
    connect(this, &PushStreamEngine::videoResetOut, m_videoStream, &PushVideoStream::videoResetIn);
    connect(this, &PushStreamEngine::videoEncodeOut, m_videoStream, &PushVideoStream::videoEncodeIn);
}

void PushStreamEngine::setPreviewWanted(bool wanted)
{
    m_videoStream->setPreviewWanted(wanted);
}

PushStreamEngine *PushStreamEngine::createOnOwnThread(const QString &url, unsigned int &threadId)
{
    ThreadFactory *threads = ThreadFactory::getInstance();
    threadId = threads->allocThreadId();
    QThread *thread = threads->getThread(threadId);
    auto *engine = new PushStreamEngine(url, nullptr);
    if (thread) {
        thread->setObjectName(QStringLiteral("Push Stream"));
        engine->moveThread(thread);
    } else {
        threadId = ThreadFactory::noThreadId;
        qCritical() << "no thread for the push engine, it stays in the thread of its manager";
    }
    return engine;
}

void PushStreamEngine::moveThread(QThread *thread)
{
    qInfo() << "thread:" << thread;
    m_threadId = thread ? m_factory->getThreadId(thread) : ThreadFactory::noThreadId;
    moveToThread(thread);
}

void PushStreamEngine::releaseThread()
{
    if (m_released.exchange(true)) {
        qWarning() << "the engine was already released, url:" << m_url;
        return;
    }
    lowerUseCount();
}

void PushStreamEngine::lowerUseCount()
{
    unsigned int count = m_useCount.load();
    do {
        if (count == 0) {
            qWarning() << "the use count is already 0";
            return;
        }
    } while (!m_useCount.compare_exchange_weak(count, count - 1));
    qInfo() << "useCount:" << count - 1;
    if (count - 1 != 0)
        return;
    if (m_threadId == ThreadFactory::noThreadId) {
        qInfo() << "the engine has no factory thread, its owner deletes it";
        return;
    }
    // The factory deletes the engine in its own thread and then takes that thread back.
    m_factory->unbindThread(this, m_threadId);
}

void PushStreamEngine::setOutputLimits(int connectMs, int writeMs, int closeMs)
{
    m_pushStreamContext->setLimits(connectMs, writeMs, closeMs);
}

bool PushStreamEngine::isKnownType(int type)
{
    return type >= PushBothStream && type <= PushVideoStreamOnly;
}

uchar PushStreamEngine::typeStages() const
{
    switch (m_pushStreamType) {
    case PushAudioStreamOnly:
        return audioStage;
    case PushVideoStreamOnly:
        return videoStage;
    default:
        return bothStages;
    }
}

uchar PushStreamEngine::requiredStages() const
{
    switch (m_pushStreamType) {
    case PushBothStream:
        return bothStages;
    case PushEitherStream:
        return 0;
    case PushAudioStreamMust:
    case PushAudioStreamOnly:
        return audioStage;
    case PushVideoStreamMust:
    case PushVideoStreamOnly:
        return videoStage;
    }
    return bothStages;
}

void PushStreamEngine::resultSetInitial()
{
    m_initialResult = false;
    m_initialMsg.clear();
    m_initialFirstIsAudio = false;
    m_initialSet = 0;
    m_initialOkSet = 0;
    m_audioInitialMsg.clear();
    m_videoInitialMsg.clear();
    m_encodeResult = false;
    m_encodeMsg.clear();
    m_encodeSet = 0;
    m_encodeOkSet = 0;
    m_audioEncodeMsg.clear();
    m_videoEncodeMsg.clear();
}

void PushStreamEngine::startPushStreamIn(
    PushStreamEngine::PushStreamType type, QString audioDeviceName, QString videoDeviceName, QSize size)
{
    const StreamMediaStatus::PushStreamStatus status = m_pushStreamStatus.getPushStreamStatus();
    qInfo() << "pushStreamType:" << int(type) << "adn:" << audioDeviceName << "vdn:" << videoDeviceName
            << "size:" << size << "pushStreamStatus:" << status;
    switch (status) {
    case StreamMediaStatus::PushStreamIdle:
        break;
    case StreamMediaStatus::PushStreamInit:
        emit pushStreamResultOut(false, initialisingText);
        return;
    case StreamMediaStatus::PushStreamExec:
        emit pushStreamResultOut(false, pushingText);
        return;
    default:
        qWarning() << "the pushStreamStatus unknown error! pushStreamStatus:" << status;
        return;
    }
    if (!isKnownType(type)) {
        // Refused before anything starts: the engine stays idle and the owner learns that this push is over.
        qWarning() << "the pushStreamType unknown error! pushStreamType:" << int(type);
        emit pushStreamResultOut(false, unknownTypeText);
        emit pushStreamExitOut();
        return;
    }
    m_pushStreamStatus.setPushStreamStatus(StreamMediaStatus::PushStreamInit);
    m_useCount.fetch_add(1);
    m_pushStreamCmdFlag = true;
    resultSetInitial();
    m_startedSet = 0;
    m_encodeExecSet = 0;
    m_finishSet = 0;
    m_resetSet = 0;
    m_resetPending = false;
    m_pushStreamType = type;
    m_audioDeviceName.clear();
    m_videoDeviceName.clear();
    if (typeStages() & audioStage)
        m_audioDeviceName = audioDeviceName;
    if (typeStages() & videoStage)
        m_videoDeviceName = videoDeviceName;
    if (typeStages() & audioStage)
        emit audioInitialOut(m_audioDeviceName);
    if (typeStages() & videoStage)
        emit videoInitialOut(m_videoDeviceName, size);
}

void PushStreamEngine::stopPushStreamIn()
{
    const StreamMediaStatus::PushStreamStatus status = m_pushStreamStatus.getPushStreamStatus();
    qInfo() << "pushStreamStatus:" << status << "pushStreamCmdFlag:" << m_pushStreamCmdFlag
            << "encodeExecSet:" << m_encodeExecSet;
    switch (status) {
    case StreamMediaStatus::PushStreamIdle:
        break;
    case StreamMediaStatus::PushStreamInit:
        // The start unwinds itself at its next decision.
        m_pushStreamCmdFlag = false;
        break;
    case StreamMediaStatus::PushStreamExec:
        if (m_pushStreamCmdFlag) {
            m_pushStreamCmdFlag = false;
            m_pushStreamContext->setClosing();
            stopStages(m_encodeExecSet);
        }
        break;
    default:
        qWarning() << "the pushStreamStatus unknown error! pushStreamStatus:" << status;
        break;
    }
}

void PushStreamEngine::audioInitialResultIn(PushAudioStream::AudioInitialType ait)
{
    qInfo() << "ait:" << int(ait);
    if (m_pushStreamStatus.getPushStreamStatus() != StreamMediaStatus::PushStreamInit || (m_initialSet & audioStage)) {
        qWarning() << "an audio initialisation report outside a start, ait:" << int(ait);
        return;
    }
    const int code = int(ait);
    if (code == 0) {
        pushInitialResult(true, QString(), true);
        return;
    }
    // A code this engine does not know is a failure all the same, so the start still ends.
    if (code < 1 || code > lastAudioInitialCode)
        qWarning() << "the ait type unknown error! ait:" << code;
    pushInitialResult(false, audioInitialFailText + QString::number(code), true);
}

void PushStreamEngine::videoInitialResultIn(PushVideoStream::VideoInitialType vit)
{
    qInfo() << "vit:" << int(vit);
    if (m_pushStreamStatus.getPushStreamStatus() != StreamMediaStatus::PushStreamInit || (m_initialSet & videoStage)) {
        qWarning() << "a video initialisation report outside a start, vit:" << int(vit);
        return;
    }
    const int code = int(vit);
    if (code == 0) {
        pushInitialResult(true, QString(), false);
        return;
    }
    if (code < 1 || code > lastVideoInitialCode)
        qWarning() << "the vit type unknown error! vit:" << code;
    pushInitialResult(false, videoInitialFailText + QString::number(code), false);
}

void PushStreamEngine::pushInitialResult(bool ok, const QString &msg, bool isAudio)
{
    const uchar stage = isAudio ? audioStage : videoStage;
    if (!(typeStages() & stage)) {
        if (m_pushStreamType == PushAudioStreamOnly)
            qWarning() << "the pushStreamType is PushAudioStreamOnly error! pushStreamType:" << m_pushStreamType;
        else
            qWarning() << "the pushStreamType is PushVideoStreamOnly error! pushStreamType:" << m_pushStreamType;
        return;
    }
    if (m_initialSet == 0) {
        m_initialResult = ok;
        m_initialMsg = msg;
        m_initialFirstIsAudio = isAudio;
    }
    m_initialSet |= stage;
    if (ok)
        m_initialOkSet |= stage;
    (isAudio ? m_audioInitialMsg : m_videoInitialMsg) = msg;
    if (m_initialSet != typeStages())
        return; // the other stage has not reported yet

    const uchar okStages = m_initialOkSet & typeStages();
    const uchar required = requiredStages();
    uchar chosen = 0;
    QString failMsg;
    if (m_pushStreamType == PushEitherStream) {
        chosen = okStages;
        failMsg = m_audioInitialMsg;
    } else if ((okStages & required) == required) {
        chosen = okStages;
    } else {
        const uchar failed = required & ~okStages;
        failMsg = failed == bothStages ? m_initialMsg : failed == audioStage ? m_audioInitialMsg : m_videoInitialMsg;
    }
    qInfo() << "initialised:" << m_initialOkSet << "chosen:" << chosen;
    if (chosen == 0) {
        pushInitialFail(failMsg);
        return;
    }
    if (!m_pushStreamCmdFlag) {
        // Stopped while the devices opened: nothing is published.
        resetStages();
        emit pushStreamResultOut(false, QString());
        return;
    }
    QString connectMsg;
    if (!connectToServer(chosen, connectMsg)) {
        pushInitialFail(connectMsg);
        return;
    }
    pushInitailSuccess(chosen);
}

bool PushStreamEngine::connectToServer(uchar stages, QString &msg)
{
    PushStreamContext *context = m_pushStreamContext.get();
    AVFormatContext *output = avformat_alloc_context();
    if (!output) {
        msg = connectFailText + "1";
        return false;
    }
    const QByteArray url = m_url.toUtf8();
    output->oformat = av_guess_format("flv", nullptr, nullptr);
    output->url = av_strdup(url.constData());
    if (!output->oformat || !output->url) {
        avformat_free_context(output);
        msg = connectFailText + "2";
        return false;
    }
    output->interrupt_callback.callback = &PushStreamContext::interruptCallback;
    output->interrupt_callback.opaque = context;
    // Live: a stream that sends nothing (a silent microphone) may hold the other back this long, not FFmpeg's
    // ten seconds.
    output->max_interleave_delta = maxInterleaveDeltaUs;
    auto fail = [&](const char *step) {
        if (output->pb)
            avio_closep(&output->pb);
        avformat_free_context(output);
        msg = connectFailText + step;
        return false;
    };
    if (stages & audioStage) {
        AVCodecContext *encoder = m_audioStream->getAudioCodecContext();
        AVStream *stream = encoder ? avformat_new_stream(output, m_audioStream->getAudioCodec()) : nullptr;
        if (!stream)
            return fail("3");
        stream->time_base = encoder->time_base;
        if (avcodec_parameters_from_context(stream->codecpar, encoder) < 0)
            return fail("4");
    }
    if (stages & videoStage) {
        AVCodecContext *encoder = m_videoStream->getVideoCodecContext();
        AVStream *stream = encoder ? avformat_new_stream(output, m_videoStream->getVideoCodec()) : nullptr;
        if (!stream)
            return fail("5");
        stream->time_base = encoder->time_base;
        if (avcodec_parameters_from_context(stream->codecpar, encoder) < 0)
            return fail("6");
    }
    if (!(output->oformat->flags & AVFMT_NOFILE)) {
        // A server that accepts and never answers would keep the handshake waiting for ever.
        AVDictionary *options = nullptr;
        av_dict_set_int(&options, "rw_timeout", int64_t(context->writeLimit()) * 1000, 0);
        context->armDeadline(context->connectLimit());
        const int openResult
            = avio_open2(&output->pb, url.constData(), AVIO_FLAG_WRITE, &output->interrupt_callback, &options);
        context->armDeadline(0);
        av_dict_free(&options);
        if (openResult < 0) {
            printFFmpegError(openResult, QStringLiteral("PushStreamEngine::connectToServer@avio_open2"));
            return fail("7");
        }
    }
    context->armDeadline(context->connectLimit());
    const int headerResult = avformat_write_header(output, nullptr);
    context->armDeadline(0);
    if (headerResult != AVSTREAM_INIT_IN_WRITE_HEADER && headerResult != AVSTREAM_INIT_IN_INIT_OUTPUT) {
        printFFmpegError(headerResult, QStringLiteral("PushStreamEngine::connectToServer@write_header"));
        return fail("8");
    }
    if (output->nb_streams == 0)
        return fail("9");
    context->setAVFormatContext(output);
    qInfo() << "connect to server success";
    return true;
}

void PushStreamEngine::pushInitailSuccess(uchar stages)
{
    if (!m_pushStreamCmdFlag) {
        m_pushStreamContext->setClosing();
        if (!m_pushStreamContext->freeAVFormatContext())
            qWarning() << "the avFormatContext free fail error! ";
        resetStages();
        emit pushStreamResultOut(false, QString());
        return;
    }
    if (!(stages & bothStages)) {
        qWarning() << "the type unknown error! type:" << stages;
        m_pushStreamContext->freeAVFormatContext();
        resetStages();
        emit pushStreamResultOut(false, QString());
        return;
    }
    m_startedSet = stages;
    m_pushStreamContext->setAwaitAudio(stages == bothStages);
    if (stages & audioStage)
        emit audioEncodeOut();
    if (stages & videoStage)
        emit videoEncodeOut(stages == bothStages ? 1 : 0);
}

void PushStreamEngine::pushInitialFail(const QString &msg)
{
    qWarning() << "msg:" << msg;
    resetStages();
    emit pushStreamResultOut(false, msg);
}

void PushStreamEngine::audioEncodeResultIn(PushAudioStream::AudioEncodeType aet)
{
    qInfo() << "aet:" << int(aet);
    const int code = int(aet);
    if (code == PushAudioStream::AudioEncodeEnded) {
        // A loop stopped before it could say it had started counts as started, so the start still ends.
        if (m_pushStreamStatus.getPushStreamStatus() == StreamMediaStatus::PushStreamInit && (m_startedSet & audioStage)
            && !(m_encodeSet & audioStage))
            pushEncodeResult(true, QString(), true);
        pushStreamFinishIn(audioStage);
        return;
    }
    if (m_pushStreamStatus.getPushStreamStatus() != StreamMediaStatus::PushStreamInit || !(m_startedSet & audioStage)
        || (m_encodeSet & audioStage)) {
        qWarning() << "an audio encode report outside a start, aet:" << code;
        return;
    }
    if (code == PushAudioStream::AudioEncodeStarted) {
        pushEncodeResult(true, QString(), true);
        return;
    }
    if (code < 2 || code > lastAudioEncodeCode)
        qWarning() << "the aet type unknown error! aet:" << code;
    pushEncodeResult(false, audioEncodeFailText + QString::number(code - 1), true);
}

void PushStreamEngine::videoEncodeResultIn(PushVideoStream::VideoEncodeType vet)
{
    qInfo() << "vet:" << int(vet);
    const int code = int(vet);
    if (code == PushVideoStream::VideoEncodeEnded) {
        // A loop stopped before it could say it had started counts as started, so the start still ends.
        if (m_pushStreamStatus.getPushStreamStatus() == StreamMediaStatus::PushStreamInit && (m_startedSet & videoStage)
            && !(m_encodeSet & videoStage))
            pushEncodeResult(true, QString(), false);
        pushStreamFinishIn(videoStage);
        return;
    }
    if (m_pushStreamStatus.getPushStreamStatus() != StreamMediaStatus::PushStreamInit || !(m_startedSet & videoStage)
        || (m_encodeSet & videoStage)) {
        qWarning() << "a video encode report outside a start, vet:" << code;
        return;
    }
    if (code == PushVideoStream::VideoEncodeStarted) {
        pushEncodeResult(true, QString(), false);
        return;
    }
    if (code < 2 || code > lastVideoEncodeCode)
        qWarning() << "the vet type unknown error! vet:" << code;
    pushEncodeResult(false, videoEncodeFailText + QString::number(code - 1), false);
}

void PushStreamEngine::pushEncodeResult(bool ok, const QString &msg, bool isAudio)
{
    const uchar stage = isAudio ? audioStage : videoStage;
    if (m_encodeSet == 0) {
        m_encodeResult = ok;
        m_encodeMsg = msg;
    }
    m_encodeSet |= stage;
    if (ok)
        m_encodeOkSet |= stage;
    (isAudio ? m_audioEncodeMsg : m_videoEncodeMsg) = msg;
    // Decided once every stage that was started has answered.
    if (m_encodeSet != m_startedSet)
        return;

    const uchar okStages = m_encodeOkSet;
    const uchar required = requiredStages() & m_startedSet;
    if (m_pushStreamType == PushEitherStream) {
        if (okStages)
            pushEncodeSuccess(okStages);
        else
            pushEncodeFail(0, m_encodeMsg);
        return;
    }
    if ((okStages & required) == required && okStages) {
        pushEncodeSuccess(okStages);
        return;
    }
    const uchar failed = required & ~okStages;
    const QString failMsg = failed == bothStages ? m_encodeMsg
        : failed == audioStage                   ? m_audioEncodeMsg
                                                 : m_videoEncodeMsg;
    pushEncodeFail(okStages, failMsg);
}

void PushStreamEngine::pushEncodeSuccess(uchar stages)
{
    m_encodeExecSet = stages;
    qInfo() << "encodeExecSet:" << stages << "pushStreamCmdFlag:" << m_pushStreamCmdFlag;
    if (m_pushStreamCmdFlag) {
        m_pushStreamStatus.setPushStreamStatus(StreamMediaStatus::PushStreamExec);
        emit pushStreamResultOut(true, QString());
    } else {
        // Stopped while starting: the loops' ends finish the push.
        m_pushStreamContext->setClosing();
        stopStages(stages);
        emit pushStreamResultOut(false, QString());
    }
    endIfLoopsEnded();
}

void PushStreamEngine::pushEncodeFail(uchar stages, const QString &msg)
{
    qWarning() << "stages:" << stages << "msg:" << msg;
    m_encodeExecSet = stages;
    stopStages(stages);
    m_pushStreamContext->setClosing();
    if (!m_pushStreamContext->freeAVFormatContext())
        qWarning() << "the avFormatContext free fail error! ";
    // The resets queue behind the loops that still run, and their answers end the push.
    resetStages();
    emit pushStreamResultOut(false, msg);
}

void PushStreamEngine::pushStreamFinishIn(uchar stage)
{
    m_finishSet |= stage;
    qInfo() << "stage:" << stage << "finishSet:" << m_finishSet << "encodeExecSet:" << m_encodeExecSet;
    endIfLoopsEnded();
}

void PushStreamEngine::endIfLoopsEnded()
{
    if (m_resetPending || m_encodeExecSet == 0 || (m_finishSet & m_encodeExecSet) != m_encodeExecSet)
        return;
    if (!m_pushStreamContext->freeAVFormatContext())
        qWarning() << "the avFormatContext free fail error! ";
    resetStages();
}

void PushStreamEngine::stopStages(uchar stages)
{
    if (stages & audioStage)
        m_audioStream->pushAudioStop();
    if (stages & videoStage)
        m_videoStream->pushVideoStop();
}

void PushStreamEngine::resetStages()
{
    // Once per push: a second round of answers would end a push twice.
    if (m_resetPending)
        return;
    m_resetPending = true;
    m_resetSet = 0;
    emit audioResetOut();
    emit videoResetOut();
}

void PushStreamEngine::pushResetResultIn(uchar stage)
{
    qInfo() << "stage:" << stage << "resetSet:" << m_resetSet;
    if (!m_resetPending) {
        qWarning() << "a reset answer outside a reset, stage:" << stage;
        return;
    }
    m_resetSet |= stage;
    if (m_resetSet != bothStages)
        return;
    m_resetPending = false;
    m_pushStreamCmdFlag = false;
    m_pushStreamStatus.setPushStreamStatus(StreamMediaStatus::PushStreamIdle);
    lowerUseCount();
    emit pushStreamExitOut();
}
