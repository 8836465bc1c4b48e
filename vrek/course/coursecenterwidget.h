#ifndef COURSECENTERWIDGET_H
#define COURSECENTERWIDGET_H

#include <QSize>
#include <QWidget>

// The area a courseware page is fitted into; it tells its new size on every resize.
class CourseCenterWidget : public QWidget
{
    Q_OBJECT
public:
    explicit CourseCenterWidget(QWidget *parent = nullptr);
    ~CourseCenterWidget() override;

signals:
    void signalCenterWidgetResize(QSize size);

protected:
    void resizeEvent(QResizeEvent *event) override;
};

#endif // COURSECENTERWIDGET_H
