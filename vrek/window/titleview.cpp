#include "vrek/window/titleview.h"

#include "vrek/utils/globalvalue.h"
#include "vrek/utils/stringutil.h"
#include "vrek/window/titlebarwidget.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDebug>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>

namespace {
// The title-bar buttons take their pictures from the bar's "state" and the maximise button's "restore".
const char *const buttonStyle = R"(
QPushButton{border:none;background:transparent;}
QPushButton#minButton[state="small"]{border-image:url(:/vrek/image/titleview/min-1.png);}
QPushButton#minButton[state="small"]:hover{border-image:url(:/vrek/image/titleview/min-2.png);}
QPushButton#minButton[state="small"]:pressed{border-image:url(:/vrek/image/titleview/min-3.png);}
QPushButton#minButton[state="large"]{border-image:url(:/vrek/image/titleview/min-11.png);}
QPushButton#minButton[state="large"]:hover{border-image:url(:/vrek/image/titleview/min-12.png);}
QPushButton#minButton[state="large"]:pressed{border-image:url(:/vrek/image/titleview/min-13.png);}
QPushButton#maxButton[state="small"][restore="false"]{border-image:url(:/vrek/image/titleview/max-1.png);}
QPushButton#maxButton[state="small"][restore="false"]:hover{border-image:url(:/vrek/image/titleview/max-2.png);}
QPushButton#maxButton[state="small"][restore="false"]:pressed{border-image:url(:/vrek/image/titleview/max-3.png);}
QPushButton#maxButton[state="large"][restore="false"]{border-image:url(:/vrek/image/titleview/max-11.png);}
QPushButton#maxButton[state="large"][restore="false"]:hover{border-image:url(:/vrek/image/titleview/max-12.png);}
QPushButton#maxButton[state="large"][restore="false"]:pressed{border-image:url(:/vrek/image/titleview/max-13.png);}
QPushButton#maxButton[state="small"][restore="true"]{border-image:url(:/vrek/image/titleview/max-4.png);}
QPushButton#maxButton[state="small"][restore="true"]:hover{border-image:url(:/vrek/image/titleview/max-5.png);}
QPushButton#maxButton[state="small"][restore="true"]:pressed{border-image:url(:/vrek/image/titleview/max-6.png);}
QPushButton#maxButton[state="large"][restore="true"]{border-image:url(:/vrek/image/titleview/max-14.png);}
QPushButton#maxButton[state="large"][restore="true"]:hover{border-image:url(:/vrek/image/titleview/max-15.png);}
QPushButton#maxButton[state="large"][restore="true"]:pressed{border-image:url(:/vrek/image/titleview/max-16.png);}
QPushButton#exitButton[state="small"]{border-image:url(:/vrek/image/titleview/close-1.png);}
QPushButton#exitButton[state="small"]:hover{border-image:url(:/vrek/image/titleview/close-2.png);}
QPushButton#exitButton[state="small"]:pressed{border-image:url(:/vrek/image/titleview/close-3.png);}
QPushButton#exitButton[state="large"]{border-image:url(:/vrek/image/titleview/close-11.png);}
QPushButton#exitButton[state="large"]:hover{border-image:url(:/vrek/image/titleview/close-12.png);}
QPushButton#exitButton[state="large"]:pressed{border-image:url(:/vrek/image/titleview/close-13.png);}
)";
} // namespace

TitleView::TitleView(QWidget *centerWidget, const QString &title, int flags, QWidget *parent)
    : FramelessWindow(!(flags & NoShadow), parent)
    , m_centerWidget(centerWidget)
{
    buildForm();
    if (m_centerWidget) {
        m_centerLayout->addWidget(m_centerWidget);
        connect(m_centerWidget, &QObject::destroyed, this, &TitleView::slotCenterWidgetDestroyed);
    }
    setTitle(title);
    m_flags = flags;
    updateTitleFlags();
    connect(m_minButton, &QPushButton::clicked, this, &TitleView::slotMinButtonClicked);
    connect(m_maxButton, &QPushButton::clicked, this, &TitleView::slotMaxButtonClicked);
    connect(m_exitButton, &QPushButton::clicked, this, &TitleView::slotExitButtonClicked);
    connect(m_indexButton, &QPushButton::clicked, this, &TitleView::slotIndexButtonClicked);
    connect(m_titleWidget, &TitleBarWidget::signalShowMax, this, &TitleView::slotMaxButtonClicked);
}

TitleView::~TitleView() = default;

