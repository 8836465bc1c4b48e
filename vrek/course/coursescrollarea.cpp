#include "vrek/course/coursescrollarea.h"

#include <QEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>

CourseScrollArea::CourseScrollArea(QWidget *parent)
    : QScrollArea(parent)
{
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setStyleSheet("QScrollArea{border: 0px;}");
    // Mouse and wheel reach the area through its viewport, so both are watched.
    installEventFilter(this);
    viewport()->installEventFilter(this);
    m_elapsed.start();
    m_clock = [this] { return m_elapsed.elapsed(); };
    m_lastReport = m_clock();
}

CourseScrollArea::~CourseScrollArea() = default;

void CourseScrollArea::setClock(const Clock &clock)
{
    m_clock = clock;
    m_lastReport = m_clock();
}

void CourseScrollArea::setScrollArea(int horizontal, int vertical)
{
    horizontalScrollBar()->setValue(horizontal);
    verticalScrollBar()->setValue(vertical);
}

bool CourseScrollArea::mayReport() const
{
    return m_clock() - m_lastReport >= reportIntervalMs;
}

void CourseScrollArea::report(int horizontal, int vertical)
{
    emit signalScrollAreaMove(horizontal, vertical, GlobalEnum::PPMLocal);
    m_lastReport = m_clock();
}

bool CourseScrollArea::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != this && watched != viewport())
        return QScrollArea::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton) {
            m_pressPos = mouse->globalPos();
            m_pressHorizontal = horizontalScrollBar()->value();
            m_pressVertical = verticalScrollBar()->value();
            m_pressed = true;
        }
        break;
    }
    case QEvent::MouseMove: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (!m_pressed || !(mouse->buttons() & Qt::LeftButton))
            break;
        const QPoint moved = m_pressPos - mouse->globalPos();
        const int horizontal = m_pressHorizontal + moved.x();
        const int vertical = m_pressVertical + moved.y();
        setScrollArea(horizontal, vertical);
        if (!mayReport())
            break;
        report(horizontal, vertical);
        return true;
    }
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
            m_pressed = false;
        break;
    case QEvent::Wheel: {
        // The wheel's own scrolling would move the page past the position reported, so the area moves
        // only here.
        if (!mayReport())
            return true;
        const int horizontal = horizontalScrollBar()->value();
        const int vertical = verticalScrollBar()->value() - 2 * static_cast<QWheelEvent *>(event)->angleDelta().y();
        report(horizontal, vertical);
        setScrollArea(horizontal, vertical);
        return true;
    }
    default:
        break;
    }
    return QScrollArea::eventFilter(watched, event);
}
