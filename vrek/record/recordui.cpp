#include "vrek/record/recordui.h"

#include "vrek/dao/transferfiledao.h"
#include "vrek/model/transferfile.h"
#include "vrek/record/recordscreenmanager.h"
#include "vrek/utils/fileutil.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/viewui/classtipmessage.h"

#include <QAction>
#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>

const QString RecordUI::pauseStyle = QStringLiteral(
    "QPushButton{border-image: url(:/image/media/stop-0);}QPushButton:hover{border-image: "
    "url(:/image/media/stop-0);margin:2 2 2 2;}QPushButton:checked {border-image:url(:/image/media/record-1);}");
const QString RecordUI::timeStyle = QStringLiteral("QLabel{color:#ffffff;font-size:14px;}");
const QString RecordUI::pauseOffStyle = QStringLiteral("background-color:rgb(70,70,70);");
const QString RecordUI::timeOffStyle = QStringLiteral("color:transparent;");

namespace {
const char *const recordIcon = ":/image/media/record-1.png";
const char *const recordingIcon = ":/image/media/play-0.png";
const char *const startText = "开始录屏";
const char *const stopText = "结束录屏";
const char *const mediaFolder = "media";
} // namespace

RecordUI::RecordUI(QWidget *parent, ThreadFactory *factory)
    : QWidget(parent)
    , m_pauseButton(new QPushButton(this))
    , m_timeLabel(new QLabel(this))
    , m_recordAction(new QAction(QIcon(recordIcon), QString::fromUtf8(startText), this))
    , m_manager(new RecordScreenManager(this, factory))
    , m_tipMessage(new ClassTipMessage())
{
    setObjectName(QStringLiteral("RecordUI"));
    m_pauseButton->setObjectName(QStringLiteral("pauseButton"));
    m_pauseButton->setFixedSize(24, 24);
    m_pauseButton->setFocusPolicy(Qt::NoFocus);
    m_timeLabel->setObjectName(QStringLiteral("timeLabel"));
    m_timeLabel->setAlignment(Qt::AlignCenter);
    m_timeLabel->setMinimumWidth(70);
    m_recordAction->setObjectName(QStringLiteral("recordAction"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addWidget(m_timeLabel);
    layout->addWidget(m_pauseButton);
    addAction(m_recordAction);
    m_tipMessage->hide();
    setRecordIcon(false);

    connect(m_recordAction, &QAction::triggered, this, &RecordUI::slotRecordActionClicked);
    connect(m_pauseButton, &QPushButton::clicked, this, &RecordUI::OnPause);
    connect(m_tipMessage.get(), &ClassTipMessage::signalCloseButtonClicked, m_tipMessage.get(), &QWidget::hide);
    connect(this, &RecordUI::signalRecordStartOrEndIn, this, &RecordUI::OnStartStopRecord);
    connect(this, &RecordUI::signalRecordShareRtmp, m_manager, &RecordScreenManager::onSloStartShare);
    connect(m_manager, &RecordScreenManager::signalRecordTimer, this, &RecordUI::ShowRecordTime);
    connect(m_manager, &RecordScreenManager::signalRecordError, this, &RecordUI::OnRecordError);
    connect(m_manager, &RecordScreenManager::signalRecordSuccess, this, &RecordUI::signalRecordSuccess);
    connect(m_manager, &RecordScreenManager::signalRecordFinished, this, &RecordUI::recordFinished);
    connect(m_manager, &RecordScreenManager::signalRecordReleased, this, &RecordUI::recordReleased);
    connect(m_manager, &RecordScreenManager::signalUploadUpdate, this, [this] { emit signalShowUpload(true); });
}

RecordUI::~RecordUI() = default;

void RecordUI::OnPause(bool checked)
{
    m_manager->PauseRecord(checked);
}

void RecordUI::recordEngineStartOrStop(bool start)
{
    qInfo() << "RecordUI::recordEngineStartOrStop():" << start;
    qInfo() << "state:" << m_manager->getState();
    if (!start) {
        m_manager->exitRecord();
        return;
    }
    const QString time = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddhhmmss"));
    if (g_classType == 0 || g_classType == 1)
        m_classTypeLabel = QStringLiteral("1");
    else if (g_classType >= 2 && g_classType <= 8)
        m_classTypeLabel = QString::number(g_classType);
    // The list of recordings takes the label as the name's first part and the lesson part after it.
    const QString name = QStringLiteral("%1_%2_%3_%4.ts").arg(m_classTypeLabel, g_pushStreamId, g_userId, time);
    qInfo() << "print record id:" << name;
    if (!FileUtil::dirMakePath(QString::fromLatin1(mediaFolder)))
        qWarning() << "the media folder could not be made";
    const QString path = QDir::currentPath() + QStringLiteral("/media/") + name;
    g_recordFileName = name;
    m_manager->setRecordFile(path);
    m_pauseButton->setChecked(false);
    m_manager->StartRecord();

    TransferFile file;
    file.setFileName(QStringLiteral("./media/%1").arg(name));
    file.setIdParts(name, g_userId);
    file.setClassTitle(g_lessonName);
    file.setFileRange(0);
    TransferFileDao dao;
    if (!dao.saveTransferFile(file))
        qWarning() << "the recording was not entered for upload:" << name;
    else
        m_transferRows.insert(path, file.getId());
}

void RecordUI::recordReleased(const QString &path)
{
    const QString rowId = m_transferRows.take(path);
    // A file removed as empty, or never written, leaves nothing to upload.
    if (rowId.isEmpty() || QFileInfo::exists(path))
        return;
    TransferFileDao dao;
    if (!dao.deleteTransferFileById(rowId))
        qWarning() << "the row of a recording without file stays:" << rowId;
}

void RecordUI::ShowRecordTime(qlonglong seconds)
{
    const qlonglong hours = seconds / 3600;
    const qlonglong minutes = (seconds % 3600) / 60;
    const qlonglong rest = seconds % 60;
    auto twoDigits = [](qlonglong value) { return QStringLiteral("00%1").arg(value).right(2); };
    m_timeLabel->setText(QStringLiteral("%1:%2:%3").arg(twoDigits(hours), twoDigits(minutes), twoDigits(rest)));
}

void RecordUI::slotRecordActionClicked()
{
    OnStartStopRecord(!m_recording);
}

void RecordUI::OnRecordError(int type)
{
    m_recording = false;
    setRecordIcon(false);
    // Nothing records any more: the action offers to start again.
    setActionIdle();
    if (type >= 1 && type <= 9) {
        m_timeLabel->setStyleSheet(timeStyle);
        m_timeLabel->setText(QStringLiteral("音频设备打开失败"));
        showTip(QStringLiteral("音频开启失败，请退出课堂进行设备检测。"));
    } else if (type >= 10 && type <= 12) {
        m_timeLabel->setStyleSheet(timeStyle);
        m_timeLabel->setText(QStringLiteral("视频设备打开失败"));
        showTip(QStringLiteral("视频开启失败，请退出课堂进行设备检测。"));
    } else if (type >= 28) {
        m_timeLabel->setStyleSheet(timeStyle);
        m_timeLabel->setText(QStringLiteral("输出文件打开失败"));
    }
    emit signalRecordError();
}

void RecordUI::OnStartStopRecord(bool start)
{
    const int state = m_manager->getState();
    qInfo() << "OnStartStopRecord: " << start << "state:" << state;
    if (start && state == RecordScreenManager::StateIdle) {
        m_recording = true;
        m_recordAction->setIcon(QIcon(recordingIcon));
        m_recordAction->setText(QString::fromUtf8(stopText));
        m_pauseButton->setEnabled(true);
        setRecordIcon(true);
        // Starting may first finish a recording that is still ending: that end is not this one's.
        m_starting = true;
        recordEngineStartOrStop(true);
        m_starting = false;
        if (m_manager->getState() == RecordScreenManager::StateIdle) {
            qWarning() << "the recording did not start";
            m_recording = false;
            setActionIdle();
            setRecordIcon(false);
        }
    } else if (!start
        && (state == RecordScreenManager::StateRecording || state == RecordScreenManager::StateStarting)) {
        // A stop while the recording is still starting counts too: the recorder gives up opening.
        m_recording = false;
        setActionIdle();
        recordEngineStartOrStop(false);
        setRecordIcon(false);
    }
}

void RecordUI::resetPauseButton()
{
    m_pauseButton->setStyleSheet(pauseStyle);
    m_pauseButton->setCheckable(true);
    m_pauseButton->setChecked(false);
    m_pauseButton->setToolTip(QStringLiteral("暂停"));
    m_pauseButton->setEnabled(true);
}

void RecordUI::setRecordIcon(bool on)
{
    if (on) {
        resetPauseButton();
        m_timeLabel->setStyleSheet(timeStyle);
    } else {
        if (m_pauseButton->isChecked())
            resetPauseButton();
        m_pauseButton->setStyleSheet(pauseOffStyle);
        m_pauseButton->setEnabled(false);
        if (!g_recordErrorFlag) {
            m_timeLabel->setStyleSheet(timeOffStyle);
            m_timeLabel->setText(QStringLiteral("00:00:00"));
        }
    }
    emit signalRecordState(on);
}

void RecordUI::ResetStatus()
{
    m_recording = false;
    setActionIdle();
    m_pauseButton->setChecked(true);
}

void RecordUI::slotRecordEnd()
{
    if (m_recordEndAllowed)
        emit signalRecordEnd();
}

void RecordUI::setActionIdle()
{
    m_recordAction->setIcon(QIcon(recordIcon));
    m_recordAction->setText(QString::fromUtf8(startText));
}

void RecordUI::recordFinished()
{
    // A recording that ended without the controls' stop (an error, its window gone) leaves them idle too.
    if (m_recording && !m_starting) {
        m_recording = false;
        setActionIdle();
        setRecordIcon(false);
    }
    emit signRecordFinishedOut();
}

void RecordUI::showTip(const QString &text)
{
    m_tipMessage->slotShow(text);
    if (QWidget *top = window()) {
        const QPoint centre = top->mapToGlobal(top->rect().center());
        m_tipMessage->move(centre - QPoint(m_tipMessage->width() / 2, m_tipMessage->height() / 2));
    }
    m_tipMessage->show();
    m_tipMessage->raise();
}
