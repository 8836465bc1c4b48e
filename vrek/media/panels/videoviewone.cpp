#include "vrek/media/panels/videoviewone.h"

#include <QDebug>
#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QResizeEvent>
#include <QStackedLayout>

const char *const VideoViewOne::noCameraPath = ":/image/media/nocamera.png";

VideoViewOne::VideoViewOne(QWidget *parent)
    : QWidget(parent)
    , m_noCameraImage(QString::fromLatin1(noCameraPath))
{
    buildForm();
    initial();
    setDefaultImage();
}

VideoViewOne::~VideoViewOne() = default;

void VideoViewOne::buildForm()
{
    setObjectName("VideoViewOne");
    setWindowTitle("VideoViewOne");
    resize(400, 300);
    auto *mainLayout = new QGridLayout(this);
    mainLayout->setObjectName("mainLayout");
    mainLayout->setSpacing(0);
    mainLayout->setContentsMargins(0, 0, 0, 0);
    auto *widget = new QWidget(this);
    widget->setObjectName("widget");
    mainLayout->addWidget(widget, 0, 0);

    // Both pages are shown at once: the button's page lies over the picture.
    auto *stack = new QStackedLayout(widget);
    stack->setStackingMode(QStackedLayout::StackAll);
    auto *buttonPage = new QWidget(widget);
    auto *buttonLayout = new QGridLayout(buttonPage);
    buttonLayout->setContentsMargins(0, 0, 0, 0);
    m_audioButton = new QPushButton(QStringLiteral("0"), buttonPage);
    m_audioButton->setObjectName("audioButton");
    buttonLayout->addWidget(m_audioButton, 1, 0);
    buttonLayout->setRowStretch(0, 4);
    buttonLayout->setRowStretch(1, 1);
    buttonLayout->setColumnStretch(0, 1);
    buttonLayout->setColumnStretch(1, 4);
    m_label = new QLabel(widget);
    m_label->setObjectName("pictureLabel");
    m_label->setMinimumSize(1, 1);
    stack->addWidget(buttonPage);
    stack->addWidget(m_label);
    stack->setCurrentIndex(0);
}

void VideoViewOne::initial()
{
    m_showing = false;
    m_pressed = false;
    m_playing = false;
    // The strip offers no sound switch of its own: one remote user is heard at a time.
    m_audioButton->hide();
    connect(m_audioButton, &QPushButton::clicked, this, &VideoViewOne::playAudioClickedIn);
}

void VideoViewOne::setDefaultImage()
{
    m_currentImage = m_noCameraImage;
    m_label->setPixmap(
        QPixmap::fromImage(m_currentImage.scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
    m_showing = false;
    m_currentShowId.clear();
}

void VideoViewOne::startShowImageIn(QString userId)
{
    qInfo() << "uid:" << userId << "currentShowId:" << m_currentShowId;
    m_showing = true;
    m_currentShowId = userId;
}

void VideoViewOne::stopShowImageIn()
{
    qInfo() << "currentShowId:" << m_currentShowId;
    if (!m_currentShowId.isEmpty())
        setDefaultImage();
}

void VideoViewOne::showVideoImageIn(QImage frame)
{
    if (!m_showing)
        return;
    m_currentImage = frame;
    m_label->setPixmap(
        QPixmap::fromImage(frame.scaled(m_label->size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
}

void VideoViewOne::playAudioClickedIn()
{
    if (!m_showing)
        return;
    m_playing = !m_playing;
    m_audioButton->setText(m_playing ? QStringLiteral("1") : QStringLiteral("0"));
    emit playAudioClickedOut(m_currentShowId, m_playing);
}

void VideoViewOne::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (!m_currentImage.isNull())
        m_label->setPixmap(
            QPixmap::fromImage(m_currentImage.scaled(event->size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
}

void VideoViewOne::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_pressed = true;
    event->ignore();
}

void VideoViewOne::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && m_pressed && m_showing) {
        m_pressed = false;
        emit mouseClickedOut(m_currentShowId);
    }
    event->ignore();
}

void VideoViewOne::mouseMoveEvent(QMouseEvent *event)
{
    m_pressed = false;
    event->ignore();
}
