#ifndef SELECTCOURSESCROLLAREA_H
#define SELECTCOURSESCROLLAREA_H

#include <QScrollArea>

// The scroll area of the course file bar: the bar is one row of tiles, so the mouse wheel scrolls it sideways.
class SelectCourseScrollArea : public QScrollArea
{
    Q_OBJECT
public:
    explicit SelectCourseScrollArea(QWidget *parent = nullptr);
    ~SelectCourseScrollArea() override;

protected:
    void wheelEvent(QWheelEvent *event) override;
};

#endif // SELECTCOURSESCROLLAREA_H
