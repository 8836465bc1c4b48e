#include "vrek/window/framelesswindow.h"

#include "platform/window/framelesshittest.h"
#include "platform/window/windowmover.h"

#include <QDebug>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QWindow>

FramelessWindow::FramelessWindow(bool translucent, QWidget *parent)
    : QWidget(parent)
    , m_translucent(translucent)
{
    if (translucent)
        setAttribute(Qt::WA_TranslucentBackground);
    setWindowFlags(windowFlags() | Qt::Window | Qt::FramelessWindowHint);
    setMouseTracking(true);
    setResizable(true);
    setMaximizable(true);
    setMinimizable(true);
    setTitleDraggable(true);
    m_savedResizable = m_resizable;
    m_savedTitleDraggable = m_titleDraggable;
}

FramelessWindow::~FramelessWindow()
{
    // The children outlive these members by a moment; they must not call back into a half-destroyed window.
    if (m_titleBar)
        disconnect(m_titleBar, nullptr, this, nullptr);
    for (QWidget *widget : qAsConst(m_captionWidgets))
        disconnect(widget, nullptr, this, nullptr);
}

bool FramelessWindow::isFullScreenFlag() const
{
    return m_fullScreenFlag;
}

void FramelessWindow::showFullScreen()
{
    if (m_fullScreenFlag) {
        qWarning() << "FramelessWindow::showFullScreen isFullScreenFlag:" << m_fullScreenFlag;
        return;
    }
    m_wasMaximized = isMaximized();
    m_fullScreenFlag = true;
    m_savedGeometry = m_wasMaximized ? normalGeometry() : geometry();
    m_savedResizable = m_resizable;
    m_savedTitleDraggable = m_titleDraggable;
    setResizable(false);
    setTitleDraggable(false);
    liftFixedSize();
    // Through the window manager's own full-screen state, in one step from maximised too: a geometry set by
    // hand is one the manager may refuse, or undo when it ends the maximised state a moment later.
    setWindowState((windowState() & ~(Qt::WindowMaximized | Qt::WindowMinimized)) | Qt::WindowFullScreen);
}

void FramelessWindow::showMaximized()
{
    if (!m_fullScreenFlag && !isMaximized()) {
        liftFixedSize();
        QWidget::showMaximized();
        return;
    }
    qWarning() << "FramelessWindow::showMaximized isFullScreenFlag:" << m_fullScreenFlag
               << "isMaximized:" << isMaximized();
}

void FramelessWindow::showNormal()
{
    if (m_fullScreenFlag) {
        m_fullScreenFlag = false;
        setResizable(m_savedResizable);
        setTitleDraggable(m_savedTitleDraggable);
        // Qt follows the manager's reports: one not yet in may have shown it a state that is already past, and
        // a state Qt thinks left is not asked to be left. Asked again, the request goes out in order.
        if (!windowState().testFlag(Qt::WindowFullScreen))
            setWindowState(windowState() | Qt::WindowFullScreen);
        if (m_wasMaximized) {
            m_wasMaximized = false;
            showMaximized();
            return;
        }
        setWindowState(windowState() & ~(Qt::WindowFullScreen | Qt::WindowMaximized));
        setGeometry(m_savedGeometry);
        restoreFixedSize();
        return;
    }
    if (isMaximized()) {
        QWidget::showNormal();
        restoreFixedSize();
        return;
    }
    qWarning() << "isFullScreenFlag:" << m_fullScreenFlag << "isMaximized:" << isMaximized();
}

void FramelessWindow::liftFixedSize()
{
    // A window fixed in size keeps its size only while normal: the manager cannot maximise a window whose
    // largest size is its present one.
    if (m_liftedFixedSize.isValid() || minimumSize() != maximumSize())
        return;
    m_liftedFixedSize = maximumSize();
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
}

void FramelessWindow::restoreFixedSize()
{
    // Only once the manager has given the window its size back: fixed any earlier, the window would be cut to
    // that size where it stands, in the screen's corner.
    if (!m_liftedFixedSize.isValid() || isMaximized() || isFullScreen() || size() != m_liftedFixedSize)
        return;
    setMaximumSize(m_liftedFixedSize);
    m_liftedFixedSize = QSize();
}

void FramelessWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    restoreFixedSize();
}

void FramelessWindow::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        restoreFixedSize();
}

void FramelessWindow::setStayOnTop(bool stayOnTop)
{
    m_stayOnTop = stayOnTop;
    if (bool(windowFlags() & Qt::WindowStaysOnTopHint) == stayOnTop)
        return;
    const Qt::WindowFlags flags
        = stayOnTop ? windowFlags() | Qt::WindowStaysOnTopHint : windowFlags() & ~Qt::WindowStaysOnTopHint;
    // A shown window changes in place: hidden and shown again, a modal window would come back in front of the
    // dialogs opened over it, blocking them while they block it.
    if (isVisible() && windowHandle()) {
        overrideWindowFlags(flags);
        windowHandle()->setFlags(flags);
        return;
    }
    setWindowFlags(flags);
}

