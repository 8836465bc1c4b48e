#include "vrek/media/panels/videoviewfull.h"

#include "vrek/window/titleview.h"

#include <QDebug>
#include <QGridLayout>
#include <QVBoxLayout>

VideoViewFull::VideoViewFull(const int h, QWidget *parent)
    : QWidget(parent)
{
    buildForm();
    setMinimumSize(minimumSizeFor(h));
    qInfo() << "h:" << h << "parent:" << parent;
}

VideoViewFull::~VideoViewFull() = default;

QSize VideoViewFull::minimumSizeFor(int h)
{
    return QSize(int((h * 11 / 8) * 1.5), int(h * 1.5));
}

void VideoViewFull::buildForm()
{
    setObjectName(QStringLiteral("VideoViewFull"));
    setWindowTitle(QStringLiteral("VideoViewFull"));
    resize(565, 434);
    m_gridLayout = new QGridLayout(this);
    m_gridLayout->setObjectName(QStringLiteral("gridLayout"));
    m_gridLayout->setSpacing(0);
    m_gridLayout->setContentsMargins(0, 0, 0, 0);
    m_mainVerticalLayout = new QVBoxLayout();
    m_mainVerticalLayout->setObjectName(QStringLiteral("mainVerticalLayout"));
    m_mainVerticalLayout->setSpacing(0);
    m_videoVerticalLayout = new QVBoxLayout();
    m_videoVerticalLayout->setObjectName(QStringLiteral("videoVerticalLayout"));
    m_videoVerticalLayout->setSpacing(0);
    m_mainVerticalLayout->addLayout(m_videoVerticalLayout, 15);
    m_gridLayout->addLayout(m_mainVerticalLayout, 0, 0);
}

void VideoViewFull::setShow(QWidget *vv)
{
    qInfo() << "vv:" << vv;
    if (m_hosted) {
        m_videoVerticalLayout->removeWidget(m_hosted);
        m_hosted->hide();
    }
    m_hosted = vv;
    if (vv)
        m_videoVerticalLayout->addWidget(vv);
    emit signalShowOut();
}

void VideoViewFull::setHide()
{
    if (!m_hosted)
        return;
    m_videoVerticalLayout->removeWidget(m_hosted);
    m_hosted = nullptr;
}

TitleView *VideoViewFull::makeFrame(int titleFlags)
{
    auto *frame = new TitleView(this, QStringLiteral("视频"), titleFlags);
    connect(frame, &TitleView::signalClose, this, &VideoViewFull::setHide);
    connect(this, &VideoViewFull::signalShowOut, frame, qOverload<>(&TitleView::show));
    return frame;
}
