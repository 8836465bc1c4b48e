#include "vrek/course/picturecourseview.h"

#include "vrek/course/coursetooloptionwidget.h"
#include "vrek/course/coursetoolview.h"

#include <QDebug>

PictureCourseView::PictureCourseView(QWidget *parent)
    : PageCourseView(QStringLiteral("PictureCourseView"), parent)
{
    m_manager = new PictureCourseManager(board(), pictureLabel(), nullptr);
    setUp(m_manager, nullptr);
    connect(this, &PictureCourseView::signalChangePicturePage, m_manager, &PictureCourseManager::changePicturePage);
    connect(this, &PictureCourseView::signalChangePictureRate, m_manager, &PictureCourseManager::changePictureRate);
    connect(this, &PictureCourseView::signalSetPicturePage, m_manager, &PictureCourseManager::slotSetPicturePage);
    connect(this, &PictureCourseView::signalSetPictureRate, m_manager, &PictureCourseManager::slotSetPictureRate);
    connect(
        this, &PictureCourseView::signalPictureScrollAreaMove, m_manager, &PictureCourseManager::slotScrollAreaMove);
    connect(this, &PictureCourseView::signalPictureDrawGraph, m_manager, &PictureCourseManager::slotDrawGraphIn);
    connect(this, &PictureCourseView::signalPictureDrawGraphAll, m_manager, &PictureCourseManager::slotReadDrawMsgAll);
    connect(this, &PictureCourseView::signalSendBoardLate, m_manager, &PictureCourseManager::slotSendDrawMsgAll);
    connect(this, &PictureCourseView::signalSendPictureLate, m_manager, &PictureCourseManager::slotSendPictureLate);
    optionWidget()->sendDefaultOption();
}

PictureCourseView::~PictureCourseView()
{
    qInfo() << "~PictureCourseView";
    delete m_manager;
}

bool PictureCourseView::openPictureFile(const QString &fileIdAll, const QString &fileName, GlobalEnum::PPMFromType from)
{
    if (!m_manager->openPictureFile(fileIdAll, from))
        return false;
    toolView()->setCourseName(fileName);
    showPageBox(m_manager);
    return true;
}

bool PictureCourseView::closePictureFile()
{
    return m_manager->closePictureFile();
}

bool PictureCourseView::clearDrawData()
{
    return m_manager->clearDrawData();
}

void PictureCourseView::onLeftButtonClicked()
{
    qDebug() << "onLeftButtonClicked";
    if (m_manager->frontPicturePage(GlobalEnum::PPMLocal))
        showPageBox(m_manager);
}

void PictureCourseView::onRightButtonClicked()
{
    qDebug() << "onRightButtonClicked";
    if (m_manager->nextPicturePage(GlobalEnum::PPMLocal))
        showPageBox(m_manager);
}

void PictureCourseView::onPageComboboxChanged(const QString &text, int index)
{
    qDebug() << "onPageComboboxChanged text:" << text << "index:" << index;
    if (m_manager->changePicturePage(index, GlobalEnum::PPMLocal))
        showPageBox(m_manager);
}

void PictureCourseView::onRationComboboxChanged(const QString &text, double factor)
{
    qDebug() << "onRationComboboxChanged text:" << text << "factor:" << factor;
    m_manager->changePictureRate(factorToRate(factor), GlobalEnum::PPMLocal);
}
