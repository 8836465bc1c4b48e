#include "vrek/view/praiseview.h"

#include "vrek/container/userinfohash.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/stringutil.h"

#include <QCursor>
#include <QDebug>
#include <QGraphicsOpacityEffect>
#include <QGuiApplication>
#include <QLabel>
#include <QPropertyAnimation>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

namespace {
// Only this praise kind is announced; every kind updates the count.
const char *const announcedType = "1";
} // namespace

PraiseView::PraiseView(QWidget *parent)
    : QWidget(parent)
{
    qInfo() << "PraiseView::PraiseView ";
    initial();
}

PraiseView::~PraiseView()
{
    if (m_animation)
        m_animation->stop();
    delete m_effect;
    delete m_animation;
    delete m_imageLabel;
    delete m_textLabel;
    delete m_layout;
}

void PraiseView::initial()
{
    qInfo() << "initial";
    m_imageLabel = new QLabel();
    m_textLabel = new QLabel();
    m_textLabel->setTextFormat(Qt::PlainText);
    // A name of any length stays inside the notice: the notice never grows to the text's width, the line wraps
    // under the flower instead of losing the name's end.
    m_textLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_textLabel->setWordWrap(true);
    m_textLabel->setAlignment(Qt::AlignCenter);
    const QScreen *screen = QGuiApplication::primaryScreen();
    const QRect screenRect = screen ? screen->geometry() : QRect(0, 0, 1280, 720);
    setGeometry(screenRect.width() / 2 - noticeWidth / 2, screenRect.height() / 2 - 109, noticeWidth, noticeHeight);
    m_layout = new QVBoxLayout(this);
    m_layout->addWidget(m_imageLabel, 1);
    m_layout->addWidget(m_textLabel, 0);
    m_effect = new QGraphicsOpacityEffect();
    m_effect->setOpacity(1.0);
    m_imageLabel->setGraphicsEffect(m_effect);
    m_animation = new QPropertyAnimation(m_effect, "opacity");
    m_animation->setDuration(fadeMs);
    m_animation->setStartValue(1.0);
    m_animation->setEndValue(0.0);
    m_imageLabel->setStyleSheet("background-color:transparent;border-image:url(:/vrek/image/otherview/praise01.png);");
    m_textLabel->setStyleSheet("font:16px 微软雅黑;color:red;");
    setStyleSheet("background-color:transparent;");
    connect(m_animation, &QPropertyAnimation::finished, this, &PraiseView::slotAnimationFinished);
    if (g_socketClientManager)
        connect(g_socketClientManager, &SocketClientManager::signalPraiseMessage, this, &PraiseView::readPraiseMessage);
    setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void PraiseView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Also when shown through QWidget's own calls.
    QMetaObject::invokeMethod(this, &PraiseView::letClicksThrough, Qt::QueuedConnection);
}

void PraiseView::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    // Shown again after a hide, the notice caught the clicks though the flag had stayed: taken off here, it is
    // given again once the window is back on the screen.
    if (QWindow *window = windowHandle())
        window->setFlags(window->flags() & ~Qt::WindowTransparentForInput);
}

void PraiseView::letClicksThrough()
{
    QWindow *window = windowHandle();
    if (!window || !isVisible() || window->flags().testFlag(Qt::WindowTransparentForInput))
        return;
    window->setFlags(window->flags() | Qt::WindowTransparentForInput);
    // The server keeps a pointer that rested where the notice appeared inside the notice until the pointer
    // moves, and would give it the next press: put where it is, the pointer is found over what lies below.
    const QPoint pointer = QCursor::pos();
    if (geometry().contains(pointer))
        QCursor::setPos(pointer);
}

void PraiseView::setFadeDuration(int ms)
{
    m_animation->setDuration(ms);
}

QString PraiseView::text() const
{
    return m_textLabel->text();
}

qreal PraiseView::opacity() const
{
    return m_effect->opacity();
}

void PraiseView::readPraiseMessage(QString userId, QString count, QString type)
{
    qInfo() << "id:" << userId << "count:" << count << "type:" << type;
    emit signalPraiseBtnChanged(userId, count.toInt(nullptr, 10));
    if (type != QLatin1String(announcedType))
        return;
    UserInfo userInfo;
    if (g_userInfoHash.containsUserInfo(userId))
        g_userInfoHash.selectUserInfo(userId, userInfo);
    showNotice(userInfo.getUserName() == g_userName ? QStringLiteral("你") : userInfo.getUserName());
}

void PraiseView::showNotice(const QString &name)
{
    m_textLabel->setText(QStringLiteral("老师表扬了 ") + StringUtil::clippedText(name));
    m_animation->stop();
    show();
    letClicksThrough(); // at once: a press may follow the notice within the same moment
    m_animation->start();
}

void PraiseView::slotAnimationFinished()
{
    hide();
}
