#include "updater/showwidget.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QThread>
#include <QWindow>

#include <atomic>
#include <thread>

namespace {
const QColor kTextColour(62, 149, 234);
const QColor kBarColour(62, 148, 234);
const QRect kStatusArea(QPoint(0, 283), QPoint(558, 448));
const int kBarTop = 370;
const int kBarHeight = 20;
const QPoint kTextPosition(130, 300);
const float kRedrawStep = 0.01f;

QFont statusFont()
{
    QFont font;
    // The face the window was designed with, then the CJK face every install of ours carries.
    font.setFamilies({ "Microsoft YaHei", QString::fromUtf8("微软雅黑"), "WenQuanYi Micro Hei" });
    font.setStyleHint(QFont::SansSerif, QFont::PreferAntialias);
    font.setPixelSize(22);
    font.setWeight(QFont::Normal);
    return font;
}
} // namespace

ShowWidget::ShowWidget(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
    , m_statusText(QString::fromUtf8("Vantrel更新程序正在准备中,请等待.."))
{
    Q_INIT_RESOURCE(holtupdate);
    m_background.load(":/holtupdate/background.png");
    setWindowTitle("Holtrenew");
    setWindowIcon(QIcon(":/holtupdate/icon.png"));
    setFixedSize(kWidth, kHeight);
    // Offscreen there is no shape to give, and the platform says so on every show.
    if (QGuiApplication::platformName() != "offscreen")
        setMask(windowRegion());
}

QRegion ShowWidget::windowRegion()
{
    QPainterPath corners;
    corners.addRoundedRect(QRectF(0, 0, kWidth, kHeight), 2.5, 2.5);
    return QRegion(corners.toFillPolygon().toPolygon());
}

ShowWidget::~ShowWidget() = default;

void ShowWidget::serveWhile(const std::function<void()> &flow)
{
    // The flow asks the window for things and waits for them: the last window closed must not end the loop
    // that answers.
    const bool quitOnClose = QGuiApplication::quitOnLastWindowClosed();
    QGuiApplication::setQuitOnLastWindowClosed(false);
    std::atomic<bool> done { false };
    QEventLoop loop;
    std::thread worker([&flow, &done, &loop] {
        flow();
        done = true;
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    // Whatever else ended the loop, the flow may still wait on the window: it is served until the flow is done.
    while (!done) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    worker.join();
    QGuiApplication::setQuitOnLastWindowClosed(quitOnClose);
}

template<typename Call>
void ShowWidget::onWindowThread(Call call)
{
    if (QThread::currentThread() == thread())
        call();
    else
        QMetaObject::invokeMethod(this, call, Qt::BlockingQueuedConnection);
}

void ShowWidget::openWindow(const std::string &version)
{
    setVersion(version);
    onWindowThread([this] {
        const QScreen *screen = QGuiApplication::primaryScreen();
        if (screen)
            move(centredPosition(screen->availableGeometry()));
        show();
    });
}

void ShowWidget::closeWindow()
{
    onWindowThread([this] { hide(); });
}

void ShowWidget::setVersion(const std::string &version)
{
    QMutexLocker lock(&m_mutex);
    m_statusText
        = QString::fromUtf8("Vantrelv") + QString::fromStdString(version) + QString::fromUtf8("正在更新,请耐心等待!");
}

QString ShowWidget::statusText() const
{
    QMutexLocker lock(&m_mutex);
    return m_statusText;
}

int ShowWidget::barWidth() const
{
    QMutexLocker lock(&m_mutex);
    if (!m_barDrawn)
        return -1;
    const float ratio = qBound(0.0f, m_drawnRatio, 1.0f);
    return int(ratio * kWidth);
}

QPoint ShowWidget::centredPosition(const QRect &workArea)
{
    return QPoint(
        workArea.x() + int((workArea.width() - kWidth) * 0.5), workArea.y() + int((workArea.height() - kHeight) * 0.5));
}

void ShowWidget::setProgress(float ratio)
{
    {
        QMutexLocker lock(&m_mutex);
        if (ratio - m_ratio < kRedrawStep)
            return;
        m_ratio = ratio;
    }
    // Called from the download workers: the drawing happens on the window's thread.
    QMetaObject::invokeMethod(
        this, [this] { drawProgress(); }, Qt::QueuedConnection);
}

void ShowWidget::drawProgress()
{
    {
        QMutexLocker lock(&m_mutex);
        m_drawnRatio = m_ratio;
        m_barDrawn = true;
    }
    update();
}

void ShowWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawPixmap(rect(), m_background);
    QString text;
    bool barDrawn = false;
    {
        QMutexLocker lock(&m_mutex);
        text = m_statusText;
        barDrawn = m_barDrawn;
    }
    if (barDrawn) {
        painter.fillRect(kStatusArea, Qt::white);
        painter.fillRect(QRect(0, kBarTop, barWidth(), kBarHeight), kBarColour);
    }
    painter.setPen(kTextColour);
    painter.setFont(statusFont());
    painter.drawText(QRect(kTextPosition, QSize(kWidth - kTextPosition.x(), 40)), Qt::AlignLeft | Qt::AlignTop, text);
}

void ShowWidget::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    // Anywhere in the borderless window drags the whole window.
    if (windowHandle() && windowHandle()->startSystemMove())
        return;
    m_dragging = true;
    m_dragOffset = event->globalPos() - frameGeometry().topLeft();
}

void ShowWidget::mouseMoveEvent(QMouseEvent *event)
{
    if (m_dragging && (event->buttons() & Qt::LeftButton))
        move(event->globalPos() - m_dragOffset);
}

void ShowWidget::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_dragging = false;
}
