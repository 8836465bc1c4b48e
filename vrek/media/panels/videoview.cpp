#include "vrek/media/panels/videoview.h"

#include <QDebug>
#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QResizeEvent>
#include <QStackedLayout>
#include <QTextOption>

#include <cmath>

VideoView::VideoView(QWidget *parent)
    : QWidget(parent)
{
    buildForm();
    initial();
}

VideoView::~VideoView() = default;

void VideoView::buildForm()
{
    setWindowTitle(QStringLiteral("VideoView"));
    resize(436, 304);
    auto *gridLayout = new QGridLayout(this);
    gridLayout->setSpacing(0);
    gridLayout->setContentsMargins(0, 0, 0, 0);
    m_videoWidget = new QWidget(this);
    gridLayout->addWidget(m_videoWidget, 0, 0);
}

void VideoView::initial()
{
    // Every page is visible: the overlay (the current page) lies over the big picture.
    m_stackedLayout = new QStackedLayout(m_videoWidget);
    m_stackedLayout->setStackingMode(QStackedLayout::StackAll);
    m_stackedLayout->setContentsMargins(0, 0, 0, 0);

    m_overlay = new QWidget(m_videoWidget);
    m_overlayLayout = new QGridLayout(m_overlay);
    m_overlayLayout->setContentsMargins(0, 0, 0, 0);
    m_overlayLayout->setSpacing(0);
    m_smallLabel = new QLabel(m_overlay);
    m_smallLabel->setObjectName(QStringLiteral("smallLabel"));
    m_smallLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    m_overlayLayout->addWidget(m_smallLabel, 1, 1, Qt::AlignRight | Qt::AlignBottom);
    m_overlayLayout->setRowStretch(0, 2);
    m_overlayLayout->setRowStretch(1, 1);
    m_overlayLayout->setColumnStretch(0, 2);
    m_overlayLayout->setColumnStretch(1, 1);

    m_bigLabel = new QLabel(m_videoWidget);
    m_bigLabel->setObjectName(QStringLiteral("bigLabel"));
    // The pictures follow the widget's size, never the other way round.
    m_bigLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);

    m_stackedLayout->addWidget(m_overlay);
    m_stackedLayout->addWidget(m_bigLabel);
    m_stackedLayout->setCurrentIndex(0);

    m_smallLabel->setFixedSize(thirdOf(size()));
    m_smallLabel->hide();
    m_mainStarted = false;
    m_subStarted = false;
    m_flipped = false;
    m_pressed = false;
}

int VideoView::namePixelSize(int bigWidth, bool flipped)
{
    return flipped ? 30 - bigWidth / 35 : 30 - (bigWidth / 3) / 26;
}

QSize VideoView::thirdOf(const QSize &size)
{
    return QSize(int(std::lround(size.width() / 3.0)), int(std::lround(size.height() / 3.0)));
}

void VideoView::showScaled(QLabel *label, const QImage &image, const QSize &size, Qt::TransformationMode mode)
{
    if (image.isNull() || size.isEmpty()) {
        label->clear();
        return;
    }
    label->setPixmap(QPixmap::fromImage(image.scaled(size, Qt::IgnoreAspectRatio, mode)));
}

void VideoView::setDefaultImage()
{
    qInfo() << "size:" << size();
    showScaled(m_bigLabel, QImage(defaultPicture()), size());
    m_smallLabel->hide();
    m_mainStarted = false;
    m_subStarted = false;
    m_flipped = false;
}

void VideoView::setMainImageStart()
{
    m_mainImage = QImage(noCameraPicture()).scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    showScaled(m_bigLabel, m_mainImage, size());
    m_mainStarted = true;
}

void VideoView::setSubImageStart(const QString &name)
{
    qInfo() << "sn:" << name;
    m_subStarted = true;
    m_subName = name;
    m_subImage = QImage(noCameraPicture()).scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    showScaled(m_smallLabel, m_subImage, thirdOf(size()), Qt::FastTransformation);
    m_smallLabel->show();
}

void VideoView::setSubImageEnd()
{
    if (m_mainStarted)
        setDefaultFlip();
    m_subStarted = false;
    m_subImage = QImage(m_subImage.size(), QImage::Format_ARGB32_Premultiplied);
    m_subImage.fill(Qt::transparent);
    showScaled(m_smallLabel, m_subImage, m_subImage.size());
    m_smallLabel->hide();
}

void VideoView::setDefaultFlip()
{
    showScaled(m_bigLabel, m_mainImage, size());
    m_flipped = false;
}

void VideoView::showFlipVideoImage()
{
    m_flipped = !m_flipped;
    const QSize third = thirdOf(size());
    if (m_mainStarted && m_subStarted) {
        showScaled(m_bigLabel, m_flipped ? m_subImage : m_mainImage, size());
        showScaled(m_smallLabel, m_flipped ? m_mainImage : m_subImage, third);
        return;
    }
    QPixmap transparent(third.isEmpty() ? QSize(1, 1) : third);
    transparent.fill(Qt::transparent);
    m_smallLabel->setPixmap(transparent);
    showScaled(m_bigLabel, QImage(defaultPicture()), size());
}

QImage VideoView::namedSubFrame(const QImage &frame) const
{
    if (m_subName.isEmpty() || frame.isNull())
        return frame;
    QImage named = frame.convertToFormat(QImage::Format_RGB32);
    QPainter painter(&named);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 0));
    painter.setBrush(QBrush(Qt::black, Qt::SolidPattern));
    QFont font;
    const int pixelSize = namePixelSize(width(), m_flipped);
    if (pixelSize > 0)
        font.setPixelSize(pixelSize);
    painter.setFont(font);
    painter.drawText(QRectF(0, 0, named.width(), named.height()), m_subName, QTextOption());
    return named;
}

void VideoView::showVideoImage(bool isMain, QImage frame)
{
    if (!m_mainStarted)
        return;
    QImage shown = frame;
    if (isMain) {
        m_mainImage = frame;
    } else {
        m_subImage = frame;
        if (m_flipped || m_subStarted)
            shown = namedSubFrame(frame);
    }
    if (isMain != m_flipped)
        showScaled(m_bigLabel, shown, size());
    else if (m_subStarted)
        showScaled(m_smallLabel, shown, thirdOf(size()));
}

bool VideoView::inOverlay(const QPoint &point) const
{
    return point.x() > int(std::lround(2.0 * width() / 3.0)) && point.y() > int(std::lround(2.0 * height() / 3.0));
}

void VideoView::mousePressEvent(QMouseEvent *event)
{
    if ((event->buttons() & Qt::LeftButton) && m_subStarted && inOverlay(event->pos()))
        m_pressed = true;
    event->ignore();
}

void VideoView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && m_subStarted && inOverlay(event->pos()) && m_pressed) {
        m_pressed = false;
        showFlipVideoImage();
    }
    event->ignore();
}

void VideoView::mouseMoveEvent(QMouseEvent *event)
{
    m_pressed = false;
    event->ignore();
}

void VideoView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const QSize size = event->size();
    const QSize third = thirdOf(size);
    m_smallLabel->setFixedSize(third);
    if (!m_mainStarted) {
        if (!m_subStarted)
            setDefaultImage();
        return;
    }
    showScaled(m_bigLabel, m_flipped ? m_subImage : m_mainImage, size);
    if (m_subStarted)
        showScaled(m_smallLabel, m_flipped ? m_mainImage : m_subImage, third);
}
