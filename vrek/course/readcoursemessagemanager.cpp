#include "vrek/course/readcoursemessagemanager.h"

#include "vrek/container/coursefilehash.h"
#include "vrek/model/userfile.h"

#include <QDebug>

namespace {
const int pictureCourse = 1;
const int htmlCourse = 2;

// The record of a file; an empty one (course type 0, not downloaded) when the table does not know it.
UserFile courseFile(const QString &fileIdAll)
{
    UserFile file;
    g_courseFileHash.selectUserFile(fileIdAll, file);
    return file;
}
} // namespace

const QString ReadCourseMessageManager::defaultFileIdAll = QStringLiteral("AAAA_A");

ReadCourseMessageManager::ReadCourseMessageManager(QObject *parent)
    : QObject(parent)
    , m_currentFileIdAll(defaultFileIdAll)
    , m_requestFileIdAll(defaultFileIdAll)
{
    qRegisterMetaType<PPtMessage>("PPtMessage");
    qRegisterMetaType<DrawSignal>("DrawSignal");
    qRegisterMetaType<VideoCourseMessage>("VideoCourseMessage");
    qRegisterMetaType<GlobalEnum::PPMFromType>("GlobalEnum::PPMFromType");
    qRegisterMetaType<CtrlMessage::LateCtrlType>("CtrlMessage::LateCtrlType");
}

ReadCourseMessageManager::~ReadCourseMessageManager() = default;

void ReadCourseMessageManager::readPPtCourseMessage(PPtMessage message, GlobalEnum::PPMFromType from)
{
    const DrawControl &control = message.getDrawControl();
    const QString fileIdAll = control.getFileIdAll();
    const int courseType = courseFile(fileIdAll).getCourseType();
    switch (quint32(message.getPpmType())) {
    case PPtMessage::OpenFile:
        openFile(fileIdAll, courseType, control, from);
        break;
    case PPtMessage::PageChange:
        changePage(fileIdAll, courseType, control, from);
        break;
    case PPtMessage::DrawOnline:
        drawOnline(message, courseType, from);
        break;
    case PPtMessage::DrawOffline:
        drawOffline(message, courseType);
        emit signalLateCountInc(CtrlMessage::LateCourseDraw);
        break;
    case PPtMessage::FilePageId:
    case PPtMessage::BoardIdChange:
        break;
    case PPtMessage::BoardDrawOnline:
        emit signalBoardDrawGraph(message.getDrawSignal(), from);
        break;
    case PPtMessage::BoardDrawOffline:
        emit signalBoardDrawGraphAll(message);
        emit signalLateCountInc(CtrlMessage::LateBoardDraw);
        break;
    case PPtMessage::ScrollMove:
        scrollMove(message, courseType, from);
        break;
    case PPtMessage::ZoomChange:
        changeRate(message, courseType, from);
        break;
    default:
        qWarning() << "unknow ppmType:" << quint32(message.getPpmType());
        break;
    }
}

void ReadCourseMessageManager::openFile(
    const QString &fileIdAll, int courseType, const DrawControl &control, GlobalEnum::PPMFromType from)
{
    m_requestFileIdAll = fileIdAll;
    if (fileIdAll == defaultFileIdAll) {
        emit signalOpenDefaultView(from);
        return;
    }
    if (!courseFile(fileIdAll).isDownloaded()) {
        emit signalFileWanted(fileIdAll);
        return;
    }
    if (courseType == pictureCourse) {
        emit signalOpenFile(fileIdAll, from);
        emit signalChangePicturePage(int(control.getPageId()), from);
        m_currentFileIdAll = fileIdAll;
    } else if (courseType == htmlCourse) {
        emit signalOpenFile(fileIdAll, from);
        emit signalChangeHtmlStep(int(control.getPageId()), int(control.getStepId()), from);
        m_currentFileIdAll = fileIdAll;
    }
}

