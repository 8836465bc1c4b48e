#include "vrek/media/control/pullstreammanager.h"

#include "vrek/container/pulluserinfohash.h"
#include "vrek/media/control/autopullengine.h"
#include "vrek/media/control/manualpullengine.h"
#include "vrek/media/pull/pullenginefactory.h"
#include "vrek/media/control/streammediaforward.h"
#include "vrek/message/streammediamessage.h"
#include "vrek/message/tsprotocolanalysis.h"
#include "vrek/model/pulluserinfo.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalfunc.h"
#include "vrek/utils/globalvalue.h"

#include <QDebug>

PullStreamManager::PullStreamManager(PullManagerType type, PlayAudioType playAudioType, uint maxShow, QObject *parent)
    : QObject(parent)
    , m_pullManagerType(type)
    , m_isLect(GlobalFunc::isCurrentUserLect())
    , m_playAudioType(playAudioType)
    , m_maxShow(maxShow)
{
    qInfo() << "pullManagerType:" << int(type) << "playAudioType:" << int(playAudioType) << "maxShow:" << maxShow
            << "isLect:" << m_isLect;
    initial();
}

PullStreamManager::~PullStreamManager()
{
    qInfo() << "";
    // The policies read the table: they go first, the rotation timer with them, and nothing they might still
    // emit reaches the engines.
    m_autoPullEngine->disconnect(this);
    m_manualPullEngine->disconnect(this);
    delete m_autoPullEngine;
    m_autoPullEngine = nullptr;
    delete m_manualPullEngine;
    m_manualPullEngine = nullptr;
    // The pool stops every engine and waits for them; results of those stops are no longer wanted.
    m_factory->disconnect(this);
    disconnect(m_factory);
    delete m_factory;
    m_factory = nullptr;
    delete m_table;
    m_table = nullptr;
}

void PullStreamManager::initial()
{
    m_table = new PullUserInfoHash();
    m_factory = new PullEngineFactory();

    connect(m_factory, &PullEngineFactory::pullStreamResultOut, this, &PullStreamManager::pullStreamResultIn);
    connect(m_factory, &PullEngineFactory::showVideoImageOut, this, &PullStreamManager::showVideoImageIn);
    connect(this, &PullStreamManager::startPullStreamOut, m_factory, &PullEngineFactory::startPullStreamIn);
    connect(this, &PullStreamManager::startPlayAudioOut, m_factory, &PullEngineFactory::startPlayAudioIn);
    connect(this, &PullStreamManager::stopPullStreamOut, m_factory, &PullEngineFactory::stopPullStreamIn);

    m_autoPullEngine = new AutoPullEngine(m_table, m_maxShow, this);
    connect(m_autoPullEngine, &AutoPullEngine::startPullStreamOut, this, &PullStreamManager::startPullStreamIn);
    connect(m_autoPullEngine, &AutoPullEngine::stopPullStreamOut, this, &PullStreamManager::stopPullStreamOut);
    connect(m_autoPullEngine, &AutoPullEngine::pullStreamChangeOut, this, &PullStreamManager::pullStreamChangeOut);
    connect(this, &PullStreamManager::startAutoPullOut, m_autoPullEngine, &AutoPullEngine::startAutoPullIn);
    connect(this, &PullStreamManager::stopAutoPullOut, m_autoPullEngine, &AutoPullEngine::stopAutoPullIn);
    connect(this, &PullStreamManager::stopAutoPullStreamOut, m_autoPullEngine, &AutoPullEngine::stopAutoPullStreamIn);
    connect(this, &PullStreamManager::insertShowQueueOut, m_autoPullEngine, &AutoPullEngine::insertShowQueueIn);

    m_manualPullEngine = new ManualPullEngine(m_table, manualMaxShow, this);
    connect(m_manualPullEngine, &ManualPullEngine::startPullStreamOut, this, &PullStreamManager::startPullStreamIn);
    connect(m_manualPullEngine, &ManualPullEngine::stopPullStreamOut, this, &PullStreamManager::stopPullStreamOut);
    connect(m_manualPullEngine, &ManualPullEngine::pullStreamChangeOut, this, &PullStreamManager::pullStreamChangeOut);
    connect(m_manualPullEngine, &ManualPullEngine::autoToManualOut, this, &PullStreamManager::autoToManualOut);
    connect(m_manualPullEngine, &ManualPullEngine::pullStreamNoneOut, this, &PullStreamManager::manualPullStreamNoneIn);
    connect(m_manualPullEngine, &ManualPullEngine::playAudioChangeOut, this, &PullStreamManager::startPlayAudioOut);
    connect(
        this, &PullStreamManager::startManualPullStreamOut, m_manualPullEngine, &ManualPullEngine::startPullStreamIn);
    connect(this, &PullStreamManager::stopManualPullStreamOut, m_manualPullEngine, &ManualPullEngine::stopPullStreamIn);
    connect(this, &PullStreamManager::stopManualPullOut, m_manualPullEngine, &ManualPullEngine::stopManualPullIn);
    connect(this, &PullStreamManager::insertShowQueueOut, m_manualPullEngine, &ManualPullEngine::insertShowQueueIn);
}