bool FramelessWindow::isStayOnTop() const
{
    return m_stayOnTop;
}

void FramelessWindow::setResizable(bool resizable)
{
    m_resizable = resizable;
}

bool FramelessWindow::isResizable() const
{
    return m_resizable;
}

void FramelessWindow::setMaximizable(bool maximizable)
{
    m_maximizable = maximizable;
}

bool FramelessWindow::isMaximizable() const
{
    return m_maximizable;
}

void FramelessWindow::setMinimizable(bool minimizable)
{
    m_minimizable = minimizable;
}

bool FramelessWindow::isMinimizable() const
{
    return m_minimizable;
}

void FramelessWindow::setTitleDraggable(bool draggable)
{
    m_titleDraggable = draggable;
}

bool FramelessWindow::isTitleDraggable() const
{
    return m_titleDraggable;
}

bool FramelessWindow::isTranslucent() const
{
    return m_translucent;
}

void FramelessWindow::setTitleBar(QWidget *titleBar)
{
    if (m_titleBar) {
        m_titleBar->removeEventFilter(this);
        disconnect(m_titleBar, &QObject::destroyed, this, &FramelessWindow::onTitleWidgetDestroyed);
    }
    m_titleBar = titleBar;
    if (!titleBar)
        return;
    titleBar->installEventFilter(this);
    connect(titleBar, &QObject::destroyed, this, &FramelessWindow::onTitleWidgetDestroyed);
}

void FramelessWindow::onTitleWidgetDestroyed(QObject *object)
{
    qDebug() << "sender:" << object;
    if (object == m_titleBar)
        m_titleBar = nullptr;
    m_captionWidgets.remove(static_cast<QWidget *>(object));
}

void FramelessWindow::setBackgroundColor(const QColor &color)
{
    m_backgroundColor = color;
}

QColor FramelessWindow::backgroundColor() const
{
    return m_backgroundColor;
}

void FramelessWindow::setBorderColor(const QColor &color)
{
    m_borderColor = color;
}

QColor FramelessWindow::borderColor() const
{
    return m_borderColor;
}

void FramelessWindow::setShadowWidth(int width)
{
    m_shadowWidth = width;
}

int FramelessWindow::shadowWidth() const
{
    return m_shadowWidth;
}

void FramelessWindow::addCaptionWidget(QWidget *widget)
{
    if (!widget || m_captionWidgets.contains(widget))
        return;
    m_captionWidgets.insert(widget);
    widget->installEventFilter(this);
    connect(widget, &QObject::destroyed, this, &FramelessWindow::onTitleWidgetDestroyed);
}

void FramelessWindow::addCaptionWidgets(const QList<QWidget *> &widgets)
{
    for (QWidget *widget : widgets)
        addCaptionWidget(widget);
}

int FramelessWindow::hitTest(const QPoint &globalPoint) const
{
    FramelessHitTest::Input input;
    input.windowRect = QRect(mapToGlobal(QPoint(0, 0)), size());
    input.point = globalPoint;
    input.resizable = m_resizable && !isMaximized() && !m_fullScreenFlag;
    input.minimumSize = minimumSize();
    input.maximumSize = maximumSize();
    input.border = resizeBorder;
    input.titleDraggable = m_titleDraggable;
    if (m_titleBar) {
        input.hasTitleBar = true;
        input.titleBarRect = QRect(m_titleBar->mapToGlobal(QPoint(0, 0)), m_titleBar->size());
        QWidget *child = m_titleBar->childAt(m_titleBar->mapFromGlobal(globalPoint));
        input.overTitleBarChild = child != nullptr;
        for (QWidget *w = child; w && w != m_titleBar; w = w->parentWidget()) {
            if (m_captionWidgets.contains(w))
                input.childIsCaption = true;
        }
    }
    return FramelessHitTest::hitTest(input);
}

bool FramelessWindow::startDrag(int hit, const QPoint &globalPos)
{
    const auto result = FramelessHitTest::Result(hit);
    if (result == FramelessHitTest::Client)
        return false;
    const bool handedOver = result == FramelessHitTest::Caption
        ? WindowMover::startMove(windowHandle())
        : WindowMover::startResize(windowHandle(), FramelessHitTest::edges(result));
    if (!handedOver) {
        m_dragHit = hit;
        m_dragStart = globalPos;
        m_dragGeometry = geometry();
    }
    return true;
}

