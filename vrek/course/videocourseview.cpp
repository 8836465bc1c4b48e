#include "vrek/course/videocourseview.h"

#include "vrek/course/videocoursemanager.h"

#include <QDebug>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpacerItem>
#include <QStackedLayout>

namespace {
const char *const pauseStyle = "QPushButton{border-image:url(:/vrek/image/centerview/videopause.png)}";
const char *const playStyle = "QPushButton{border-image:url(:/vrek/image/centerview/videoplay.png)}";
const char *const zeroTime = "00:00:00";

QPushButton *makeButton(QWidget *parent, const char *name)
{
    auto *button = new QPushButton(parent);
    button->setObjectName(name);
    return button;
}
} // namespace

VideoCourseView::VideoCourseView(QWidget *parent)
    : QWidget(parent)
{
    setupForm();
    m_stackedLayout = new QStackedLayout(m_videoWidget);
    m_stackedLayout->setStackingMode(QStackedLayout::StackAll);
    m_manager = new VideoCourseManager(m_stackedLayout);

    m_titleLabel->setStyleSheet(QStringLiteral("QLabel{font-family:黑体;font-size:10pt;}"));
    m_backButton->setFixedSize(44, 30);
    m_backButton->setStyleSheet("QPushButton{border-image:url(:/vrek/image/centerview/videoback.png)}");
    m_forwardButton->setFixedSize(44, 30);
    m_forwardButton->setStyleSheet("QPushButton{border-image:url(:/vrek/image/centerview/videoforward.png)}");
    m_pauseButton->setFixedSize(32, 32);
    m_pauseButton->setStyleSheet(pauseStyle);
    m_maximizeButton->setFixedSize(30, 30);
    m_maximizeButton->setStyleSheet(
        "QPushButton{border-image: url(:/vrek/image/centerview/fullppt-1.png);}QPushButton:checked{border-image: "
        "url(:/vrek/image/centerview/fullppt-2.png);}");
    m_maximizeButton->hide();

    connect(this, &VideoCourseView::signalSendVideoLate, m_manager, &VideoCourseManager::slotSendVideoLate);
    connect(
        m_manager, &VideoCourseManager::signalMediaPlayerTimeChanged, this, &VideoCourseView::onMediaPlayerTimeChanged);
    connect(m_manager, &VideoCourseManager::signalMediaPlayerPlaying, this, &VideoCourseView::onMediaPlayerPlaying);
    connect(m_manager, &VideoCourseManager::signalMediaPlayerPaused, this, &VideoCourseView::onMediaPlayerPaused);
    connect(
        m_manager, &VideoCourseManager::signalMediaPlayerEndReached, this, &VideoCourseView::onMediaPlayerEndReached);
    connect(m_manager, &VideoCourseManager::signalMediaPlayerLengthChanged, this,
        &VideoCourseView::onMediaPlayerLengthChanged);
    connect(m_timeSlider, &QSlider::sliderPressed, this, &VideoCourseView::onVideoTimeHorizontalSliderPressed);
    connect(m_timeSlider, &QSlider::sliderMoved, this, &VideoCourseView::onVideoTimeHorizontalSliderMoved);
    connect(m_timeSlider, &QSlider::sliderReleased, this, &VideoCourseView::onVideoTimeHorizontalSliderReleased);
    connect(m_pauseButton, &QPushButton::clicked, this, &VideoCourseView::onVideoControlPauseButtonClicked);
    connect(m_backButton, &QPushButton::clicked, this, &VideoCourseView::onVideoControlBackButtonClicked);
    connect(m_forwardButton, &QPushButton::clicked, this, &VideoCourseView::onVideoControlForwardButtonClicked);
    connect(m_maximizeButton, &QPushButton::toggled, this, &VideoCourseView::signalMaximizeButtonToggled);
    connect(this, &VideoCourseView::signalVideoPause, m_manager, &VideoCourseManager::setVideoPause);
    connect(this, &VideoCourseView::signalVideoRealTime, m_manager, &VideoCourseManager::setVideoRealTime);
    connect(this, &VideoCourseView::signalSetVideoState, m_manager, &VideoCourseManager::slotSetVideoState);
}

VideoCourseView::~VideoCourseView()
{
    // The player's widget lives in this view's layout: the manager takes it away first.
    delete m_manager;
}