QString PullStreamManager::getPullStreamUrl(const QString &pushStreamId)
{
    return QStringLiteral("rtmp://%1:%2/live/%3 live=1 timeout=7")
        .arg(g_mediaHost, QString::number(g_mediaPort), pushStreamId);
}

PullUserInfo *PullStreamManager::insertUser(const QString &userId, const QString &pushStreamId)
{
    auto *info = new PullUserInfo(userId);
    info->setPushStreamId(pushStreamId);
    m_table->insertObject(info);
    emit insertShowQueueOut(userId);
    return info;
}

void PullStreamManager::addPushStreamIdIn(QString userId, QString pushStreamId)
{
    qInfo() << "uid:" << userId << "psid:" << pushStreamId;
    if (userId == g_userId)
        return;
    PullUserInfo *info = nullptr;
    if (m_table->selectObject(userId, &info, false))
        info->setPushStreamId(pushStreamId);
    else
        insertUser(userId, pushStreamId);
}

void PullStreamManager::delPushStreamIdIn(QString userId)
{
    qInfo() << "uid:" << userId;
    PullUserInfo *info = nullptr;
    if (!m_table->selectObject(userId, &info, false)) {
        insertUser(userId, QString());
        return;
    }
    info->setPushStreamId(QString());
    if (info->getPullFromType() == PullUserInfo::PullFromAuto)
        emit stopAutoPullStreamOut(userId);
    else if (info->isManual())
        emit stopManualPullStreamOut(userId);
}

void PullStreamManager::startPullStreamIn(QString userId)
{
    PullUserInfo *info = nullptr;
    if (!m_table->selectObject(userId, &info))
        return;
    const int from = info->getPullFromType();
    if (from != PullUserInfo::PullFromAuto && !info->isManual()) {
        qWarning() << "PullStreamManager::startPullStreamIn pullFromType:" << from << "uid:" << userId;
        return;
    }
    startPullStream(info, info->isManual());
}

void PullStreamManager::startPullStream(PullUserInfo *info, bool playAudio)
{
    info->setPullStreamState(PullUserInfo::PullStreamStarted);
    info->setPlayAudio(playAudio);
    emit startPullStreamOut(
        info->getUserId(), PullStreamEngine::PullAudioRequired, getPullStreamUrl(info->getPushStreamId()), playAudio);
}

void PullStreamManager::startPullStreamInByPushId(QString userId, QString pushStreamId, bool isMain)
{
    qInfo() << "uid:" << userId << "psid:" << pushStreamId << "isMain:" << isMain;
    PullUserInfo *info = nullptr;
    if (m_table->selectObject(userId, &info, false))
        info->setPushStreamId(pushStreamId);
    else
        info = insertUser(userId, pushStreamId);
    info->setPullFromType(isMain ? PullUserInfo::PullFromMain : PullUserInfo::PullFromSub);
    if (info->isIdle() && !info->getPushStreamId().isEmpty())
        emit startManualPullStreamOut(userId, isMain);
    else
        qWarning() << "pullShowState:" << info->getPullShowState() << "pullStreamState:" << info->getPullStreamState()
                   << "uid:" << userId;
}

void PullStreamManager::startPullStreamInByUserId(QString userId)
{
    qInfo() << "uid:" << userId;
    PullUserInfo *info = nullptr;
    if (m_table->selectObject(userId, &info) && !info->getPushStreamId().isEmpty())
        emit startManualPullStreamOut(userId, false);
}

void PullStreamManager::pullStreamResultIn(bool ok, QString userId, QString msg)
{
    qInfo() << "ok:" << ok << "uid:" << userId << "msg:" << msg;
    PullUserInfo *info = nullptr;
    if (!m_table->selectObject(userId, &info))
        return;
    if (info->getPullFromType() == PullUserInfo::PullFromMain)
        emit pullStreamResultOut(true, ok, userId, msg);
    else if (info->getPullFromType() == PullUserInfo::PullFromSub)
        emit pullStreamResultOut(false, ok, userId, msg);
    // A result that comes after the user was stopped must not mark him playing again.
    if (ok && info->getPullStreamState() != PullUserInfo::PullStreamNone)
        info->setPullStreamState(PullUserInfo::PullStreamPlaying);
}

void PullStreamManager::showVideoImageIn(QString userId, QImage frame)
{
    PullUserInfo *info = nullptr;
    if (!m_table->selectObject(userId, &info, false))
        return;
    const QString replaced = info->getReplacing();
    if (!replaced.isEmpty()) {
        // The successor's first picture: the user he replaces leaves the screen now.
        info->setReplacing(QString());
        PullUserInfo *old = nullptr;
        if (m_table->selectObject(replaced, &old)) {
            emit pullStreamChangeOut(replaced, userId, true, old->getPullFromType() == PullUserInfo::PullFromMain);
            stopPullStream(old);
        }
    }
    if (info->getPullShowState() == PullUserInfo::PullShowShown)
        emit showVideoImageOut(userId, frame);
}

