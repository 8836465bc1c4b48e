#ifndef SHOWWIDGET_H
#define SHOWWIDGET_H

#include "updater/progressview.h"

#include <QMutex>
#include <QPixmap>
#include <QPoint>
#include <QRegion>
#include <QString>
#include <QWidget>

#include <functional>

// The progress window of the updater: a borderless 559 by 441 window with rounded corners, a picture, a status
// text and a bar. The update flow drives it from its own threads; every call is handed to the window's thread,
// and the bar is redrawn only in steps of at least one percent.
class ShowWidget : public QWidget, public ZR::ProgressView
{
    Q_OBJECT
public:
    static const int kWidth = 559;
    static const int kHeight = 441;

    explicit ShowWidget(QWidget *parent = nullptr);
    ~ShowWidget() override;

    // Runs the flow on a thread of its own while this thread serves the window, and returns once the flow has
    // ended, whatever became of the window meanwhile: closed, the window is simply gone, and the flow goes on
    // without it.
    void serveWhile(const std::function<void()> &flow);

    // ZR::ProgressView, callable from any thread.
    void openWindow(const std::string &version) override;
    void setProgress(float ratio) override;
    void closeWindow() override;

    // Shown at the next paint or bar drawing; does not repaint by itself.
    void setVersion(const std::string &version);
    QString statusText() const;
    // The width of the drawn bar in pixels; -1 while no bar has been drawn.
    int barWidth() const;
    // The window's shape: its rectangle with corners rounded by ellipses of 5 by 5 pixels.
    static QRegion windowRegion();
    // Centred in the work area, truncated to whole pixels.
    static QPoint centredPosition(const QRect &workArea);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void drawProgress();
    template<typename Call>
    void onWindowThread(Call call);

    mutable QMutex m_mutex; // the status text and the ratios
    QString m_statusText;
    float m_ratio = 0; // the last ratio passed on to be drawn
    float m_drawnRatio = 0;
    bool m_barDrawn = false;
    QPixmap m_background;
    bool m_dragging = false;
    QPoint m_dragOffset;
};

#endif // SHOWWIDGET_H