void VideoCourseView::setupForm()
{
    setObjectName("VideoCourseView");
    setWindowTitle("VideoCourseView");
    resize(1080, 720);
    auto *gridLayout = new QGridLayout(this);
    gridLayout->setObjectName("gridLayout");
    const QMargins margins = gridLayout->contentsMargins();
    gridLayout->setContentsMargins(0, margins.top(), 0, 0);

    auto *titleLayout = new QHBoxLayout();
    titleLayout->setObjectName("videoTitleLayout");
    titleLayout->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
    m_titleLabel = new QLabel(this);
    m_titleLabel->setTextFormat(Qt::PlainText);
    m_titleLabel->setObjectName("videoTitleLabel");
    m_titleLabel->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    titleLayout->addWidget(m_titleLabel);
    titleLayout->setStretch(0, 1);
    titleLayout->setStretch(1, 20);
    gridLayout->addLayout(titleLayout, 0, 0);

    m_videoWidget = new QWidget(this);
    m_videoWidget->setObjectName("videoWidget");
    gridLayout->addWidget(m_videoWidget, 1, 0);

    auto *timeLayout = new QHBoxLayout();
    timeLayout->setObjectName("videoTimeLayout");
    const QMargins timeMargins = timeLayout->contentsMargins();
    timeLayout->setContentsMargins(5, timeMargins.top(), 5, timeMargins.bottom());
    m_realTimeLabel = new QLabel(zeroTime, this);
    m_realTimeLabel->setObjectName("videoRealTimelineLabel");
    m_timeSlider = new QSlider(Qt::Horizontal, this);
    m_timeSlider->setObjectName("videoTimeHorizontalSlider");
    m_timeSlider->setMaximum(0);
    m_totalTimeLabel = new QLabel(zeroTime, this);
    m_totalTimeLabel->setObjectName("videoTotalTimelineLabel");
    timeLayout->addWidget(m_realTimeLabel);
    timeLayout->addWidget(m_timeSlider);
    timeLayout->addWidget(m_totalTimeLabel);
    gridLayout->addLayout(timeLayout, 2, 0);

    auto *controlLayout = new QHBoxLayout();
    controlLayout->setObjectName("videoControlHorizontalLayout");
    controlLayout->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
    m_backButton = makeButton(this, "videoControlBackButton");
    m_pauseButton = makeButton(this, "videoControlPauseButton");
    m_forwardButton = makeButton(this, "videoControlForwardButton");
    controlLayout->addWidget(m_backButton);
    controlLayout->addWidget(m_pauseButton);
    controlLayout->addWidget(m_forwardButton);
    controlLayout->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
    m_maximizeButton = makeButton(this, "videoControlMaximizeButton");
    m_maximizeButton->setCheckable(true);
    m_maximizeButton->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
    controlLayout->addWidget(m_maximizeButton);
    gridLayout->addLayout(controlLayout, 3, 0);

    gridLayout->setRowStretch(1, 1);
}

bool VideoCourseView::openVideoFile(const QString &fileIdAll, const QString &fileName, GlobalEnum::PPMFromType from)
{
    const bool opened = m_manager->openVideoFile(fileIdAll, from);
    if (opened)
        m_titleLabel->setText(fileName);
    return opened;
}

void VideoCourseView::stopVideo()
{
    m_manager->stopVideo();
    m_realTimeLabel->setText(timeToString(0));
    m_totalTimeLabel->setText(timeToString(0));
    m_timeSlider->setMaximum(0);
}

bool VideoCourseView::clearVideoState()
{
    return m_manager->clearVideoState();
}

void VideoCourseView::setVideoPause(bool pause)
{
    m_manager->setVideoPause(pause, GlobalEnum::PPMLocal);
}

void VideoCourseView::setControlEnabled(bool on)
{
    m_backButton->setEnabled(on);
    m_forwardButton->setEnabled(on);
    m_pauseButton->setEnabled(on);
    m_timeSlider->setEnabled(on);
    m_controlEnabled = on;
}

QString VideoCourseView::timeToString(int ms)
{
    const int hours = ms / 3600000;
    const int minutes = (ms - hours * 3600000) / 60000;
    const int seconds = (ms - hours * 3600000 - minutes * 60000) / 1000;
    return QString::asprintf("%02d:%02d:%02d", hours, minutes, seconds);
}

void VideoCourseView::showPlayState(bool paused)
{
    m_isPaused = paused;
    m_pauseButton->setStyleSheet(paused ? playStyle : pauseStyle);
    m_manager->initialVideoState();
    if (m_controlEnabled)
        m_pauseButton->setEnabled(true);
}

void VideoCourseView::onMediaPlayerTimeChanged()
{
    // While the slider is held, the display stays where the hand put it.
    if (m_sliderHeld)
        return;
    const int time = m_manager->getVideoTime();
    m_realTimeLabel->setText(timeToString(time));
    m_timeSlider->setValue(time);
}

void VideoCourseView::onMediaPlayerPlaying()
{
    showPlayState(false);
}

void VideoCourseView::onMediaPlayerPaused()
{
    showPlayState(true);
}

void VideoCourseView::onMediaPlayerEndReached()
{
    // The video starts again from its beginning.
    m_manager->setVideoPlay(false);
    m_manager->setVideoPlay(true);
}

void VideoCourseView::onMediaPlayerLengthChanged()
{
    const int length = m_manager->getVideoLength();
    m_totalTimeLabel->setText(timeToString(length));
    m_timeSlider->setRange(0, length);
}

void VideoCourseView::onVideoTimeHorizontalSliderPressed()
{
    m_sliderHeld = true;
}

void VideoCourseView::onVideoTimeHorizontalSliderMoved(int value)
{
    if (m_sliderHeld)
        m_realTimeLabel->setText(timeToString(value));
}

void VideoCourseView::onVideoTimeHorizontalSliderReleased()
{
    qDebug() << "value:" << m_timeSlider->value();
    m_sliderHeld = false;
    m_manager->setVideoRealTime(m_timeSlider->value(), GlobalEnum::PPMLocal);
}

void VideoCourseView::onVideoControlBackButtonClicked()
{
    qDebug() << "";
    m_manager->setVideoRealTime(m_manager->getVideoTime() - seekStepMs, GlobalEnum::PPMLocal);
}

void VideoCourseView::onVideoControlForwardButtonClicked()
{
    qDebug() << "";
    m_manager->setVideoRealTime(m_manager->getVideoTime() + seekStepMs, GlobalEnum::PPMLocal);
}

void VideoCourseView::onVideoControlPauseButtonClicked()
{
    qDebug() << "isPaused:" << m_isPaused;
    // Back with the player's next report.
    if (m_controlEnabled)
        m_pauseButton->setEnabled(false);
    // A request the player already follows brings no report: the button comes back at once then.
    if (!m_manager->setVideoPause(!m_isPaused, GlobalEnum::PPMLocal) && m_controlEnabled)
        m_pauseButton->setEnabled(true);
}