void ReadCourseMessageManager::changePage(
    const QString &fileIdAll, int courseType, const DrawControl &control, GlobalEnum::PPMFromType from)
{
    const bool current = fileIdAll == m_currentFileIdAll;
    const int pageId = int(control.getPageId());
    const int stepId = int(control.getStepId());
    if (courseType == pictureCourse) {
        if (current)
            emit signalChangePicturePage(pageId, from);
        else
            emit signalSetPicturePage(fileIdAll, pageId);
    } else if (courseType == htmlCourse) {
        if (current)
            emit signalChangeHtmlStep(pageId, stepId, from);
        else
            emit signalSetHtmlStep(fileIdAll, pageId, stepId);
    }
}

void ReadCourseMessageManager::drawOnline(const PPtMessage &message, int courseType, GlobalEnum::PPMFromType from)
{
    if (message.getDrawControl().getFileIdAll() == m_currentFileIdAll) {
        if (courseType == pictureCourse)
            emit signalPictureDrawGraph(message.getDrawSignal(), from);
        else if (courseType == htmlCourse)
            emit signalHtmlDrawGraph(message.getDrawSignal(), from);
        return;
    }
    // A stroke for a file that is not shown is kept for that file's page, as a replayed drawing.
    PPtMessage offline(message);
    offline.pptOnlineToOffline();
    drawOffline(offline, courseType);
}

void ReadCourseMessageManager::drawOffline(const PPtMessage &message, int courseType)
{
    if (courseType == pictureCourse)
        emit signalPictureDrawGraphAll(message);
    else if (courseType == htmlCourse)
        emit signalHtmlDrawGraphAll(message);
}

void ReadCourseMessageManager::scrollMove(const PPtMessage &message, int courseType, GlobalEnum::PPMFromType from)
{
    const QString fileIdAll = message.getDrawControl().getFileIdAll();
    if (fileIdAll != m_currentFileIdAll) {
        qWarning() << "file not open! fileIdAll:" << fileIdAll << "currentFileIdAll" << m_currentFileIdAll;
        return;
    }
    const QPoint point = message.getPoint();
    if (courseType == pictureCourse)
        emit signalPictureScrollAreaMove(point.x(), point.y(), from);
    else if (courseType == htmlCourse)
        emit signalHtmlScrollAreaMove(point.x(), point.y(), from);
}

void ReadCourseMessageManager::changeRate(const PPtMessage &message, int courseType, GlobalEnum::PPMFromType from)
{
    const bool current = message.getDrawControl().getFileIdAll() == m_currentFileIdAll;
    const int rate = message.getRate();
    if (courseType == pictureCourse) {
        if (current)
            emit signalChangePictureRate(rate, from);
        else
            emit signalSetPictureRate(rate);
    } else if (courseType == htmlCourse) {
        if (current)
            emit signalChangeHtmlRate(rate, from);
        else
            emit signalSetHtmlRate(rate);
    }
}

void ReadCourseMessageManager::readVideoCourseMessage(VideoCourseMessage message, GlobalEnum::PPMFromType from)
{
    const QString fileIdAll = message.getId();
    const int position = int(message.getValue1());
    const bool paused = message.getFlag();
    switch (message.getVcmType()) {
    case 0:
        m_requestFileIdAll = fileIdAll;
        if (courseFile(fileIdAll).isDownloaded()) {
            emit signalOpenFile(fileIdAll, from);
            emit signalVideoPause(paused, from);
            emit signalVideoRealTime(position, from);
            m_currentFileIdAll = fileIdAll;
        } else {
            emit signalFileWanted(fileIdAll);
        }
        break;
    case 1:
        if (fileIdAll == m_currentFileIdAll) {
            emit signalVideoPause(paused, from);
            emit signalVideoRealTime(position, from);
        } else {
            emit signalSetVideoState(fileIdAll, position, paused);
        }
        break;
    default:
        break;
    }
}

void ReadCourseMessageManager::slotFileDownloadFinish(QString fileIdAll)
{
    if (fileIdAll == m_currentFileIdAll || fileIdAll != m_requestFileIdAll)
        return;
    // The lecturer opened it while it was still downloading.
    emit signalOpenFile(fileIdAll, GlobalEnum::PPMServer);
    m_currentFileIdAll = fileIdAll;
}
