#include "vrek/course/pagecourseview.h"

#include "vrek/course/coursecenterwidget.h"
#include "vrek/course/coursescrollarea.h"
#include "vrek/course/coursetooloptionwidget.h"
#include "vrek/course/coursetoolview.h"
#include "vrek/course/pagecoursemanager.h"
#include "vrek/paint/drawboard.h"
#include "vrek/utils/globalfunc.h"

#include <QDebug>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStackedLayout>

PageCourseView::PageCourseView(const QString &name, QWidget *parent)
    : QWidget(parent)
{
    m_form.setupUi(this, name, true);
    qInfo() << "parent:" << parent;
    m_optionWidget = new CourseToolOptionWidget(this);
    m_toolView = new CourseToolView;
    m_form.courseToolLayout->addWidget(m_toolView);
    m_board = new DrawBoard;
    m_pictureLabel = new QLabel;
    m_pictureLabel->setObjectName("pictureLabel");
    m_toolView->setMaximizeBtnHidden(true);
    if (!GlobalFunc::isCurrentUserLect())
        m_toolView->setToolBtnHidden(true);
}

PageCourseView::~PageCourseView()
{
    qInfo() << "~PageCourseView";
    delete m_optionWidget;
    delete m_board;
    delete m_toolView;
    delete m_pictureLabel;
    delete m_stackedLayout;
}

void PageCourseView::setUp(PageCourseManager *manager, QWidget *webView)
{
    m_stackedLayout = new QStackedLayout(m_form.scrollAreaWidgetContents);
    m_stackedLayout->setStackingMode(QStackedLayout::StackAll);
    m_stackedLayout->addWidget(m_board);
    if (webView)
        m_stackedLayout->addWidget(webView);
    m_stackedLayout->addWidget(m_pictureLabel);
    // All three in one place: the board on top, the picture lowest.
    m_pictureLabel->lower();
    m_stackedLayout->setCurrentWidget(m_board);
    m_board->raise();

    connect(m_form.leftButton, &QPushButton::clicked, this, &PageCourseView::onLeftButtonClicked);
    connect(m_form.rightButton, &QPushButton::clicked, this, &PageCourseView::onRightButtonClicked);
    connect(m_form.courseCenterWidget, &CourseCenterWidget::signalCenterWidgetResize, manager,
        &PageCourseManager::slotCenterWidgetResize);
    connect(m_form.courseCenterScrollArea, &CourseScrollArea::signalScrollAreaMove, manager,
        &PageCourseManager::slotScrollAreaMove);
    connect(manager, &PageCourseManager::signalScrollAreaMoveOut, m_form.courseCenterScrollArea,
        &CourseScrollArea::setScrollArea);
    connect(m_toolView, &CourseToolView::signalDrawButtonClicked, manager, &PageCourseManager::slotDrawButtonClicked);
    connect(manager, &PageCourseManager::signalCenterSpacerChange, this, &PageCourseView::slotCenterSpacerChange);
    connect(manager, &PageCourseManager::signalSetPageCombox, m_toolView, &CourseToolView::setPageCombox);
    connect(manager, &PageCourseManager::signalSetRateCombox, m_toolView, &CourseToolView::setRateCombox);
    connect(manager, &PageCourseManager::signalSendPPtMessageOut, this, &PageCourseView::signalSendPPtMessageOut);
    connect(m_toolView, &CourseToolView::signalPageComboboxChanged, this, &PageCourseView::onPageComboboxChanged);
    connect(m_toolView, &CourseToolView::signalRationComboboxChanged, this, &PageCourseView::onRationComboboxChanged);
    connect(
        m_toolView, &CourseToolView::signalMaximizeButtonToggled, this, &PageCourseView::signalMaximizeButtonToggled);
    connect(m_optionWidget, &CourseToolOptionWidget::signalPenColorChange, manager,
        &PageCourseManager::signalPenColorChange);
    connect(
        m_optionWidget, &CourseToolOptionWidget::signalPenColorChange, m_toolView, &CourseToolView::slotPenColorChange);
    connect(m_optionWidget, &CourseToolOptionWidget::signalLineWidthChange, manager,
        &PageCourseManager::signalLineWidthChange);
    connect(m_toolView, &CourseToolView::signalColorButtonClicked, m_optionWidget, &QWidget::show);
}

void PageCourseView::showPageBox(const PageCourseManager *manager)
{
    m_toolView->setPageCombox(manager->getPageId(), manager->getPageCount());
}

void PageCourseView::setCourseEnable(bool enable)
{
    qDebug() << "enable:" << enable;
    m_form.leftButton->setEnabled(enable);
    m_form.rightButton->setEnabled(enable);
    m_toolView->setToolBtnEnable(enable);
}

void PageCourseView::slotCenterSpacerChange(QSize center, QSize content)
{
    m_form.centre(center, content, m_optionWidget, m_toolView->height());
}
