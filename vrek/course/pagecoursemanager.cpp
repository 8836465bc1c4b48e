#include "vrek/course/pagecoursemanager.h"

#include "vrek/container/pagegraphsetlist.h"
#include "vrek/course/courseislect.h"
#include "vrek/course/coursemessageforward.h"
#include "vrek/paint/drawboard.h"
#include "vrek/paint/graphset.h"
#include "vrek/paint/pointset.h"
#include "vrek/transferfile/receivedfilepath.h"
#include "vrek/utils/globalvalue.h"

#include <QDebug>
#include <QLabel>
#include <QPixmap>

#include <cmath>
#include <limits>

namespace {
// Positions from the wire times a scale stay within int.
int toInt(double value)
{
    if (std::isnan(value))
        return 0;
    return int(
        qBound(double(std::numeric_limits<int>::min()), std::trunc(value), double(std::numeric_limits<int>::max())));
}
} // namespace

PageCourseManager::PageCourseManager(DrawBoard *board, QLabel *label, QObject *parent)
    : CourseDrawRelay(board, parent)
    , m_label(label)
{ }

PageCourseManager::~PageCourseManager()
{
    // The registry deletes the layers; the board must not draw one of them afterwards.
    if (m_board)
        m_board->setGraphSet(nullptr);
}

int PageCourseManager::layoutRate(int rate)
{
    if (rate == 0)
        return 100;
    return qBound(minLayoutRate, rate, maxLayoutRate);
}

QString PageCourseManager::courseFolder(const QString &fileIdAll)
{
    if (!ReceivedFilePath::isValidFileId(fileIdAll)) {
        qWarning() << "the fileIdAll error! fileIdAll:" << fileIdAll;
        return QString();
    }
    return "./" + ReceivedFilePath::fileFolder(g_userId, fileIdAll);
}

DrawControl PageCourseManager::control() const
{
    DrawControl drawControl;
    drawControl.setFileIdAll(m_fileIdAll);
    drawControl.setPageId(quint32(m_pageId));
    drawControl.setStepId(stepId());
    drawControl.setFourthValue(quint32(m_pageCount));
    return drawControl;
}

PPtMessage PageCourseManager::message(PPtMessage::PPMType type) const
{
    PPtMessage pptMessage(type);
    pptMessage.setDrawControl(control());
    pptMessage.setRate(m_rate);
    return pptMessage;
}

PPtMessage PageCourseManager::drawMessage(const DrawSignal &drawSignal) const
{
    PPtMessage pptMessage = message(PPtMessage::DrawOnline);
    pptMessage.resetDrawSignal(drawSignal);
    return pptMessage;
}

void PageCourseManager::sendByRule(const PPtMessage &pptMessage, GlobalEnum::PPMFromType from)
{
    switch (from) {
    case GlobalEnum::PPMLocal:
        if (courseIsLect && CourseMessageForward::toClass(pptMessage))
            emit signalSendPPtMessageOut(pptMessage);
        break;
    case GlobalEnum::PPMServer:
        emit signalSendPPtMessageOut(pptMessage);
        break;
    case GlobalEnum::PPMPad:
        CourseMessageForward::toClass(pptMessage);
        break;
    }
}

void PageCourseManager::sendOpenRate(const PPtMessage &openMessage, GlobalEnum::PPMFromType from)
{
    if (from != GlobalEnum::PPMLocal || !courseIsLect)
        return;
    PPtMessage rateMessage = openMessage;
    rateMessage.setPpmType(PPtMessage::ZoomChange);
    rateMessage.setRate(m_rate);
    if (CourseMessageForward::toClass(rateMessage))
        emit signalSendPPtMessageOut(rateMessage);
}

void PageCourseManager::takeRate(int rate, GlobalEnum::PPMFromType from)
{
    m_rate = rate;
    if (from == GlobalEnum::PPMServer)
        emit signalSetRateCombox(rate / 100.0);
    sendByRule(message(PPtMessage::ZoomChange), from);
}

