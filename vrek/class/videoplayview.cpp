#include "vrek/class/videoplayview.h"

#include "platform/vlcplayer/vlcvideowidget.h"
#include "vrek/class/mediabutton.h"
#include "vrek/class/mediaslider.h"
#include "vrek/utils/stringutil.h"

#include <QCloseEvent>
#include <QDebug>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpacerItem>
#include <QTime>
#include <QToolBox>
#include <QVBoxLayout>

namespace {
const char *const timeFormat = "HH:mm:ss";
const char *const zeroTime = "00:00:00";
const char *const labelStyle = "QLabel{background-color:#242D36;color:#7494aa;}";
const char *const barStyle = "QWidget{background-color:#242D36;}";
const char *const hiddenListButtonStyle = "QPushButton{background-color:transparent;color:transparent;}";
const char *const listButtonStyle = "QPushButton{background-color:transparent;color:#7494aa;}";

// What the player is doing, as the log tells it.
QString statusText(VlcPlayer::State state)
{
    switch (state) {
    case VlcPlayer::NoMedia:
        return VideoPlayView::tr("No media");
    case VlcPlayer::Loading:
        return VideoPlayView::tr("Loading...");
    case VlcPlayer::Loaded:
        return VideoPlayView::tr("Loaded");
    case VlcPlayer::Playing:
        return VideoPlayView::tr("Buffered");
    case VlcPlayer::Paused:
        return VideoPlayView::tr("Paused");
    case VlcPlayer::Ended:
        return VideoPlayView::tr("play end...");
    case VlcPlayer::Error:
        return VideoPlayView::tr("Invalid meida");
    default:
        return QString();
    }
}
} // namespace

VideoPlayView::VideoPlayView(QWidget *parent)
    : QWidget(parent)
{
    buildForm();
    initial();
    qInfo() << "the recorded-lesson player is made";
}

VideoPlayView::~VideoPlayView()
{
    // Its reports must not reach a half-gone view.
    m_player->disconnect(this);
    m_player->stop();
    delete m_player;
}

