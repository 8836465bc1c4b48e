#include "vrek/media/panels/videoview3.h"

#include "vrek/container/userinfohash.h"
#include "vrek/utils/globalvalue.h"

#include <QDebug>
#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QStackedLayout>
#include <QTextOption>

const char *const VideoView3::noCameraPath = ":/image/media/nocamera.png";

namespace {
QPixmap scaledPixmap(const QImage &image, const QSize &size, Qt::TransformationMode mode = Qt::SmoothTransformation)
{
    return QPixmap::fromImage(image.scaled(size, Qt::IgnoreAspectRatio, mode));
}

QImage transparentImage(const QSize &size)
{
    QImage image(size.isEmpty() ? QSize(1, 1) : size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}
} // namespace

VideoView3::VideoView3(QWidget *parent)
    : QWidget(parent)
{
    buildForm();
    initial();
}

VideoView3::~VideoView3() = default;

void VideoView3::buildForm()
{
    setObjectName("VideoView3");
    setWindowTitle("VideoView3");
    resize(436, 304);
    auto *gridLayout = new QGridLayout(this);
    gridLayout->setSpacing(0);
    gridLayout->setContentsMargins(0, 0, 0, 0);
    auto *widget = new QWidget(this);
    widget->setObjectName("widget");
    gridLayout->addWidget(widget, 0, 0);

    // All pages shown at once: the overlay's page lies over the big picture.
    auto *stack = new QStackedLayout(widget);
    stack->setStackingMode(QStackedLayout::StackAll);
    auto *overlay = new QWidget(widget);
    overlay->setObjectName("overlayWidget");
    auto *overlayLayout = new QGridLayout(overlay);
    overlayLayout->setContentsMargins(0, 0, 0, 0);
    m_smallLabel = new QLabel(overlay);
    m_smallLabel->setObjectName("smallLabel");
    overlayLayout->addWidget(m_smallLabel, 1, 1);
    overlayLayout->setRowStretch(0, 2);
    overlayLayout->setRowStretch(1, 1);
    overlayLayout->setColumnStretch(0, 2);
    overlayLayout->setColumnStretch(1, 1);
    m_bigLabel = new QLabel(widget);
    m_bigLabel->setObjectName("bigLabel");
    // The pictures follow the view; they never size it.
    for (QLabel *label : { m_smallLabel, m_bigLabel }) {
        label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
        label->setMinimumSize(1, 1);
    }
    stack->addWidget(overlay);
    stack->addWidget(m_bigLabel);
    stack->setCurrentIndex(0);
}

void VideoView3::initial()
{
    m_showMainUserId.clear();
    m_showSubUserId.clear();
    m_flipped = false;
    m_pressed = false;
    m_smallLabel->hide();
}

QSize VideoView3::thirdOf(const QSize &size)
{
    return QSize(qRound(size.width() / 3.0), qRound(size.height() / 3.0));
}

QImage VideoView3::noCamera(const QSize &size) const
{
    return QImage(QString::fromLatin1(noCameraPath)).scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

bool VideoView3::containsUserId(const QString &userId) const
{
    return !userId.isEmpty() && (userId == m_showMainUserId || userId == m_showSubUserId);
}

void VideoView3::setDefaultImage()
{
    qInfo() << "size:" << size();
    m_mainImage = noCamera(size());
    m_bigLabel->setPixmap(QPixmap::fromImage(m_mainImage));
    m_subImage = transparentImage(m_subImage.size());
    m_smallLabel->setPixmap(QPixmap::fromImage(m_subImage));
    m_smallLabel->hide();
    m_flipped = false;
    m_showMainUserId.clear();
    m_showSubUserId.clear();
}

void VideoView3::setDefaultFlip()
{
    m_bigLabel->setPixmap(scaledPixmap(m_mainImage, size()));
    m_flipped = false;
}

void VideoView3::setShowMainImage(const QString &userId, bool isStart)
{
    qInfo() << "uid:" << userId << "isStart:" << isStart;
    if (isStart && m_showMainUserId.isEmpty() && !userId.isEmpty()) {
        m_showMainUserId = userId;
        m_mainImage = noCamera(size());
        m_bigLabel->setPixmap(QPixmap::fromImage(m_mainImage));
        return;
    }
    if (!isStart && !m_showMainUserId.isEmpty() && userId == m_showMainUserId) {
        m_showMainUserId.clear();
        m_bigLabel->setPixmap(QPixmap::fromImage(noCamera(size())));
        // Without its main picture the view has no overlay either.
        setDefaultImage();
        return;
    }
    qWarning() << "VideoView3::setShowMainImage showMainUserId:" << m_showMainUserId << "uid:" << userId;
}

void VideoView3::setShowSubImage(const QString &userId, bool isStart)
{
    qInfo() << "uid:" << userId << "isStart:" << isStart;
    if (isStart && m_showSubUserId.isEmpty() && !userId.isEmpty()) {
        m_showSubUserId = userId;
        UserInfo userInfo;
        if (g_userInfoHash.containsUserInfo(userId) && g_userInfoHash.selectUserInfo(userId, userInfo))
            m_subUserName = userInfo.getUserName();
        m_subImage = noCamera(size());
        m_smallLabel->setPixmap(scaledPixmap(m_subImage, thirdOf(size()), Qt::FastTransformation));
        m_smallLabel->show();
        return;
    }
    if (!isStart && !m_showSubUserId.isEmpty() && userId == m_showSubUserId) {
        m_showSubUserId.clear();
        if (!m_showMainUserId.isEmpty())
            setDefaultFlip();
        m_subImage = transparentImage(m_subImage.size());
        m_smallLabel->setPixmap(QPixmap::fromImage(m_subImage));
        m_smallLabel->hide();
        return;
    }
    qWarning() << "showSubUserId:" << m_showSubUserId << "uid:" << userId;
}

void VideoView3::showFlipVideoImage()
{
    m_flipped = !m_flipped;
    if (!m_showMainUserId.isEmpty() && !m_showSubUserId.isEmpty()) {
        const QImage &big = m_flipped ? m_subImage : m_mainImage;
        const QImage &small = m_flipped ? m_mainImage : m_subImage;
        m_bigLabel->setPixmap(scaledPixmap(big, size()));
        m_smallLabel->setPixmap(scaledPixmap(small, thirdOf(size())));
        return;
    }
    m_smallLabel->setPixmap(QPixmap::fromImage(transparentImage(thirdOf(size()))));
    m_bigLabel->setPixmap(QPixmap::fromImage(noCamera(size())));
}

void VideoView3::showVideoChangeIn(QString fromUserId, QString toUserId, bool isMain)
{
    qInfo() << "fromUserId:" << fromUserId << "toUserId:" << toUserId << "isMain:" << isMain;
    if (isMain) {
        if (!fromUserId.isEmpty())
            setShowMainImage(fromUserId, false);
        if (!toUserId.isEmpty())
            setShowMainImage(toUserId, true);
        return;
    }
    if (!fromUserId.isEmpty())
        setShowSubImage(fromUserId, false);
    if (!toUserId.isEmpty())
        setShowSubImage(toUserId, true);
}

int VideoView3::namePixelSize(int bigLabelWidth, bool flipped)
{
    return flipped ? 30 - bigLabelWidth / 35 : 30 - (bigLabelWidth / 3) / 26;
}

QImage VideoView3::withName(const QImage &frame) const
{
    QImage named = frame.convertToFormat(QImage::Format_RGB32);
    QPainter painter(&named);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(Qt::black, 0));
    painter.setBrush(QBrush(Qt::black, Qt::SolidPattern));
    QFont font;
    const int pixelSize = namePixelSize(m_bigLabel->width(), m_flipped);
    if (pixelSize > 0)
        font.setPixelSize(pixelSize);
    painter.setFont(font);
    painter.drawText(QRectF(0, 0, named.width(), named.height()), m_subUserName, QTextOption());
    return named;
}

void VideoView3::showVideoImageIn(QString userId, QImage frame)
{
    if (!userId.isEmpty() && userId == m_showMainUserId) {
        m_mainImage = frame;
        if (m_flipped && !m_showSubUserId.isEmpty())
            m_smallLabel->setPixmap(scaledPixmap(frame, m_smallLabel->size()));
        else
            m_bigLabel->setPixmap(scaledPixmap(frame, m_bigLabel->size()));
        return;
    }
    if (!userId.isEmpty() && userId == m_showSubUserId) {
        m_subImage = frame;
        const QImage named = withName(frame);
        if (m_flipped)
            m_bigLabel->setPixmap(scaledPixmap(named, m_bigLabel->size()));
        else
            m_smallLabel->setPixmap(scaledPixmap(named, m_smallLabel->size()));
        return;
    }
    // The own preview comes whether or not the own user is shown.
    if (userId == g_userId)
        return;
    qWarning() << "showMainUserId:" << m_showMainUserId << "showSubUserId:" << m_showSubUserId << "uid:" << userId;
}

bool VideoView3::inOverlay(const QPoint &point) const
{
    return point.x() > qRound(2 * width() / 3.0) && point.y() > qRound(2 * height() / 3.0);
}

void VideoView3::mousePressEvent(QMouseEvent *event)
{
    if ((event->buttons() & Qt::LeftButton) && !m_showSubUserId.isEmpty() && inOverlay(event->pos()))
        m_pressed = true;
    event->ignore();
}

void VideoView3::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && !m_showSubUserId.isEmpty() && inOverlay(event->pos()) && m_pressed) {
        m_pressed = false;
        showFlipVideoImage();
    }
    event->ignore();
}

void VideoView3::mouseMoveEvent(QMouseEvent *event)
{
    m_pressed = false;
    event->ignore();
}

void VideoView3::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const QSize newSize = event->size();
    m_smallLabel->resize(thirdOf(newSize));
    if (m_showMainUserId.isEmpty()) {
        setDefaultImage();
        return;
    }
    const bool subShown = !m_showSubUserId.isEmpty();
    const QImage &big = m_flipped ? m_subImage : m_mainImage;
    const QImage &small = m_flipped ? m_mainImage : m_subImage;
    m_bigLabel->setPixmap(scaledPixmap(big, newSize));
    if (subShown)
        m_smallLabel->setPixmap(scaledPixmap(small, thirdOf(newSize)));
}
