#ifndef COURSESCROLLAREA_H
#define COURSESCROLLAREA_H

#include "vrek/utils/globalenum.h"

#include <QElapsedTimer>
#include <QPoint>
#include <QScrollArea>

#include <functional>

// The scroll area of a courseware page: the user drags the page with the mouse or scrolls it with the wheel,
// and the position is reported so the class can follow, at most once per report interval. Followers move it
// with setScrollArea.
class CourseScrollArea : public QScrollArea
{
    Q_OBJECT
public:
    static constexpr qint64 reportIntervalMs = 50;
    // Milliseconds on a steady clock.
    using Clock = std::function<qint64()>;

    explicit CourseScrollArea(QWidget *parent = nullptr);
    ~CourseScrollArea() override;

    // Tests drive time; the clock counts from now on.
    void setClock(const Clock &clock);

signals:
    void signalScrollAreaMove(int horizontal, int vertical, GlobalEnum::PPMFromType from);

public slots:
    void setScrollArea(int horizontal, int vertical);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool mayReport() const;
    void report(int horizontal, int vertical);

    Clock m_clock;
    QElapsedTimer m_elapsed;
    qint64 m_lastReport = 0;
    bool m_pressed = false;
    QPoint m_pressPos;
    int m_pressHorizontal = 0;
    int m_pressVertical = 0;
};

#endif // COURSESCROLLAREA_H