void VideoPlayView::buildForm()
{
    setObjectName("VideoPlayView");
    resize(600, 480);
    setWindowTitle("Form");

    m_videoArea = new QWidget(this);
    m_videoArea->setObjectName("videoArea");
    m_videoLayout = new QVBoxLayout(m_videoArea);
    m_videoLayout->setObjectName("videoLayout");
    m_videoLayout->setSpacing(0);
    m_videoLayout->setContentsMargins(2, 0, 2, 0);

    m_toolBox = new QToolBox(this);
    m_toolBox->setObjectName("toolBox");
    m_playList = new QWidget;
    m_playList->setObjectName("playList");
    m_toolBox->addItem(m_playList, QStringLiteral("课程列表"));
    m_toolBox->setCurrentIndex(0);
    if (m_toolBox->layout())
        m_toolBox->layout()->setSpacing(0);
    auto *horizontalLayout = new QHBoxLayout;
    horizontalLayout->setObjectName("horizontalLayout");
    horizontalLayout->setSpacing(0);
    horizontalLayout->addWidget(m_toolBox);

    m_mainLayout = new QHBoxLayout;
    m_mainLayout->setObjectName("mainLayout");
    m_mainLayout->addWidget(m_videoArea, 8);
    m_mainLayout->addLayout(horizontalLayout, 2);

    m_timeWidget = new QWidget(this);
    m_timeWidget->setObjectName("timeWidget");
    auto *layout = new QHBoxLayout(m_timeWidget);
    layout->setObjectName("Layout");
    layout->setContentsMargins(0, 0, 0, 0);
    m_timeLayout = new QHBoxLayout;
    m_timeLayout->setObjectName("timeLayout");
    layout->addLayout(m_timeLayout);

    m_toolWidget = new QWidget(this);
    m_toolWidget->setObjectName("toolWidget");
    m_toolLayout = new QHBoxLayout(m_toolWidget);
    m_toolLayout->setObjectName("toolLayout");
    m_horizontalWidget = new QWidget(m_toolWidget);
    m_horizontalWidget->setObjectName("horizontalWidget");
    auto *playLayout = new QHBoxLayout(m_horizontalWidget);
    playLayout->setObjectName("playLayout");
    playLayout->setSpacing(56);
    m_forwardBtn = new QPushButton(m_horizontalWidget);
    m_forwardBtn->setObjectName("forwardBtn");
    m_forwardBtn->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    m_playOrStopBtn = new QPushButton(m_horizontalWidget);
    m_playOrStopBtn->setObjectName("playOrStopBtn");
    m_backwardBtn = new QPushButton(m_horizontalWidget);
    m_backwardBtn->setObjectName("backwardBtn");
    playLayout->addWidget(m_forwardBtn);
    playLayout->addWidget(m_playOrStopBtn);
    playLayout->addWidget(m_backwardBtn);
    m_speakBtn = new QPushButton(m_toolWidget);
    m_speakBtn->setObjectName("speakBtn");
    m_speakBtn->setStyleSheet("border-image: url(:/image/media/audioVolume.png);");
    m_volumeSlider = new QSlider(Qt::Horizontal, m_toolWidget);
    m_volumeSlider->setObjectName("VolumeSlider");
    m_displayBtn = new QPushButton(m_toolWidget);
    m_displayBtn->setObjectName("displayBtn");
    m_firstSpacer = new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum);
    m_toolLayout->addItem(m_firstSpacer);
    m_toolLayout->addWidget(m_horizontalWidget);
    m_toolLayout->addItem(new QSpacerItem(40, 20, QSizePolicy::Preferred, QSizePolicy::Minimum));
    m_toolLayout->addWidget(m_speakBtn);
    m_toolLayout->addWidget(m_volumeSlider);
    m_toolLayout->addWidget(m_displayBtn);

    m_centorLayout = new QVBoxLayout(this);
    m_centorLayout->setObjectName("centorLayout");
    m_centorLayout->setSpacing(0);
    m_centorLayout->setContentsMargins(0, 0, 0, 0);
    m_centorLayout->addLayout(m_mainLayout, 10);
    m_centorLayout->addWidget(m_timeWidget, 1);
    m_centorLayout->addWidget(m_toolWidget);
}

