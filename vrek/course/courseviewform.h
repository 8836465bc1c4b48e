#ifndef COURSEVIEWFORM_H
#define COURSEVIEWFORM_H

#include <QString>

class CourseCenterWidget;
class CourseScrollArea;
class QGridLayout;
class QHBoxLayout;
class QPushButton;
class QSize;
class QVBoxLayout;
class QWidget;

// The widget tree the courseware views share: the tool bar's row on top; below it the centre area, whose middle
// cell holds the scroll area with the page, between two arrow buttons on the page views. The widgets are
// children of the view.
struct CourseViewForm
{
    QGridLayout *gridLayout = nullptr;
    QHBoxLayout *topLayout = nullptr;
    QHBoxLayout *courseToolLayout = nullptr;
    QHBoxLayout *centerLayout = nullptr;
    QVBoxLayout *leftButtonLayout = nullptr;
    QPushButton *leftButton = nullptr;
    CourseCenterWidget *courseCenterWidget = nullptr;
    QGridLayout *courseCenterLayout = nullptr;
    CourseScrollArea *courseCenterScrollArea = nullptr;
    QWidget *scrollAreaWidgetContents = nullptr;
    QVBoxLayout *rightButtonLayout = nullptr;
    QPushButton *rightButton = nullptr;

    void setupUi(QWidget *view, const QString &name, bool arrows);
    // Centres content of the given size in the centre area: it sits in the middle at its own size while it is
    // smaller, and fills the scroll area otherwise. The option pop-up goes under the middle of the tool bar.
    void centre(const QSize &center, const QSize &content, QWidget *optionWidget, int toolBarHeight);
};

#endif // COURSEVIEWFORM_H
