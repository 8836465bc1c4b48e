#include "vrek/course/drawcourseview.h"

#include "vrek/course/coursecenterwidget.h"
#include "vrek/course/coursetooloptionwidget.h"
#include "vrek/course/coursetoolview.h"
#include "vrek/course/drawcoursemanager.h"
#include "vrek/paint/drawboard.h"
#include "vrek/utils/globalfunc.h"

#include <QDebug>
#include <QHBoxLayout>
#include <QStackedLayout>

DrawCourseView::DrawCourseView(QWidget *parent)
    : QWidget(parent)
{
    m_form.setupUi(this, QStringLiteral("DrawCourseView"), false);
    qInfo() << "parent:" << parent;
    m_optionWidget = new CourseToolOptionWidget(this);
    m_toolView = new CourseToolView;
    m_board = new DrawBoard;
    m_manager = new DrawCourseManager(m_board);
    m_stackedLayout = new QStackedLayout(m_form.scrollAreaWidgetContents);
    m_form.courseToolLayout->addWidget(m_toolView);
    m_stackedLayout->setStackingMode(QStackedLayout::StackAll);
    m_stackedLayout->addWidget(m_board);
    m_toolView->setMaximizeBtnHidden(true);
    m_toolView->setDrawBtnHidden(true);
    if (!GlobalFunc::isCurrentUserLect())
        m_toolView->setToolBtnHidden(true);

    connect(m_form.courseCenterWidget, &CourseCenterWidget::signalCenterWidgetResize, m_manager,
        &DrawCourseManager::slotCenterWidgetResize);
    connect(m_manager, &DrawCourseManager::signalCenterSpacerChange, this, &DrawCourseView::slotCenterSpacerChange);
    connect(m_manager, &DrawCourseManager::signalSendPPtMessageOut, this, &DrawCourseView::signalSendPPtMessageOut);
    connect(m_toolView, &CourseToolView::signalDrawButtonClicked, m_manager, &DrawCourseManager::slotDrawButtonClicked);
    connect(
        m_toolView, &CourseToolView::signalMaximizeButtonToggled, this, &DrawCourseView::signalMaximizeButtonToggled);
    connect(this, &DrawCourseView::signalDrawDrawGraph, m_manager, &DrawCourseManager::slotDrawGraphIn);
    connect(this, &DrawCourseView::signalDrawDrawGraphAll, m_manager, &DrawCourseManager::slotReadDrawMsgAll);
    connect(this, &DrawCourseView::signalSendBoardLate, m_manager, &DrawCourseManager::slotSendDrawMsgAll);
    connect(m_optionWidget, &CourseToolOptionWidget::signalPenColorChange, m_manager,
        &DrawCourseManager::signalPenColorChange);
    connect(m_optionWidget, &CourseToolOptionWidget::signalLineWidthChange, m_manager,
        &DrawCourseManager::signalLineWidthChange);
    connect(m_toolView, &CourseToolView::signalColorButtonClicked, m_optionWidget, &QWidget::show);
    connect(
        m_optionWidget, &CourseToolOptionWidget::signalPenColorChange, m_toolView, &CourseToolView::slotPenColorChange);
    m_optionWidget->sendDefaultOption();
}

DrawCourseView::~DrawCourseView()
{
    qInfo() << "~DrawCourseView";
    delete m_manager;
    delete m_optionWidget;
    delete m_board;
    delete m_toolView;
    delete m_stackedLayout;
}

bool DrawCourseView::clearBoard()
{
    return m_manager->clearBoard();
}

void DrawCourseView::slotCenterSpacerChange(QSize center, QSize content)
{
    m_form.centre(center, content, m_optionWidget, m_toolView->height());
}