void VideoPlayView::initial()
{
    m_playListLayout = new QVBoxLayout;
    m_playListLayout->setSpacing(2);
    m_playListLayout->setContentsMargins(2, 2, 2, 2);
    m_playListLayout->setAlignment(Qt::AlignTop);
    m_playList->setLayout(m_playListLayout);

    m_currentTimeLabel = new QLabel(m_timeWidget);
    m_lengthLabel = new QLabel(m_timeWidget);
    m_progressSlider = new MediaSlider(m_timeWidget);
    m_toolLayout->setAlignment(Qt::AlignTop);
    m_timeWidget->setFixedHeight(28);
    m_progressSlider->setFixedHeight(5);
    m_currentTimeLabel->setText(QString::fromLatin1(zeroTime));
    m_lengthLabel->setText(QString::fromLatin1(zeroTime));
    m_timeLayout->addWidget(m_currentTimeLabel);
    m_timeLayout->addWidget(m_progressSlider);
    m_timeLayout->addWidget(m_lengthLabel);
    m_timeLayout->setContentsMargins(0, 0, 0, 0);
    m_toolLayout->setContentsMargins(2, 0, 2, 0);

    m_player = new VlcPlayer;
    m_renderer = new VlcVideoWidget(m_player);
    m_videoLayout->addWidget(m_renderer);
    m_ended = false;

    m_displayBtn->setText(QStringLiteral("列表"));
    m_displayBtn->setStyleSheet(QString::fromLatin1(hiddenListButtonStyle));
    m_displayBtn->setToolTip(QStringLiteral("播放/暂停"));
    m_displayBtn->setCheckable(true);
    m_displayBtn->setChecked(false);
    m_displayBtn->setFixedSize(50, 32);
    // Flat, so that a style that draws a bevel of the button colour (Fusion) keeps it invisible.
    m_displayBtn->setFlat(true);
    m_forwardBtn->setFixedSize(32, 32);
    m_backwardBtn->setFixedSize(32, 32);
    m_playOrStopBtn->setFixedSize(32, 32);
    m_speakBtn->setFixedSize(16, 16);
    m_forwardBtn->setStyleSheet("QPushButton{border-image: url(:/image/media/leftadd);}");
    m_backwardBtn->setStyleSheet("QPushButton{border-image: url(:/image/media/rightadd);}");
    m_volumeSlider->setFixedWidth(100);
    m_volumeSlider->setMaximum(100);
    m_volumeSlider->setValue(defaultVolume);
    m_volumeSlider->setStyleSheet("QSlider::add-page:horizontal{background-color:#bee1ff;border-radius:2px;height:4px;}"
                                  "QSlider::sub-page:horizontal{background-color:#0081ff;border-radius:2px;height:4px;}"
                                  "QSlider::groove:horizontal{background:transparent;height:6px;}"
                                  "QSlider::handle:horizontal{height:8px;width:8px;background-color:#1570b5;"
                                  "border-radius:3px;margin:-3 0px;}");
    m_playOrStopBtn->setCheckable(true);
    m_playOrStopBtn->setChecked(false);
    m_toolBox->hide();
    m_displayBtn->setEnabled(false);

    m_playOrStopBtn->setStyleSheet("QPushButton{border-image:url(:/image/media/paused);}"
                                   "QPushButton:checked{border-image:url(:/image/media/playing);}");
    m_timeWidget->setStyleSheet(barStyle);
    m_toolWidget->setStyleSheet(barStyle);
    m_currentTimeLabel->setStyleSheet(labelStyle);
    m_lengthLabel->setStyleSheet(labelStyle);
    m_playList->setStyleSheet("QWidget{background-color:black;margin-left:1px;border:no;}");
    m_toolBox->setStyleSheet("QToolBox{background-color:black;}QToolBox:tab{color:blue;border-left:1px solid white;}");
    m_videoArea->setStyleSheet("QWidget{background-color:#1d262e;}");

    connect(m_playOrStopBtn, &QPushButton::toggled, this, &VideoPlayView::playOrPause);
    connect(m_progressSlider, &QSlider::sliderMoved, this, qOverload<int>(&VideoPlayView::seek));
    connect(m_progressSlider, &QSlider::sliderPressed, this, qOverload<>(&VideoPlayView::seek));
    connect(m_volumeSlider, &QSlider::sliderPressed, this, &VideoPlayView::setVolume);
    connect(m_volumeSlider, &QSlider::valueChanged, this, &VideoPlayView::setVolume);
    // The left button ("leftadd") steps back, the right one forward.
    connect(m_backwardBtn, &QPushButton::clicked, m_player, &VlcPlayer::seekForward);
    connect(m_forwardBtn, &QPushButton::clicked, m_player, &VlcPlayer::seekBackward);
    connect(m_player, &VlcPlayer::seekFinished, this, &VideoPlayView::onSeekFinished);
    connect(m_player, &VlcPlayer::stateChanged, this, &VideoPlayView::onMediaStatusChanged);
    connect(m_player, &VlcPlayer::errorOccurred, this, &VideoPlayView::handleError);
    connect(m_player, &VlcPlayer::positionChanged, this, &VideoPlayView::onPositionChange);
    connect(m_player, &VlcPlayer::lengthChanged, this, &VideoPlayView::onLengthChange);
    connect(m_player, &VlcPlayer::seekableChanged, this, &VideoPlayView::onSeekableChange);
    connect(m_displayBtn, &QPushButton::toggled, this, &VideoPlayView::onSetListVisiable);
}