void TitleView::buildForm()
{
    m_titleViewLayout = new QVBoxLayout(this);
    m_titleViewLayout->setObjectName("titleViewLayout");
    m_titleViewLayout->setContentsMargins(8, 8, 8, 8);
    m_titleViewLayout->setSpacing(0);

    m_titleWidget = new TitleBarWidget(this);
    m_titleWidget->setObjectName("titleWidget");
    m_titleLayout = new QHBoxLayout(m_titleWidget);
    m_titleLayout->setObjectName("titleLayout");
    m_titleLayout->setContentsMargins(6, 0, 0, 0);
    m_titleLayout->setSpacing(4);

    m_iconButton = new QPushButton(m_titleWidget);
    m_iconButton->setObjectName("iconButton");
    m_iconButton->setIcon(QIcon(":/image/logo.ico"));
    m_iconButton->setFlat(true);
    m_iconLabel = new QLabel(m_titleWidget);
    m_iconLabel->setObjectName("iconLabel");
    m_iconLabel->setText(QCoreApplication::applicationName());
    m_iconLabel->setStyleSheet("color:#fff;");
    m_titleName = new QLabel(m_titleWidget);
    m_titleName->setTextFormat(Qt::PlainText);
    m_titleName->setMinimumWidth(1);
    m_titleName->setObjectName("titleName");
    m_titleName->setStyleSheet("font:bold;color:#fff;");
    m_titleName->setAlignment(Qt::AlignCenter);
    m_versionLabel = new QLabel(m_titleWidget);
    m_versionLabel->setObjectName("versionLabel");
    m_versionLabel->setText(QString("V%1").arg(QCoreApplication::applicationVersion()));
    m_versionLabel->setStyleSheet("color:#fff;");
    m_indexButton = new QPushButton(m_titleWidget);
    m_indexButton->setObjectName("indexButton");
    m_indexButton->setText("首页");
    m_indexButton->setStyleSheet("QPushButton{color:white;background:transparent;border:none;}");
    m_userButton = new QToolButton(m_titleWidget);
    m_userButton->setObjectName("userButton");
    m_userButton->setStyleSheet("QToolButton{color:white;background-color:transparent;}");
    m_userButton->setMinimumSize(27, 27);
    m_userButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_userButton->hide();

    m_minButton = new QPushButton(m_titleWidget);
    m_minButton->setObjectName("minButton");
    m_maxButton = new QPushButton(m_titleWidget);
    m_maxButton->setObjectName("maxButton");
    m_exitButton = new QPushButton(m_titleWidget);
    m_exitButton->setObjectName("exitButton");
    for (QPushButton *button : { m_minButton, m_maxButton, m_exitButton })
        button->setFocusPolicy(Qt::NoFocus);
    m_maxButton->setProperty("restore", false);

    m_titleLayout->addWidget(m_iconButton);
    m_titleLayout->addWidget(m_iconLabel);
    m_titleLayout->addWidget(m_titleName, 1);
    m_titleLayout->addWidget(m_versionLabel);
    m_titleLayout->addWidget(m_indexButton);
    m_titleLayout->addWidget(m_userButton);
    m_titleLayout->addStretch(0);
    auto *controlLayout = new QHBoxLayout();
    controlLayout->setObjectName("controlLayout");
    controlLayout->setSpacing(0);
    controlLayout->addWidget(m_minButton);
    controlLayout->addWidget(m_maxButton);
    controlLayout->addWidget(m_exitButton);
    m_titleLayout->addLayout(controlLayout);

    m_titleWidget->setStyleSheet(
        QString("QWidget{background-color:%1;}").arg(m_titleBarColor.name()) + QString::fromLatin1(buttonStyle));
    m_titleWidget->setColor(m_titleBarColor);

    m_widgetLayout = new QVBoxLayout();
    m_widgetLayout->setObjectName("widgetLayout");
    m_widgetLayout->setContentsMargins(0, 0, 0, 0);
    m_centerLayout = new QVBoxLayout();
    m_centerLayout->setObjectName("centerLayout");
    m_centerLayout->setContentsMargins(0, 0, 0, 0);
    m_widgetLayout->addLayout(m_centerLayout);

    m_titleViewLayout->addWidget(m_titleWidget);
    m_titleViewLayout->addLayout(m_widgetLayout, 1);

    setTitleBar(m_titleWidget);
    addCaptionWidgets({ m_iconLabel, m_titleName, m_versionLabel });
}

