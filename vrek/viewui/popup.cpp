#include "vrek/viewui/popup.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

PopUp::PopUp(QWidget *parent)
    : QDialog(parent)
    , m_titleWidget(new QWidget(this))
    , m_titleLabel(new QLabel(m_titleWidget))
    , m_closeButton(new QPushButton(m_titleWidget))
    , m_contentWidget(new QWidget(this))
    , m_imgLabel(new QLabel(m_contentWidget))
    , m_textLabel(new QLabel(m_contentWidget))
    , m_showTimer(new QTimer(this))
    , m_stayTimer(new QTimer(this))
    , m_closeTimer(new QTimer(this))
{
    m_titleWidget->setObjectName("titleWidget");
    m_titleWidget->setAttribute(Qt::WA_StyledBackground);
    m_titleWidget->setStyleSheet("background-color: rgb(70, 70, 70);");
    m_titleLabel->setObjectName("titleLabel");
    m_titleLabel->setStyleSheet("color:white;");
    m_titleLabel->setText("提示");
    m_closeButton->setObjectName("closeButton");
    m_closeButton->setFixedSize(16, 16);
    m_closeButton->setStyleSheet("QPushButton#closeButton {\n    border-image: url(:/image/title/close-4.png);\n}");
    auto *titleLayout = new QHBoxLayout(m_titleWidget);
    titleLayout->setContentsMargins(8, 4, 6, 4);
    titleLayout->addWidget(m_titleLabel, 1);
    titleLayout->addWidget(m_closeButton);

    m_contentWidget->setObjectName("contentWidget");
    m_imgLabel->setObjectName("imgLabel");
    m_imgLabel->setAlignment(Qt::AlignCenter);
    m_textLabel->setObjectName("textLabel");
    m_textLabel->setTextFormat(Qt::PlainText);
    m_textLabel->setWordWrap(true);
    m_textLabel->setAlignment(Qt::AlignCenter);
    auto *contentLayout = new QHBoxLayout(m_contentWidget);
    contentLayout->addWidget(m_imgLabel);
    contentLayout->addWidget(m_textLabel, 1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_titleWidget);
    layout->addWidget(m_contentWidget, 1);

    m_showTimer->setInterval(stepMs);
    m_stayTimer->setInterval(stayMs);
    m_closeTimer->setInterval(stepMs);
    setMouseTracking(true);
    m_contentWidget->setMouseTracking(true);
    m_textLabel->setMouseTracking(true);
    m_imgLabel->setMouseTracking(true);
    setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::X11BypassWindowManagerHint);
    connect(m_showTimer, &QTimer::timeout, this, &PopUp::onShow);
    connect(m_stayTimer, &QTimer::timeout, this, &PopUp::onStay);
    connect(m_closeTimer, &QTimer::timeout, this, &PopUp::onClose);
    connect(m_closeButton, &QPushButton::clicked, this, &PopUp::onStay);

    QScreen *screen = parent && parent->screen() ? parent->screen() : QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 800, 600);
    const int w = available.width() / 8;
    const int h = w / 4 * 3;
    setFixedSize(w, h);
    m_shownPos = QPoint(available.right() + 1 - w, available.bottom() + 1 - h);
    m_hiddenPos = QPoint(m_shownPos.x(), available.bottom() + 1);
    m_currentPos = m_hiddenPos;
}

void PopUp::setTimings(int stepIntervalMs, int stayIntervalMs)
{
    m_showTimer->setInterval(stepIntervalMs);
    m_closeTimer->setInterval(stepIntervalMs);
    m_stayTimer->setInterval(stayIntervalMs);
}

bool PopUp::isStaying() const
{
    return m_stayTimer->isActive();
}

void PopUp::showDialog(const QString &text)
{
    m_textLabel->setText(text);
    m_imgLabel->clear();
    m_imgLabel->hide();
    startShowing();
}

void PopUp::showDialogWithImg(const QString &text, const QString &imagePath)
{
    m_textLabel->setText(text);
    const QPixmap picture(imagePath);
    if (!picture.isNull()) {
        m_imgLabel->setPixmap(
            picture.scaled(width() * 2 / 5, height() * 2 / 5, Qt::KeepAspectRatio, Qt::SmoothTransformation));
        m_imgLabel->show();
    } else {
        m_imgLabel->clear();
        m_imgLabel->hide();
    }
    startShowing();
}

void PopUp::startShowing()
{
    m_currentPos = m_hiddenPos;
    move(m_currentPos);
    m_stayTimer->stop();
    m_closeTimer->stop();
    m_showTimer->start();
    show();
}

void PopUp::closeDialog()
{
    m_showTimer->stop();
    m_stayTimer->stop();
    m_closeTimer->stop();
    close();
}

void PopUp::onShow()
{
    m_stayTimer->stop();
    m_closeTimer->stop();
    m_currentPos.ry() -= stepPixels;
    if (m_currentPos.y() <= m_shownPos.y()) {
        m_showTimer->stop();
        m_stayTimer->start();
        m_currentPos = m_shownPos;
    }
    move(m_currentPos);
}

void PopUp::onStay()
{
    m_showTimer->stop();
    m_stayTimer->stop();
    m_closeTimer->stop();
    m_closeTimer->start();
}

void PopUp::onClose()
{
    m_stayTimer->stop();
    m_showTimer->stop();
    m_currentPos.ry() += stepPixels;
    if (m_currentPos.y() >= m_hiddenPos.y()) {
        m_closeTimer->stop();
        m_currentPos = m_hiddenPos;
        move(m_currentPos);
        hide();
        return;
    }
    move(m_currentPos);
}

void PopUp::mouseMoveEvent(QMouseEvent *event)
{
    if (m_stayTimer->isActive())
        m_stayTimer->start();
    QDialog::mouseMoveEvent(event);
}