QString VideoPlayView::timeText(qint64 ms)
{
    return QTime(0, 0).addMSecs(int(ms % (24LL * 3600 * 1000))).toString(QString::fromLatin1(timeFormat));
}

void VideoPlayView::slotGetVideoLists(const QString &reply)
{
    JsonRows rows;
    QString loginStatus = QStringLiteral("0");
    if (!StringUtil::httpJsonToList(reply, rows, loginStatus))
        return;
    if (loginStatus != QLatin1String("0")) {
        qDebug() << "reLogin";
        emit signalReLoginOut();
        return;
    }
    bool first = true;
    for (const QMap<QString, QVariant> &row : qAsConst(rows)) {
        const QVariant playIdValue = row.value("playId");
        const QVariant titleValue = row.value("title");
        const QVariant urlValue = row.value("videoUrl");
        if (playIdValue.isNull() || titleValue.isNull() || urlValue.isNull())
            continue;
        const QString playId = playIdValue.toString();
        const QString title = titleValue.toString();
        const QString videoUrl = urlValue.toString();
        qDebug() << "playId:" << playId << "title:" << title << "videoUrl:" << videoUrl;
        emit signalAddList(playId, title, videoUrl);
        auto *button = new MediaButton(videoUrl, m_playList);
        button->setText(title);
        connect(button, &MediaButton::btnClicked, this, &VideoPlayView::onOpenFile);
        m_playListLayout->addWidget(button);
        if (first) {
            first = false;
            onOpenFile(videoUrl);
        }
    }
    // A lesson recorded in several parts: the list is the only way to the others.
    if (m_playListLayout->count() > 1) {
        m_displayBtn->setEnabled(true);
        m_displayBtn->setStyleSheet(QString::fromLatin1(listButtonStyle));
        m_displayBtn->setChecked(true);
    }
}

void VideoPlayView::onOpenFile(const QString &url)
{
    if (m_player->state() == VlcPlayer::Playing)
        m_player->stop();
    m_url = url;
    m_player->play(m_url);
}

void VideoPlayView::playOrPause(bool checked)
{
    qDebug() << "playOrPause:" << checked;
    if (!checked) {
        m_player->setPaused(true);
        return;
    }
    if (m_ended)
        m_player->play(m_url);
    else
        m_player->setPaused(false);
}

void VideoPlayView::onStartPlay()
{
    m_playOrStopBtn->setChecked(true);
    onLengthChange(m_player->length());
    m_progressSlider->setValue(0);
    m_progressSlider->setEnabled(m_player->isSeekable());
    setVolume();
}

void VideoPlayView::onLengthChange(qint64 length)
{
    // The length may come only after the media started.
    m_progressSlider->setRange(0, int(length));
    m_lengthLabel->setText(timeText(length));
}

void VideoPlayView::onSeekableChange(bool seekable)
{
    if (m_player->state() == VlcPlayer::Playing || m_player->state() == VlcPlayer::Paused)
        m_progressSlider->setEnabled(seekable);
}

void VideoPlayView::onStopPlay()
{
    m_progressSlider->setValue(0);
    m_progressSlider->setEnabled(false);
    m_progressSlider->setRange(0, 0);
    m_currentTimeLabel->setText(QString::fromLatin1(zeroTime));
    m_lengthLabel->setText(QString::fromLatin1(zeroTime));
    m_playOrStopBtn->setChecked(false);
}

void VideoPlayView::onEndPlay()
{
    // The time stays at the end of the media, and the button offers to play it again.
    const qint64 length = qMax<qint64>(m_player->length(), m_progressSlider->maximum());
    if (length > 0) {
        m_progressSlider->setValue(m_progressSlider->maximum());
        m_currentTimeLabel->setText(timeText(length));
        m_lengthLabel->setText(timeText(length));
    }
    {
        // Nothing left to pause.
        const QSignalBlocker blocker(m_playOrStopBtn);
        m_playOrStopBtn->setChecked(false);
    }
    m_playOrStopBtn->setIcon(QIcon(":/image/media/play"));
}

