#include "vrek/course/picturecoursemanager.h"

#include "vrek/course/courseislect.h"
#include "vrek/course/coursemessageforward.h"
#include "vrek/paint/drawboard.h"

#include <QDebug>
#include <QDir>
#include <QFile>

#include <algorithm>

namespace {
int pageNumber(const QString &path)
{
    const QString baseName = QFileInfo(path).completeBaseName();
    bool ok = false;
    const int number = baseName.mid(baseName.lastIndexOf('_') + 1).toInt(&ok, 10);
    return ok ? number : 0;
}
} // namespace

PictureCourseManager::PictureCourseManager(DrawBoard *board, QLabel *label, QObject *parent)
    : PageCourseManager(board, label, parent)
{
    m_warnPictureMissing = true;
}

PictureCourseManager::~PictureCourseManager() = default;

QString PictureCourseManager::logPrefix(const char *function) const
{
    if (qstrcmp(function, "slotDrawGraphIn") == 0)
        return QStringLiteral("PictureCourseManager::slotDrawGraphIn ");
    return QString();
}

QStringList PictureCourseManager::listPictures(const QString &folder)
{
    const QFileInfoList files
        = QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDir::Name | QDir::IgnoreCase);
    QList<QPair<int, QString>> pages;
    for (const QFileInfo &file : files)
        pages.append({ pageNumber(file.fileName()), file.absoluteFilePath() });
    std::stable_sort(pages.begin(), pages.end(),
        [](const QPair<int, QString> &a, const QPair<int, QString> &b) { return a.first < b.first; });
    QStringList paths;
    for (const auto &page : qAsConst(pages))
        paths.append(page.second);
    return paths;
}

bool PictureCourseManager::loadPicture(const QString &path, QImage &picture)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    if (bytes.isEmpty())
        return false;
    QString signature;
    if (bytes.size() >= 4) {
        const quint32 head = (quint32(quint8(bytes.at(0))) << 24) | (quint32(quint8(bytes.at(1))) << 16)
            | (quint32(quint8(bytes.at(2))) << 8) | quint32(quint8(bytes.at(3)));
        signature = QString::number(head, 16).left(6);
    }
    if (signature == QLatin1String("ffd8ff"))
        return picture.loadFromData(bytes, "JPG");
    if (signature == QLatin1String("89504e"))
        return picture.loadFromData(bytes, "PNG");
    return picture.load(path);
}

bool PictureCourseManager::openPictureFile(const QString &fileIdAll, GlobalEnum::PPMFromType from)
{
    qInfo() << "fileIdAll:" << fileIdAll << "from:" << from;
    const QString folder = courseFolder(fileIdAll);
    m_pictureList = folder.isEmpty() ? QStringList() : listPictures(folder);
    m_fileIdAll = fileIdAll;
    m_pageCount = m_pictureList.size();
    if (m_pictureList.isEmpty()) {
        qWarning() << "pictureFileList = 0!";
        leaveFile();
        return false;
    }
    QImage first;
    loadPicture(m_pictureList.first(), first);
    if (first.size().isEmpty()) {
        qWarning() << "pictureSize = 0!";
        leaveFile();
        return false;
    }
    if (!enterFile(m_pictureList.size())) {
        qWarning() << "pageCount error! pageCount:" << m_pictureList.size();
        leaveFile();
        return false;
    }
    m_pageSize = first.size();
    if (m_board)
        m_board->setDefaultSize(m_pageSize);
    int pageId = int(m_fileGraphSetHash.selectPageId(fileIdAll));
    if (pageId < 0 || pageId >= m_pageCount) {
        qWarning() << "the remembered pageId error! pageId:" << pageId << "pageCount:" << m_pageCount;
        pageId = 0;
    }
    switchBoardToPage(pageId, false);
    storePlace();

    const PPtMessage openMessage = message(PPtMessage::OpenFile);
    switch (from) {
    case GlobalEnum::PPMLocal:
        // The pad follows whatever this client shows; the class only what its lecturer shows.
        if (courseIsLect)
            CourseMessageForward::toClass(openMessage);
        emit signalSendPPtMessageOut(openMessage);
        break;
    default:
        sendByRule(openMessage, from);
        break;
    }
    sendOpenRate(openMessage, from);
    showPage();
    return true;
}

void PictureCourseManager::showPage()
{
    if (m_pageId >= 0 && m_pageId < m_pictureList.size())
        loadPicture(m_pictureList.at(m_pageId), m_pagePicture);
    layOut();
}

void PictureCourseManager::turnTo(int pageId, GlobalEnum::PPMFromType from)
{
    switchBoardToPage(pageId, true);
    storePlace();
    sendByRule(message(PPtMessage::PageChange), from);
    showPage();
}

bool PictureCourseManager::changePicturePage(int pageId, GlobalEnum::PPMFromType from)
{
    if (pageId < 0 || pageId >= m_pageCount || !isFileEntered()) {
        qWarning() << "PictureCourseManager::changePicturePage pageId:" << pageId << "pageCount:" << m_pageCount;
        return false;
    }
    if (from == GlobalEnum::PPMServer)
        emit signalSetPageCombox(pageId, m_pageCount);
    turnTo(pageId, from);
    return true;
}

bool PictureCourseManager::frontPicturePage(GlobalEnum::PPMFromType from)
{
    if (m_pageId <= 0) {
        qDebug() << "PictureCourseManager::frontPicturePage pageId <= 0!";
        return false;
    }
    // After a refused open the page may lie beyond the listed pictures.
    if (!isFileEntered() || m_pageId > m_pageCount) {
        qWarning() << "no picture file open! pageId:" << m_pageId << "pageCount:" << m_pageCount;
        return false;
    }
    turnTo(m_pageId - 1, from);
    return true;
}

bool PictureCourseManager::nextPicturePage(GlobalEnum::PPMFromType from)
{
    if (m_pageId + 1 >= m_pageCount || !isFileEntered()) {
        qDebug() << "PictureCourseManager::nextPicturePage pageId + 1 >= pageCount! pageId:" << m_pageId
                 << "pageCount:" << m_pageCount;
        return false;
    }
    turnTo(m_pageId + 1, from);
    return true;
}

bool PictureCourseManager::closePictureFile()
{
    if (isFileEntered())
        storeCurrentLayer();
    else
        qWarning() << "no picture file open! fileIdAll:" << m_fileIdAll;
    return true;
}

bool PictureCourseManager::changePictureRate(int rate, GlobalEnum::PPMFromType from)
{
    takeRate(rate, from);
    layOut();
    return true;
}

void PictureCourseManager::slotSendPictureLate(const QString &userId)
{
    sendPlaceLate(userId);
}

void PictureCourseManager::slotSetPicturePage(const QString &fileIdAll, int pageId)
{
    m_fileGraphSetHash.setPageId(fileIdAll, quint32(pageId));
}

void PictureCourseManager::slotSetPictureRate(int rate)
{
    m_rate = rate;
}