void PullStreamManager::stopPullStream(PullUserInfo *info)
{
    info->setReplacedBy(QString());
    info->setReplacing(QString());
    info->setPullFromType(PullUserInfo::PullFromNone);
    info->setPullStreamState(PullUserInfo::PullStreamNone);
    info->setPullShowState(PullUserInfo::PullShowHidden);
    info->setPlayAudio(false);
    emit stopPullStreamOut(info->getUserId());
}

void PullStreamManager::stopPullStreamIn(QString userId)
{
    qInfo() << "uid:" << userId;
    PullUserInfo *info = nullptr;
    if (!m_table->selectObject(userId, &info))
        return;
    if (info->getPullFromType() == PullUserInfo::PullFromAuto)
        emit stopAutoPullStreamOut(userId);
    else if (info->isManual())
        emit stopManualPullStreamOut(userId);
}

void PullStreamManager::startAutoPullStreamIn()
{
    if (m_pullManagerType == PullManagerAuto)
        emit startAutoPullOut();
    else
        qInfo() << "pullManagerType:" << int(m_pullManagerType);
}

void PullStreamManager::stopAutoPullStreamIn()
{
    if (m_pullManagerType == PullManagerAuto)
        emit stopAutoPullOut();
    else
        qInfo() << "pullManagerType:" << int(m_pullManagerType);
}

void PullStreamManager::stopAllPullStreamIn()
{
    qInfo() << "";
    if (m_pullManagerType == PullManagerAuto)
        emit stopAutoPullOut();
    emit stopManualPullOut(true);
    emit stopManualPullOut(false);
}

void PullStreamManager::stopAllSubPullStreamIn()
{
    qInfo() << "";
    emit stopManualPullOut(false);
}

void PullStreamManager::manualPullStreamNoneIn()
{
    qInfo() << "";
    emit startAutoPullOut();
    emit manualPullStreamNoneOut();
}

void PullStreamManager::startPlayAudioIn(QString userId)
{
    qInfo() << "uid:" << userId << "playAudioType:" << int(m_playAudioType);
    PullUserInfo *info = nullptr;
    switch (m_playAudioType) {
    case PlayAudioOne: {
        if (!m_table->selectObject(userId, &info))
            return;
        PullUserInfo *heard = nullptr;
        if (!m_playAudioUserId.isEmpty() && m_playAudioUserId != userId
            && m_table->selectObject(m_playAudioUserId, &heard, false))
            stopPlayAudio(heard);
        m_playAudioUserId = userId;
        startPlayAudio(info);
        break;
    }
    case PlayAudioEach:
        if (m_table->selectObject(userId, &info))
            startPlayAudio(info);
        break;
    default:
        qWarning() << "playAudioType:" << int(m_playAudioType);
        break;
    }
}

void PullStreamManager::stopPlayAudioIn(QString userId)
{
    qInfo() << "uid:" << userId << "playAudioType:" << int(m_playAudioType);
    PullUserInfo *info = nullptr;
    switch (m_playAudioType) {
    case PlayAudioOne:
        if (userId == m_playAudioUserId && m_table->selectObject(userId, &info))
            stopPlayAudio(info);
        break;
    case PlayAudioEach:
        if (m_table->selectObject(userId, &info))
            stopPlayAudio(info);
        break;
    default:
        qWarning() << "playAudioType:" << int(m_playAudioType);
        break;
    }
}

// Only a user whose stream is pulled has an engine whose sound can be switched.
void PullStreamManager::startPlayAudio(PullUserInfo *info)
{
    if (info->getPlayAudio() || info->isIdle())
        return;
    emit playAudioChangeOut(info->getUserId(), true);
    info->setPlayAudio(true);
    emit startPlayAudioOut(info->getUserId(), true);
}

void PullStreamManager::stopPlayAudio(PullUserInfo *info)
{
    if (!info->getPlayAudio() || info->isIdle())
        return;
    emit playAudioChangeOut(info->getUserId(), false);
    info->setPlayAudio(false);
    emit startPlayAudioOut(info->getUserId(), false);
}

bool PullStreamManager::getPullUserState(const QString &userId) const
{
    PullUserInfo *info = nullptr;
    return m_table->selectObject(userId, &info, false) && info->isManual() && !info->isIdle();
}

bool PullStreamManager::verifyUserStreamId(const QString &userId) const
{
    PullUserInfo *info = nullptr;
    return m_table->selectObject(userId, &info, false) && !info->getPushStreamId().isEmpty();
}

void PullStreamManager::sendLateState(const QString &userId)
{
    if (!m_isLect) {
        qInfo() << "uid:" << userId << "isLect:" << m_isLect;
        return;
    }
    m_manualPullEngine->sendLateState(userId);
}

void PullStreamManager::sendPullFRStartIn(QString userId)
{
    PullUserInfo *info = nullptr;
    if (!m_table->selectObject(userId, &info))
        return;
    StreamMediaMessage message;
    message.setSmmType(StreamMediaMessage::StartPullFirstReplyStream);
    message.setFromUserId(g_userId);
    message.setToUserId(userId);
    // The class reads the user whose first reply is pulled from the third user.
    message.setTripartiteUserId(userId);
    message.setStreamId(info->getPushStreamId());
    StreamMediaForward::send(message, QString());
}