void TitleView::setTitle(const QString &title)
{
    m_title = title;
    m_titleName->setText(" " + StringUtil::clippedText(title));
    // The frame's title too: the window manager lays it out as well.
    setWindowTitle(StringUtil::clippedText(title));
}

void TitleView::setTitleFlags(int flags)
{
    m_flags = flags;
    updateTitleFlags();
}

void TitleView::updateTitleFlags()
{
    m_exitButton->setVisible(!(m_flags & NoExitButton));
    m_minButton->setVisible(!(m_flags & NoMinButton));
    setMinimizable(!(m_flags & NoMinButton));
    m_maxButton->setVisible(!(m_flags & NoMaxButton));
    setMaximizable(!(m_flags & NoMaxButton));
    setShadowVisible(!(m_flags & NoShadow));
    // A box with an owner waits on that window only; the client's own windows without one hold the whole client,
    // unless they have boxes of their own.
    Qt::WindowModality modality = Qt::ApplicationModal;
    if ((m_flags & Modeless) || m_ownsBoxes)
        modality = Qt::NonModal;
    else if (parentWidget())
        modality = Qt::WindowModal;
    if (windowModality() != modality) {
        const bool visible = isVisible();
        if (visible)
            hide(); // modality takes effect on the next show
        setWindowModality(modality);
        if (visible)
            QWidget::show();
    }
    const bool large = m_flags & LargeBar;
    m_titleName->setVisible(!(m_flags & NoTitleLabel) && !large);
    setResizable(!(m_flags & FixedSize));
    setTitleDraggable(!(m_flags & NoTitleDrag));
    setStayOnTop(m_flags & StayOnTop);

    m_titleWidget->setFixedHeight(large ? largeBarHeight : smallBarHeight);
    const QSize buttonSize = large ? QSize(40, 32) : QSize(25, 25);
    for (QPushButton *button : { m_minButton, m_maxButton, m_exitButton }) {
        button->setFixedSize(buttonSize);
        button->setProperty("state", large ? "large" : "small");
    }
    m_titleWidget->setProperty("state", large ? "large" : "small");
    m_iconButton->setVisible(large);
    m_iconLabel->setVisible(large);
    m_versionLabel->setVisible(large);
    m_indexButton->setVisible(large);
    m_userButton->setVisible(large && m_userButtonShown);
    for (QPushButton *button : { m_minButton, m_maxButton, m_exitButton }) {
        button->style()->unpolish(button);
        button->style()->polish(button);
        button->update();
    }

    const bool barHandles = m_flags & TitleBarHandlesMouse;
    m_titleWidget->setActive(barHandles);
    m_titleWidget->setDoubleClickMaximize(!(m_flags & NoMaxButton));
    m_titleWidget->setDragMove(!(m_flags & NoTitleDrag));
    if (barHandles)
        setTitleDraggable(false); // the bar drags the window itself
}

void TitleView::setFixedSize(const QSize &size)
{
    setResizable(false);
    m_flags |= FixedSize;
    m_sizeChosen = true; // the first show keeps this size and only centres the frame
    QWidget::setFixedSize(size);
}

void TitleView::setUserButtonShown(bool shown)
{
    m_userButtonShown = shown;
    if (!shown) {
        m_userButton->hide();
        return;
    }
    m_userButton->setText(
        QString("%1(%2)").arg(StringUtil::clippedText(g_lessonTitle), StringUtil::clippedText(g_lectName)));
    m_userButton->show();
}

void TitleView::setOwner(QWidget *owner)
{
    QWidget *window = owner ? owner->window() : nullptr;
    if (window == parentWidget())
        return;
    const bool visible = isVisible();
    Qt::WindowFlags flags = windowFlags();
    // X11 names the owner (WM_TRANSIENT_FOR) of dialogs and tool windows only.
    if ((flags & Qt::WindowType_Mask) == Qt::Window)
        flags = (flags & ~Qt::WindowType_Mask) | Qt::Dialog;
    setParent(window, flags);
    updateTitleFlags();
    if (visible)
        QWidget::show();
    auto *frame = qobject_cast<TitleView *>(window);
    if (frame && !frame->m_ownsBoxes) {
        frame->m_ownsBoxes = true;
        frame->updateTitleFlags();
    }
}

void TitleView::raiseOverOwner()
{
    if (!isVisible())
        return;
    raise();
    activateWindow();
}

void TitleView::setShadowVisible(bool visible)
{
    const int width = visible ? 8 : 2;
    m_titleViewLayout->setContentsMargins(width, width, width, width);
    setShadowWidth(width);
}