void VideoPlayView::onPositionChange(qint64 position)
{
    if (m_player->isSeekable())
        m_progressSlider->setValue(int(position));
    m_currentTimeLabel->setText(timeText(position));
}

void VideoPlayView::onPaused(bool paused)
{
    if (paused) {
        qDebug() << "start pausing...";
        m_playOrStopBtn->setIcon(QIcon(":/image/media/play"));
    } else {
        qDebug() << "stop pausing...";
        m_playOrStopBtn->setIcon(QIcon(":/image/media/pause"));
    }
}

void VideoPlayView::onSeekFinished(qint64 position)
{
    qDebug("seek finished at %lld/%lld", position, m_player->position());
}

void VideoPlayView::seek(int value)
{
    m_player->seek(value);
}

void VideoPlayView::seek()
{
    seek(m_progressSlider->value());
}

void VideoPlayView::setVolume()
{
    const double volume = m_volumeSlider->value() * volumeStep;
    if (m_player->isValid()) {
        // A step of one is not applied: the output follows from two steps of difference on.
        const int difference = qAbs(int(m_player->volume() / volumeStep) - m_volumeSlider->value());
        if (difference >= 2)
            m_player->setVolume(volume);
    }
    m_volumeSlider->setToolTip(QString::number(volume));
}

void VideoPlayView::onMediaStatusChanged(VlcPlayer::State state)
{
    if (!qobject_cast<VlcPlayer *>(sender())) {
        qWarning() << "invalid sender() " << sender();
        return;
    }
    qDebug() << "status changed: " << statusText(state);
    const VlcPlayer::State last = m_lastState;
    m_lastState = state;
    switch (state) {
    case VlcPlayer::Playing:
        m_ended = false;
        if (last == VlcPlayer::Paused)
            onPaused(false);
        else
            onStartPlay();
        break;
    case VlcPlayer::Paused:
        onPaused(true);
        break;
    case VlcPlayer::Ended:
        m_ended = true;
        onEndPlay();
        break;
    case VlcPlayer::Stopped:
        onStopPlay();
        break;
    default:
        break;
    }
}

void VideoPlayView::handleError(const QString &message)
{
    qWarning() << "the media cannot be played:" << message;
    m_player->stop();
    QMessageBox::warning(this, QStringLiteral("错误提示"), QStringLiteral("打开媒体失败！"), QMessageBox::Ok);
}

void VideoPlayView::onSetListVisiable(bool shown)
{
    m_toolBox->setVisible(shown);
}

void VideoPlayView::onSetFullScreen(bool shown)
{
    m_toolBox->setVisible(shown);
    m_timeWidget->setVisible(shown);
    m_toolWidget->setVisible(shown);
}

void VideoPlayView::slotRestoreOrMaxsize(const bool &maximized)
{
    qDebug() << "width:" << width() << "maximized:" << maximized;
    m_firstSpacer->changeSize(
        20, 20, maximized ? QSizePolicy::Preferred : QSizePolicy::Expanding, QSizePolicy::Minimum);
    m_toolLayout->setAlignment(m_horizontalWidget, Qt::AlignCenter);
    m_toolLayout->invalidate();
}

void VideoPlayView::closeEvent(QCloseEvent *event)
{
    m_player->stop();
    // The next recording starts with an empty list.
    while (QLayoutItem *item = m_playListLayout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    {
        const QSignalBlocker blocker(m_displayBtn);
        m_displayBtn->setChecked(false);
    }
    m_displayBtn->setEnabled(false);
    m_displayBtn->setStyleSheet(QString::fromLatin1(hiddenListButtonStyle));
    m_toolBox->hide();
    emit signalClose();
    QWidget::closeEvent(event);
}
