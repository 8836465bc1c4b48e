#include "vrek/media/panels/videoview4.h"

#include "vrek/media/panels/defaultview.h"
#include "vrek/media/panels/videoviewone.h"

#include <QDebug>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>

#include <iterator>

const char *const VideoView4::defaultPicturePath = ":/vrek/image/mediaview2/defaultmedia.png";

namespace {
const char *const layoutNames[] = { "firstLayout", "secondLayout", "thirdLayout", "fourthLayout" };
} // namespace

VideoView4::VideoView4(QWidget *parent)
    : VideoView4(3, QStringLiteral("VideoView4"), parent)
{ }

VideoView4::VideoView4(int tileCount, const QString &formName, QWidget *parent)
    : QWidget(parent)
{
    buildForm(tileCount, formName);
    initial();
}

VideoView4::~VideoView4()
{
    // Tiles and pictures out of their layout belong to nobody else.
    for (VideoViewOne *tile : qAsConst(m_tiles)) {
        if (tile->parent() != this)
            tile->deleteLater();
    }
    for (DefaultView *picture : qAsConst(m_defaultViews)) {
        if (picture->parent() != this)
            picture->deleteLater();
    }
}

void VideoView4::buildForm(int tileCount, const QString &formName)
{
    setObjectName(formName);
    setWindowTitle(formName);
    resize(655, 196);
    auto *stripLayout = new QHBoxLayout(this);
    stripLayout->setObjectName("horizontalLayout_5");
    stripLayout->setSpacing(1);
    stripLayout->setContentsMargins(0, 0, 0, 0);
    for (int index = 0; index < tileCount && index < int(std::size(layoutNames)); ++index) {
        auto *layout = new QHBoxLayout();
        layout->setObjectName(layoutNames[index]);
        stripLayout->addLayout(layout);
        m_layouts.append(layout);
    }
}

void VideoView4::initial()
{
    for (QHBoxLayout *layout : qAsConst(m_layouts)) {
        auto *tile = new VideoViewOne();
        tile->hide();
        connect(tile, &VideoViewOne::mouseClickedOut, this, &VideoView4::mouseClickedIn);
        connect(tile, &VideoViewOne::playAudioClickedOut, this, &VideoView4::playAudioClickedIn);
        m_tiles.append(tile);
        auto *picture = new DefaultView(QString::fromLatin1(defaultPicturePath));
        layout->addWidget(picture);
        picture->show();
        m_defaultViews.append(picture);
    }
    m_userIds.clear();
}

uint VideoView4::calcuImageIndexByUserId(const QString &userId) const
{
    return freeIndex(userId);
}

uint VideoView4::freeIndex(const QString &userId) const
{
    Q_UNUSED(userId)
    return firstFreeIndex(0);
}

uint VideoView4::firstFreeIndex(uint first) const
{
    const QList<uint> held = m_userIds.values();
    for (uint index = first; index < uint(m_tiles.size()); ++index) {
        qDebug() << "value:" << index;
        if (!held.contains(index))
            return index;
    }
    qWarning() << "no free tile! userIds:" << m_userIds;
    return noIndex;
}

void VideoView4::insertUserIdHash(const QString &userId, uint index)
{
    m_userIds.insert(userId, index);
}

bool VideoView4::deleteUserIdHash(const QString &userId)
{
    return m_userIds.remove(userId) > 0;
}

void VideoView4::clearUserIdHash()
{
    m_userIds.clear();
}

bool VideoView4::selectUserIdHash(const QString &userId, uint &index) const
{
    const auto it = m_userIds.constFind(userId);
    if (it == m_userIds.constEnd())
        return false;
    index = it.value();
    return true;
}

bool VideoView4::selectUserIdHash(const QString &userId, VideoViewOne **tile, bool warn) const
{
    uint index = 0;
    if (!selectUserIdHash(userId, index)) {
        if (warn)
            qWarning() << "uid:" << userId;
        return false;
    }
    if (index >= uint(m_tiles.size())) {
        qWarning() << "value:" << index << "uid:" << userId;
        return false;
    }
    *tile = m_tiles.at(int(index));
    return true;
}

bool VideoView4::containsUserId(const QString &userId) const
{
    return m_userIds.contains(userId);
}

void VideoView4::showVideoChangeIn(QString fromUserId, QString toUserId)
{
    qInfo() << "fromUserId:" << fromUserId << "toUserId:" << toUserId;
    if (fromUserId.isEmpty() && toUserId.isEmpty()) {
        qWarning() << "fromUserId:" << fromUserId << "toUserId:" << toUserId;
        return;
    }
    if (fromUserId.isEmpty()) {
        if (m_userIds.contains(toUserId)) {
            qWarning() << "toUserId:" << toUserId;
            return;
        }
        const uint index = calcuImageIndexByUserId(toUserId);
        if (index >= uint(m_tiles.size())) {
            qWarning() << "index:" << index;
            return;
        }
        insertUserIdHash(toUserId, index);
        m_tiles.at(int(index))->startShowImageIn(toUserId);
        return;
    }
    VideoViewOne *tile = nullptr;
    if (!selectUserIdHash(fromUserId, &tile, true))
        return;
    if (toUserId.isEmpty()) {
        deleteUserIdHash(fromUserId);
        tile->stopShowImageIn();
        return;
    }
    uint index = 0;
    if (!selectUserIdHash(fromUserId, index)) {
        qWarning() << "fromUserId:" << fromUserId;
        return;
    }
    // The successor takes the tile over as it is: no no-camera picture in between.
    deleteUserIdHash(fromUserId);
    insertUserIdHash(toUserId, index);
    tile->startShowImageIn(toUserId);
}

void VideoView4::showVideoImageIn(QString userId, QImage frame)
{
    VideoViewOne *tile = nullptr;
    if (selectUserIdHash(userId, &tile, true))
        tile->showVideoImageIn(frame);
}

void VideoView4::setDefaultImage()
{
    for (int index = 0; index < m_tiles.size(); ++index) {
        VideoViewOne *tile = m_tiles.at(index);
        DefaultView *picture = m_defaultViews.at(index);
        tile->stopShowImageIn();
        m_layouts.at(index)->removeWidget(tile);
        m_layouts.at(index)->addWidget(picture);
        tile->hide();
        picture->show();
    }
}

void VideoView4::setDefaultStart()
{
    clearUserIdHash();
    for (int index = 0; index < m_tiles.size(); ++index) {
        VideoViewOne *tile = m_tiles.at(index);
        DefaultView *picture = m_defaultViews.at(index);
        tile->stopShowImageIn();
        m_layouts.at(index)->removeWidget(picture);
        m_layouts.at(index)->addWidget(tile);
        picture->hide();
        tile->show();
    }
}

void VideoView4::mouseClickedIn(QString userId)
{
    qInfo() << "uid:" << userId;
}

void VideoView4::playAudioClickedIn(QString userId, bool flag)
{
    qInfo() << "uid:" << userId << "flag:" << flag;
    if (flag)
        emit startPlayAudioOut(userId);
    else
        emit stopPlayAudioOut(userId);
}

void VideoView4::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    // The dark grey shows in the gaps between the tiles.
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    path.addRoundedRect(QRectF(rect()), 3.0, 3.0, Qt::AbsoluteSize);
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.fillPath(path, QBrush(QColor(88, 88, 88, 255)));
}