void PageCourseManager::sendPlaceLate(const QString &userId)
{
    CourseMessageForward::toPerson(userId, message(PPtMessage::OpenFile));
    CourseMessageForward::toPerson(userId, message(PPtMessage::ZoomChange));
}

void PageCourseManager::storePlace()
{
    m_fileGraphSetHash.setPageId(m_fileIdAll, quint32(m_pageId));
}

bool PageCourseManager::enterFile(int pageCount)
{
    m_pageList = m_fileGraphSetHash.insertPageGraphSetList(quint32(pageCount), m_fileIdAll);
    m_pageCount = pageCount;
    return m_pageList != nullptr;
}

void PageCourseManager::leaveFile()
{
    m_pageList = nullptr;
}

void PageCourseManager::storeCurrentLayer()
{
    if (m_pageList && m_board && m_board->graphSet())
        m_pageList->insertGraphSetId(quint32(m_pageId), m_board->graphSet()->getId());
}

void PageCourseManager::switchBoardToPage(int pageId, bool storeLeft)
{
    if (!m_pageList || !m_board)
        return;
    if (storeLeft)
        storeCurrentLayer();
    const quint32 graphSetId = m_pageList->selectGraphSetId(quint32(pageId));
    GraphSet *graphSet = graphSetId != 0 ? m_graphToIdHash.selectGraphSet(graphSetId) : nullptr;
    if (graphSet) {
        m_board->setGraphSet(graphSet);
    } else {
        m_board->newGraphSet();
        graphSet = m_board->graphSet();
        const quint32 id = graphSet->getId();
        m_graphToIdHash.insertGraphSet(id, graphSet);
        m_graphToIdHash.insertFileIdAll(id, m_fileIdAll);
        m_graphToIdHash.insertPageId(id, quint32(pageId));
        m_graphToIdHash.insertPPtFileCount(id, quint32(m_pageCount));
        // Entered at once, so that a replayed drawing of this page finds the layer that is shown.
        m_pageList->insertGraphSetId(quint32(pageId), id);
    }
    m_pageId = pageId;
}

bool PageCourseManager::clearDrawData()
{
    const bool entered = m_pageList != nullptr;
    // The registry deletes the layers, the board's among them.
    if (m_board)
        m_board->setGraphSet(nullptr);
    m_pageList = nullptr;
    m_fileGraphSetHash.clear();
    m_graphToIdHash.clear();
    if (entered && enterFile(m_pageCount)) {
        storePlace();
        switchBoardToPage(m_pageId, false);
    }
    return true;
}

void PageCourseManager::slotCenterWidgetResize(const QSize &center)
{
    if (m_pagePicture.isNull()) {
        if (m_warnPictureMissing)
            qWarning() << "pictureImage is null!";
        else
            qDebug() << "pictureImage is null!";
        return;
    }
    m_centerSize = center;
    layOut();
}