void FramelessWindow::dragTo(const QPoint &globalPos)
{
    const QPoint delta = globalPos - m_dragStart;
    if (m_dragHit == FramelessHitTest::Caption) {
        move(m_dragGeometry.topLeft() + delta);
        return;
    }
    setGeometry(WindowMover::newGeometry(m_dragGeometry, FramelessHitTest::edges(FramelessHitTest::Result(m_dragHit)),
        delta, minimumSize(), maximumSize()));
}

void FramelessWindow::updateCursor(int hit)
{
    switch (hit) {
    case FramelessHitTest::Left:
    case FramelessHitTest::Right:
        setCursor(Qt::SizeHorCursor);
        break;
    case FramelessHitTest::Top:
    case FramelessHitTest::Bottom:
        setCursor(Qt::SizeVerCursor);
        break;
    case FramelessHitTest::TopLeft:
    case FramelessHitTest::BottomRight:
        setCursor(Qt::SizeFDiagCursor);
        break;
    case FramelessHitTest::TopRight:
    case FramelessHitTest::BottomLeft:
        setCursor(Qt::SizeBDiagCursor);
        break;
    default:
        unsetCursor();
    }
}

void FramelessWindow::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && startDrag(hitTest(event->globalPos()), event->globalPos())) {
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void FramelessWindow::mouseMoveEvent(QMouseEvent *event)
{
    if (m_dragHit != 0 && (event->buttons() & Qt::LeftButton)) {
        dragTo(event->globalPos());
        return;
    }
    if (event->buttons() == Qt::NoButton)
        updateCursor(hitTest(event->globalPos()));
    QWidget::mouseMoveEvent(event);
}

void FramelessWindow::mouseReleaseEvent(QMouseEvent *event)
{
    m_dragHit = 0;
    QWidget::mouseReleaseEvent(event);
}

bool FramelessWindow::eventFilter(QObject *watched, QEvent *event)
{
    // Presses reach the title bar and the caption widgets first; what a press there means is the frame's call.
    if (watched == m_titleBar || m_captionWidgets.contains(static_cast<QWidget *>(watched))) {
        switch (event->type()) {
        case QEvent::MouseButtonPress: {
            auto *mouse = static_cast<QMouseEvent *>(event);
            if (mouse->button() == Qt::LeftButton && startDrag(hitTest(mouse->globalPos()), mouse->globalPos()))
                return true;
            break;
        }
        case QEvent::MouseMove: {
            auto *mouse = static_cast<QMouseEvent *>(event);
            if (m_dragHit != 0 && (mouse->buttons() & Qt::LeftButton)) {
                dragTo(mouse->globalPos());
                return true;
            }
            break;
        }
        case QEvent::MouseButtonRelease:
            m_dragHit = 0;
            break;
        case QEvent::MouseButtonDblClick: {
            auto *mouse = static_cast<QMouseEvent *>(event);
            if (mouse->button() == Qt::LeftButton && hitTest(mouse->globalPos()) == FramelessHitTest::Caption) {
                captionDoubleClicked();
                return true;
            }
            break;
        }
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FramelessWindow::captionDoubleClicked()
{
    if (!m_maximizable || m_fullScreenFlag)
        return;
    if (isMaximized())
        showNormal();
    else
        showMaximized();
}

void FramelessWindow::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int sw = m_shadowWidth;
    const qreal radius = m_translucent ? 3 : 0;
    painter.setBrush(Qt::NoBrush);
    for (int i = 0; i < 3; ++i) {
        const QRectF ring = QRectF(rect()).adjusted(sw - i + 0.5, sw - i + 0.5, -(sw - i) - 0.5, -(sw - i) - 0.5);
        painter.setPen(m_borderColor);
        painter.drawRoundedRect(ring, radius, radius);
    }
    painter.fillRect(rect().adjusted(sw + 1, sw + 1, -(sw + 1), -(sw + 1)), m_backgroundColor);
    if (m_translucent) {
        static const int alphas[] = { 100, 60, 35, 20, 10, 5 };
        for (int ring = 4; ring <= sw + 1; ++ring) {
            const int inset = sw - ring + 1;
            const int alpha = ring - 4 < 6 ? alphas[ring - 4] : 0;
            if (inset < 0 || alpha == 0)
                continue;
            painter.setPen(QColor(100, 100, 100, alpha));
            const QRectF outline = QRectF(rect()).adjusted(inset + 0.5, inset + 0.5, -inset - 0.5, -inset - 0.5);
            painter.drawRoundedRect(outline, radius + ring - 3, radius + ring - 3);
        }
    }
    painter.end();
    QWidget::paintEvent(event);
}
