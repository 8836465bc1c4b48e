#include "vrek/course/htmlcourseview.h"

#include "vrek/course/coursetooloptionwidget.h"
#include "vrek/course/coursetoolview.h"

#include <QDebug>
#include <QWebView>

HtmlCourseView::HtmlCourseView(QWidget *parent, int pollMs)
    : PageCourseView(QStringLiteral("HtmlCourseView"), parent)
    , m_webView(new QWebView)
{
    m_webView->setObjectName("webView");
    m_manager = new HtmlCourseManager(board(), m_webView, pictureLabel(), nullptr, pollMs);
    setUp(m_manager, m_webView);
    connect(this, &HtmlCourseView::signalChangeHtmlStep, m_manager, &HtmlCourseManager::changeHtmlStep);
    connect(this, &HtmlCourseView::signalChangeHtmlRate, m_manager, &HtmlCourseManager::changeHtmlRate);
    connect(this, &HtmlCourseView::signalSetHtmlStep, m_manager, &HtmlCourseManager::slotSetHtmlStep);
    connect(this, &HtmlCourseView::signalSetHtmlRate, m_manager, &HtmlCourseManager::slotSetHtmlRate);
    connect(this, &HtmlCourseView::signalHtmlScrollAreaMove, m_manager, &HtmlCourseManager::slotScrollAreaMove);
    connect(this, &HtmlCourseView::signalHtmlDrawGraph, m_manager, &HtmlCourseManager::slotDrawGraphIn);
    connect(this, &HtmlCourseView::signalHtmlDrawGraphAll, m_manager, &HtmlCourseManager::slotReadDrawMsgAll);
    connect(this, &HtmlCourseView::signalSendBoardLate, m_manager, &HtmlCourseManager::slotSendDrawMsgAll);
    connect(this, &HtmlCourseView::signalSendHtmlLate, m_manager, &HtmlCourseManager::slotSendHtmlLate);
    optionWidget()->sendDefaultOption();
}

HtmlCourseView::~HtmlCourseView()
{
    qInfo() << "~HtmlCourseView";
    delete m_manager;
    delete m_webView;
}

bool HtmlCourseView::openHtmlFile(const QString &fileIdAll, const QString &fileName, GlobalEnum::PPMFromType from)
{
    if (!m_manager->openHtmlFile(fileIdAll, from))
        return false;
    toolView()->setCourseName(fileName);
    showPageBox(m_manager);
    return true;
}

bool HtmlCourseView::closeHtmlFile()
{
    return m_manager->closeHtmlFile();
}

bool HtmlCourseView::clearDrawData()
{
    return m_manager->clearDrawData();
}

void HtmlCourseView::onLeftButtonClicked()
{
    qDebug() << "onLeftButtonClicked";
    if (m_manager->frontHtmlStep(GlobalEnum::PPMLocal))
        showPageBox(m_manager);
}

void HtmlCourseView::onRightButtonClicked()
{
    qDebug() << "onRightButtonClicked";
    if (m_manager->nextHtmlStep(GlobalEnum::PPMLocal))
        showPageBox(m_manager);
}

void HtmlCourseView::onPageComboboxChanged(const QString &text, int index)
{
    qDebug() << "onPageComboboxChanged text:" << text << "index:" << index;
    if (m_manager->changeHtmlStep(index, 0, GlobalEnum::PPMLocal))
        showPageBox(m_manager);
}

void HtmlCourseView::onRationComboboxChanged(const QString &text, double factor)
{
    qDebug() << "onRationComboboxChanged text:" << text << "factor:" << factor;
    m_manager->changeHtmlRate(factorToRate(factor), GlobalEnum::PPMLocal);
}