void PageCourseManager::layOut()
{
    if (m_pagePicture.isNull() || m_centerSize.isEmpty() || m_pageSize.isEmpty())
        return;
    const QSize center = m_centerSize;
    // The content keeps the page's proportions and fits inside the centre.
    const double fit = qint64(m_pageSize.height()) * center.width() > qint64(center.height()) * m_pageSize.width()
        ? double(center.height()) / m_pageSize.height()
        : double(center.width()) / m_pageSize.width();
    const int rate = layoutRate(m_rate);
    const QSize content = (m_pageSize * fit) * rate / 100.0;
    m_displayScale = rate * fit / 100.0;
    m_fitted = true;
    if (m_label) {
        m_label->setPixmap(
            QPixmap::fromImage(m_pagePicture.scaled(content, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
    }
    if (m_board)
        m_board->onRateChange(m_displayScale);
    emit signalCenterSpacerChange(center, content);
}

void PageCourseManager::slotScrollAreaMove(int x, int y, GlobalEnum::PPMFromType from)
{
    PPtMessage pptMessage = message(PPtMessage::ScrollMove);
    switch (from) {
    case GlobalEnum::PPMLocal:
        // Until a page is fitted there is no scale to turn screen pixels into page pixels.
        if (!m_fitted)
            return;
        pptMessage.setPoint(QPoint(toInt(x / m_displayScale), toInt(y / m_displayScale)));
        if (courseIsLect && CourseMessageForward::toClass(pptMessage))
            emit signalSendPPtMessageOut(pptMessage);
        return;
    case GlobalEnum::PPMServer:
        pptMessage.setPoint(QPoint(x, y));
        if (CourseMessageForward::isWritable(pptMessage))
            emit signalSendPPtMessageOut(pptMessage);
        break;
    case GlobalEnum::PPMPad:
        pptMessage.setPoint(QPoint(x, y));
        CourseMessageForward::toClass(pptMessage);
        break;
    default:
        return;
    }
    emit signalScrollAreaMoveOut(toInt(x * m_displayScale), toInt(y * m_displayScale));
}

void PageCourseManager::slotReadDrawMsgAll(const PPtMessage &pptMessage)
{
    if (pptMessage.getPpmType() != PPtMessage::DrawOffline)
        return;
    const DrawControl &drawControl = pptMessage.getDrawControl();
    const QString fileIdAll = drawControl.getFileIdAll();
    const quint32 pageId = drawControl.getPageId();
    PageGraphSetList *pageList = m_fileGraphSetHash.insertPageGraphSetList(drawControl.getFourthValue(), fileIdAll);
    if (!pageList) {
        qWarning() << "the pageCount error, drawing dropped! fileIdAll:" << fileIdAll
                   << "pageCount:" << drawControl.getFourthValue();
        return;
    }
    // The list has one unused entry beyond its last page.
    if (pageId >= quint32(pageList->size() - 1)) {
        qWarning() << "the pageId error, drawing dropped! fileIdAll:" << fileIdAll << "pageId:" << pageId
                   << "size:" << pageList->size();
        return;
    }
    const quint32 graphSetId = pageList->selectGraphSetId(pageId);
    GraphSet *graphSet = graphSetId != 0 ? m_graphToIdHash.selectGraphSet(graphSetId) : nullptr;
    if (!graphSet) {
        graphSet = new GraphSet;
        const quint32 id = graphSet->getId();
        m_graphToIdHash.insertGraphSet(id, graphSet);
        m_graphToIdHash.insertFileIdAll(id, fileIdAll);
        m_graphToIdHash.insertPageId(id, pageId);
        m_graphToIdHash.insertPPtFileCount(id, drawControl.getFourthValue());
    }
    pageList->insertGraphSetId(pageId, graphSet->getId());
    graphSet->addPointSet(new PointSet(pptMessage.getDrawSignal()));
    if (m_board && m_board->graphSet() == graphSet)
        m_board->redrawGraphSet();
}

void PageCourseManager::slotSendDrawMsgAll(const QString &userId, quint32 &count)
{
    if (m_logReplayUser)
        qDebug() << "uid:" << userId;
    const QList<quint32> graphSetIds = m_graphToIdHash.graphSetIds();
    for (quint32 graphSetId : graphSetIds) {
        GraphSet *graphSet = m_graphToIdHash.selectGraphSet(graphSetId);
        if (!graphSet)
            continue;
        DrawControl drawControl;
        drawControl.setFileIdAll(m_graphToIdHash.selectUIntToFileIdAll(graphSetId));
        drawControl.setPageId(m_graphToIdHash.selectPageId(graphSetId));
        drawControl.setStepId(0);
        drawControl.setFourthValue(m_graphToIdHash.selectPPtFileCount(graphSetId));
        graphSet->lock();
        for (PointSet *pointSet : graphSet->getPointSets()) {
            PPtMessage pptMessage(PPtMessage::DrawOffline);
            pptMessage.setDrawControl(drawControl);
            pptMessage.resetDrawSignal(DrawSignal(*pointSet));
            if (CourseMessageForward::toPerson(userId, pptMessage))
                ++count;
        }
        graphSet->unlock();
    }
}
