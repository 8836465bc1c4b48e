#include "vrek/course/courseviewform.h"

#include "vrek/course/coursecenterwidget.h"
#include "vrek/course/coursescrollarea.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSpacerItem>
#include <QVBoxLayout>

namespace {
QPushButton *arrowButton(QWidget *view, QVBoxLayout *layout, const char *name, const char *image)
{
    layout->setSpacing(0);
    layout->addItem(new QSpacerItem(20, 40, QSizePolicy::Minimum, QSizePolicy::Expanding));
    auto *button = new QPushButton(view);
    button->setObjectName(QLatin1String(name));
    button->setFixedSize(20, 48);
    button->setStyleSheet(QStringLiteral("QPushButton{border-image: url(:/vrek/image/centerview/%1-1.png);}"
                                         "QPushButton:pressed{border-image: url(:/vrek/image/centerview/%1-2.png);}")
                              .arg(QLatin1String(image)));
    layout->addWidget(button);
    layout->addItem(new QSpacerItem(20, 40, QSizePolicy::Minimum, QSizePolicy::Expanding));
    return button;
}

void stretch(QGridLayout *layout, void (QGridLayout::*set)(int, int), int center, int content)
{
    if (center <= content) {
        (layout->*set)(0, 0);
        (layout->*set)(1, 1);
        (layout->*set)(2, 0);
        return;
    }
    const int spare = center - content;
    (layout->*set)(0, spare / 2);
    (layout->*set)(1, content);
    (layout->*set)(2, spare / 2);
}
} // namespace

void CourseViewForm::setupUi(QWidget *view, const QString &name, bool arrows)
{
    view->setObjectName(name);
    view->setWindowTitle(name);
    gridLayout = new QGridLayout(view);
    gridLayout->setObjectName("gridLayout");
    gridLayout->setSpacing(0);
    gridLayout->setContentsMargins(0, 0, 0, 0);

    topLayout = new QHBoxLayout;
    topLayout->setObjectName("topLayout");
    topLayout->setSpacing(0);
    courseToolLayout = new QHBoxLayout;
    courseToolLayout->setObjectName("courseToolLayout");
    courseToolLayout->setSpacing(0);
    topLayout->addLayout(courseToolLayout);
    gridLayout->addLayout(topLayout, 0, 0);

    centerLayout = new QHBoxLayout;
    centerLayout->setObjectName("centerLayout");
    if (arrows) {
        leftButtonLayout = new QVBoxLayout;
        leftButtonLayout->setObjectName("leftButtonLayout");
        leftButton = arrowButton(view, leftButtonLayout, "leftButton", "leftarrow");
        centerLayout->addLayout(leftButtonLayout);
    }
    courseCenterWidget = new CourseCenterWidget(view);
    courseCenterWidget->setObjectName("courseCenterWidget");
    courseCenterLayout = new QGridLayout(courseCenterWidget);
    courseCenterLayout->setObjectName("courseCenterLayout");
    courseCenterLayout->setSpacing(0);
    courseCenterLayout->setContentsMargins(0, 0, 0, 0);
    courseCenterScrollArea = new CourseScrollArea(courseCenterWidget);
    courseCenterScrollArea->setObjectName("courseCenterScrollArea");
    courseCenterScrollArea->setWidgetResizable(true);
    scrollAreaWidgetContents = new QWidget;
    scrollAreaWidgetContents->setObjectName("scrollAreaWidgetContents");
    courseCenterScrollArea->setWidget(scrollAreaWidgetContents);
    courseCenterLayout->addWidget(courseCenterScrollArea, 1, 1);
    courseCenterLayout->addItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Minimum), 1, 2);
    courseCenterLayout->addItem(new QSpacerItem(0, 0, QSizePolicy::Minimum, QSizePolicy::Expanding), 0, 1);
    courseCenterLayout->addItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Minimum), 1, 0);
    courseCenterLayout->addItem(new QSpacerItem(0, 0, QSizePolicy::Minimum, QSizePolicy::Expanding), 2, 1);
    courseCenterLayout->setRowStretch(1, 1);
    courseCenterLayout->setColumnStretch(1, 1);
    centerLayout->addWidget(courseCenterWidget);
    if (arrows) {
        rightButtonLayout = new QVBoxLayout;
        rightButtonLayout->setObjectName("rightButtonLayout");
        rightButton = arrowButton(view, rightButtonLayout, "rightButton", "rightarrow");
        centerLayout->addLayout(rightButtonLayout);
    }
    gridLayout->addLayout(centerLayout, 1, 0);
    gridLayout->setRowStretch(1, 1);
}

void CourseViewForm::centre(const QSize &center, const QSize &content, QWidget *optionWidget, int toolBarHeight)
{
    if (optionWidget)
        optionWidget->move((center.width() - optionWidget->width()) / 2, toolBarHeight);
    stretch(courseCenterLayout, &QGridLayout::setColumnStretch, center.width(), content.width());
    stretch(courseCenterLayout, &QGridLayout::setRowStretch, center.height(), content.height());
}
