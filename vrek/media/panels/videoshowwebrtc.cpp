#include "vrek/media/panels/videoshowwebrtc.h"

#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPixmap>

VideoShowWebrtc::VideoShowWebrtc(QWidget *parent)
    : QWidget(parent)
    , m_label(new QLabel(this))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // The pictures follow the widget's size, never the other way round.
    m_label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    layout->addWidget(m_label);
}

VideoShowWebrtc::~VideoShowWebrtc() = default;

void VideoShowWebrtc::reset()
{
    if (m_firstReset) {
        setStyleSheet(QStringLiteral("border-image:url(%1)").arg(defaultPicture()));
        // A frame shown before would cover the background.
        m_label->clear();
        m_firstReset = false;
    } else {
        showImage(QImage(defaultPicture()));
    }
    repaint();
}

void VideoShowWebrtc::showImage(const QImage &image)
{
    if (image.isNull() || size().isEmpty()) {
        m_label->clear();
        return;
    }
    m_label->setPixmap(QPixmap::fromImage(image.scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
}
