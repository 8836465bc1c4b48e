#include "vrek/userinfo/userinfo.h"

#include <QPainter>
#include <QPainterPath>

QList<UserInfo> g_teacherList;

namespace {
[[maybe_unused]] const int s_metaTypeId = qRegisterMetaType<UserInfo>("UserInfo");
[[maybe_unused]] const int s_listTypeId = qRegisterMetaType<QList<UserInfo>>("QList<UserInfo>");

constexpr int headSide = 50;
// Room for the circle drawn at (3, 6) when the badge frame cannot be loaded.
const QSize fallbackFrameSize(headSide + 3, headSide + 6);

QImage emptyImage(const QSize &size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}
} // namespace

UserInfo::UserInfo()
    : m_headPixmap(emptyImage(QSize(60, 60)))
{ }

UserInfo::UserInfo(const QString &userId, const QString &userName, const QString &userType)
    : m_userId(userId)
    , m_userName(userName)
    , m_userType(userType)
    , m_headPixmap(emptyImage(QSize(headSide, headSide)))
{ }

UserInfo::~UserInfo() = default;

QString UserInfo::headImagePath(const QString &userType, bool noTalk)
{
    if (userType == QLatin1String("0"))
        return QStringLiteral(":/vrek/image/userinfoview/head_01.png");
    if (userType == QLatin1String("1"))
        return noTalk ? QStringLiteral(":/vrek/image/userinfoview/head_04.png")
                      : QStringLiteral(":/vrek/image/userinfoview/head_02.png");
    if (userType == QLatin1String("5"))
        return QStringLiteral(":/vrek/image/userinfoview/head_06.png");
    return QString();
}

void UserInfo::updateHeadPixmap()
{
    QImage circle = emptyImage(QSize(headSide, headSide));
    const QString basePath = headImagePath(m_userType, m_noTalk);
    const QImage base = basePath.isEmpty() ? QImage() : QImage(basePath);
    if (!base.isNull()) {
        const QImage scaled = base.scaled(headSide, headSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        QPainter painter(&circle);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath mask;
        mask.addRoundedRect(QRectF(0, 0, headSide, headSide), 99, 99);
        painter.setClipPath(mask);
        painter.drawImage(0, 0, scaled);
    }

    const QImage frame(primeIcon());
    QImage head = emptyImage(frame.isNull() ? fallbackFrameSize : frame.size());
    QPainter painter(&head);
    painter.drawImage(3, 6, circle);
    if (m_prime && !frame.isNull())
        painter.drawImage(0, 0, frame);
    if (m_listener) {
        const QImage listener(listenerIcon());
        if (!listener.isNull())
            painter.drawImage(40, 40, listener);
    }
    painter.end();
    m_headPixmap = head;
}