int TitleView::titleBarHeight() const
{
    return (m_flags & LargeBar) ? largeBarHeight : smallBarHeight;
}

QSize TitleView::frameSizeFor(const QSize &center) const
{
    const int border = (m_flags & NoShadow) ? 2 : 8;
    return QSize(center.width() + 2 * border, center.height() + 2 * border + titleBarHeight());
}

void TitleView::sizeOnFirstShow()
{
    if (!m_firstShow)
        return;
    m_firstShow = false;
    if (m_sizeChosen) {
        centreOnScreen();
        return;
    }
    QSize center;
    if (m_centerWidget) {
        center = m_centerWidget->testAttribute(Qt::WA_Resized) ? m_centerWidget->size() : m_centerWidget->sizeHint();
        center = center.expandedTo(m_centerWidget->minimumSize());
    }
    const QSize size = frameSizeFor(center);
    if (m_flags & FixedSize) {
        setResizable(false);
        QWidget::setFixedSize(size);
    } else {
        setMinimumSize(size);
        resize(size);
    }
    centreOnScreen();
}

void TitleView::followCenterMinimum()
{
    if (m_firstShow || !m_centerWidget || (m_flags & FixedSize) || m_sizeChosen)
        return;
    const QSize least = minimumSize().expandedTo(frameSizeFor(m_centerWidget->minimumSize()));
    if (least != minimumSize())
        setMinimumSize(least);
}

bool TitleView::event(QEvent *event)
{
    const bool handled = FramelessWindow::event(event);
    // Posted when the view's own least size changes (its panels follow the screen it stands on).
    if (event->type() == QEvent::LayoutRequest)
        followCenterMinimum();
    return handled;
}

void TitleView::centreOnScreen()
{
    QScreen *screen = windowHandle() ? windowHandle()->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        const QRect available = screen->availableGeometry();
        move(available.center() - QPoint(width() / 2, height() / 2));
    }
}

void TitleView::show()
{
    sizeOnFirstShow();
    QWidget::show();
}

void TitleView::show(uint flags)
{
    sizeOnFirstShow();
    setTitleFlags(int(flags));
    QWidget::show();
}

void TitleView::showMaximized()
{
    // Shown maximised first, a frame Qt sized for itself would leave the view a size it never asked for, and
    // that the window returns to when restored.
    sizeOnFirstShow();
    FramelessWindow::showMaximized();
}

void TitleView::showEvent(QShowEvent *event)
{
    sizeOnFirstShow(); // also when shown through QWidget's own calls
    if (m_centerWidget && m_centerWidget->isHidden())
        m_centerWidget->show(); // closing the frame closed the view too
    FramelessWindow::showEvent(event);
}

void TitleView::slotMinButtonClicked()
{
    showMinimized();
}

void TitleView::setMaxButtonPictures(bool maximized)
{
    m_maxButton->setProperty("restore", maximized);
    m_maxButton->style()->unpolish(m_maxButton);
    m_maxButton->style()->polish(m_maxButton);
    m_maxButton->update();
}

void TitleView::slotMaxButtonClicked()
{
    if (!isMaximized()) {
        showMaximized();
        emit signalRestoreOrMaxsize(true);
        setMaxButtonPictures(true);
    } else {
        showNormal();
        setMaxButtonPictures(false);
        emit signalRestoreOrMaxsize(false);
    }
}

void TitleView::captionDoubleClicked()
{
    if (isMaximizable() && !isFullScreenFlag())
        slotMaxButtonClicked();
}

void TitleView::slotExitButtonClicked()
{
    if (m_flags & CustomClose) {
        emit signalCustomClose();
        return;
    }
    close();
}

void TitleView::slotIndexButtonClicked()
{
    QDesktopServices::openUrl(QUrl(QString("http://%1").arg(g_socketHost)));
}

void TitleView::slotPrimeButtonClicked()
{
    QDesktopServices::openUrl(QUrl(QString("http://%1/login.html?jump=memberRight.html").arg(g_socketHost)));
}

void TitleView::slotCenterWidgetDestroyed(QObject *object)
{
    if (object == m_centerWidget) {
        m_centerWidget = nullptr;
        deleteLater();
    }
}

void TitleView::closeEvent(QCloseEvent *event)
{
    m_exitButton->setAttribute(Qt::WA_UnderMouse, false);
    m_exitButton->update();
    emit signalClose();
    if (m_centerWidget)
        m_centerWidget->close();
    event->accept();
}
