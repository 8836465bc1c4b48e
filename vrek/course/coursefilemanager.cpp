#include "vrek/course/coursefilemanager.h"

#include "vrek/container/coursefilehash.h"
#include "vrek/dao/dbmanager.h"
#include "vrek/socketclientmanager.h"
#include "vrek/transferfile/diskroom.h"
#include "vrek/transferfile/localfiletool.h"
#include "vrek/transferfile/receivedfilepath.h"
#include "vrek/utils/fileutil.h"
#include "vrek/utils/globalfunc.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/stringutil.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QStringList>
#include <QTimer>

namespace {
const int uploadDateLength = 16; // "yyyy-MM-dd hh:mm"
const char *const downloadFailText = "下载失败，请稍后重试！";
const char *const fetchingAgainText = "老师打开的课件正在重新下载，请稍候";

// A file id from the server names a folder, so anything but one plain path element is refused before the
// table or the disk is touched.
bool refused(const QString &fileIdAll)
{
    if (ReceivedFilePath::isValidFileId(fileIdAll))
        return false;
    qWarning() << "the fileId is not a plain name! fia:" << fileIdAll;
    return true;
}

QString fileFolder(const QString &fileIdAll)
{
    return ReceivedFilePath::fileFolder(g_userId, fileIdAll);
}

// Whether a file-info line has the fields its kind needs; logs the kind's warning when not.
bool enoughFields(const QStringList &fields, int needed, const char *warning, const QString &line)
{
    if (fields.size() >= needed)
        return true;
    qWarning() << warning << "msg:" << line;
    return false;
}
} // namespace

CourseFileManager::CourseFileManager(QObject *parent, SocketClientManager *connection)
    : QObject(parent)
    , m_connection(connection)
    , m_roomTimer(new QTimer(this))
{
    m_roomTimer->setInterval(roomCheckMs);
    connect(m_roomTimer, &QTimer::timeout, this, &CourseFileManager::checkRoom);
    qRegisterMetaType<UserFile>("UserFile");
    qRegisterMetaType<QList<UserFile>>("QList<UserFile>");
    qRegisterMetaType<CtrlMessage::LateCtrlType>("CtrlMessage::LateCtrlType");
    qInfo() << "userId:" << g_userId;
    if (SocketClientManager *manager = this->connection())
        connect(manager, &SocketClientManager::signalFileInfoProtocol, this, &CourseFileManager::slotProtocolAnalysis);
    else
        qWarning() << "no classroom connection!";
}

CourseFileManager::~CourseFileManager() = default;

SocketClientManager *CourseFileManager::connection() const
{
    return m_connection ? m_connection.data() : g_socketClientManager;
}

QDateTime CourseFileManager::folderCreationTime(const QFileInfo &folder)
{
    const QDateTime born = folder.birthTime();
    return born.isValid() ? born : folder.lastModified();
}

void CourseFileManager::slotProtocolAnalysis(QString line)
{
    const QStringList fields = line.split('\t');
    if (!enoughFields(fields, 3, "the msgListSize < 3 error! ", line))
        return;
    const QString kind = fields.at(1);
    if (kind == "0" || kind == "1") {
        readOfferedFile(fields, line);
    } else if (kind == "2") {
        readFileList(fields, line);
    } else if (kind == "3") {
        if (!enoughFields(fields, 6, "the msgListSize != 6 error! ", line))
            return;
        if (SocketClientManager *manager = connection())
            manager->sendWebFile(fields.at(2) + "_" + fields.at(5));
    } else if (kind == "5") {
        if (!enoughFields(fields, 5, "the msgListSize < 5 error!", line))
            return;
        emit signalDeleteFileResult(fields.at(2) + "_" + fields.at(3), fields.at(4).toInt());
    } else if (kind == "6") {
        if (!enoughFields(fields, 8, "the msgListSize < 8 error! ", line))
            return;
        if (fields.at(2).isEmpty() || fields.at(7).isEmpty()) {
            qWarning() << "the fileName or fileId is empty! " << line;
            return;
        }
        emit signalCourseFileResult(
            fields.at(2), fields.at(3) + "_" + fields.at(5), fields.at(6), fields.at(7).toInt());
    } else {
        qWarning() << "the msgType unknown error! "
                   << "msg:" << line;
    }
}

void CourseFileManager::readOfferedFile(const QStringList &fields, const QString &line)
{
    if (!enoughFields(fields, 6, "the msgListSize < 6 error! ", line))
        return;
    const QString fileName = fields.at(2);
    const QString fileIdAll = fields.at(3);
    const QString fileUrl = fields.at(4);
    const QString fileFlag = fields.at(5);
    if (fileIdAll.isEmpty() || fileFlag.isEmpty()) {
        qWarning() << "fileIdAll or fileFlag is empty!";
        return;
    }
    if (refused(fileIdAll))
        return;
    UserFile file;
    file.setId(fileIdAll, g_userId);
    bool exists = false;
    if (m_userFileDao.verifyUserFileById(file.getId(), exists) && exists) {
        if (!isStaleRow(fileIdAll)) {
            // Already downloading or stored: one more course file item of a late joiner's replay.
            emit signalLateCountInc(CtrlMessage::LateCourseFile);
            return;
        }
        dropStaleFile(fileIdAll);
    }
    emit signalGetFileResult(fileIdAll, fileName, fileUrl, fileFlag.toInt());
}

void CourseFileManager::readFileList(const QStringList &fields, const QString &line)
{
    if (fields.size() != 3)
        qWarning() << "the msgListSize != 3 error! "
                   << "msg:" << line;
    JsonRows rows;
    if (!StringUtil::jsonToList(fields.at(2), rows))
        return;
    QList<UserFile> files;
    // Only a list read whole says which files the lesson has: a refused entry may have named any of them.
    bool whole = true;
    for (const QMap<QString, QVariant> &row : qAsConst(rows)) {
        const QString id = row.value("id").toString();
        const QString courseType = row.value("courseType").toString();
        const QString fileIdAll = id + "_" + courseType;
        if (id.isEmpty() || courseType.isEmpty() || refused(fileIdAll)) {
            whole = false;
            continue;
        }
        UserFile file;
        file.setId(fileIdAll, g_userId);
        file.setFileName(row.value("fileName").toString());
        file.setFileSize(row.value("fileSize").toString());
        file.setUploadDate(row.value("uploadDate").toString().left(uploadDateLength));
        file.setCourseType(file.getFileName());
        files.append(file);
    }
    if (whole)
        slotLocalFileUpdate(files);
    else
        qWarning() << "the file list has refused entries, no file is dropped! msg:" << line;
    emit signalReadFileList(files);
}

void CourseFileManager::slotGetFileStart(QString fileIdAll, QString fileName, QString fileUrl)
{
    qInfo() << "fia:" << fileIdAll << "fileName:" << fileName << "fileUrl:" << fileUrl;
    if (refused(fileIdAll))
        return;
    UserFile file;
    file.setId(fileIdAll, g_userId);
    bool exists = false;
    if (!m_userFileDao.verifyUserFileById(file.getId(), exists) || exists)
        return;
    file.setFileName(fileName);
    file.setFileUrl(fileUrl);
    file.setDownloadStart(1);
    file.setStatus(1);
    file.setCourseType(fileName);
    if (!m_userFileDao.saveUserFile(file)) {
        qWarning() << "the dataBase save fail! fid:" << file.getId();
        if (!DBManager::lastFailureWasNoRoom())
            return;
        // The download is under way already: it is followed all the same, and the file is stored if its row can
        // be written once it is here; otherwise it waits for room like a download that did not fit.
        m_loading.insert(fileIdAll);
        m_offers.insert(fileIdAll, { fileName, fileUrl });
        m_failed.remove(fileIdAll);
        m_roomWaits.remove(fileIdAll);
        m_unrecorded.insert(fileIdAll);
        emit signalCourseFileTip(DiskRoom::noRoomText(DiskRoom::freeBytes()));
        return;
    }
    g_courseFileHash.updateUserFile(file);
    m_loading.insert(fileIdAll);
    m_offers.insert(fileIdAll, { fileName, fileUrl });
    m_failed.remove(fileIdAll);
    m_roomWaits.remove(fileIdAll);
    emit signalAddCourseFileOut(fileIdAll, fileName);
    emit signalCourseFileProgress(fileIdAll, 0);
}

bool CourseFileManager::isStaleRow(const QString &fileIdAll) const
{
    if (m_loading.contains(fileIdAll))
        return false;
    QList<UserFile> stored;
    if (!m_userFileDao.selectUserFileList(g_userId, stored, 0))
        return false;
    for (const UserFile &file : qAsConst(stored)) {
        if (file.getFileIdAll() == fileIdAll)
            return false;
    }
    return true;
}

void CourseFileManager::dropStaleFile(const QString &fileIdAll)
{
    qInfo() << "the download of an earlier lesson is dropped fia:" << fileIdAll;
    UserFile file;
    file.setId(fileIdAll, g_userId);
    removeFileAndDir(fileIdAll);
    removeDBGetFileRecord(file.getId());
}

void CourseFileManager::slotGetFileResult(QString fileIdAll, bool ok)
{
    qInfo() << "fia:" << fileIdAll << "ok:" << ok;
    if (refused(fileIdAll))
        return;
    m_loading.remove(fileIdAll);
    const Offer offer = m_offers.take(fileIdAll);
    const bool noRoom = m_noRoom.contains(fileIdAll);
    const qint64 needed = m_noRoom.take(fileIdAll);
    // The student was told of the full disk when its row was refused.
    const bool told = m_unrecorded.remove(fileIdAll);
    if (!ok) {
        slotRemoveLocalFile(fileIdAll);
        if (!offer.fileUrl.isEmpty())
            m_failed.insert(fileIdAll, offer);
        if (noRoom && !offer.fileUrl.isEmpty())
            waitForRoom(fileIdAll, needed, !told);
        else
            emit signalCourseFileTip(QString::fromUtf8(downloadFailText));
        return;
    }
    UserFile file;
    if (told) {
        // Here, but not stored: its row, written now, makes it a course file like any other.
        file.setId(fileIdAll, g_userId);
        file.setFileName(offer.fileName);
        file.setFileUrl(offer.fileUrl);
        file.setDownloadStart(1);
        file.setCourseType(offer.fileName);
        file.setStatus(2);
        unsigned int count = 0;
        if (FileUtil::dirFileCount(fileFolder(fileIdAll), count))
            file.setFileCount(count);
        if (!m_userFileDao.saveUserFile(file)) {
            qWarning() << "the dataBase save fail! fid:" << file.getId();
            notStored(fileIdAll, offer);
            return;
        }
        file.setDownloaded(true);
        g_courseFileHash.updateUserFile(file);
        emit signalAddCourseFileOut(fileIdAll, offer.fileName);
    } else {
        if (!g_courseFileHash.selectUserFile(fileIdAll, file))
            return;
        file.setStatus(2);
        file.setDownloaded(true);
        g_courseFileHash.updateUserFile(file);
        if (m_userFileDao.selectUserFileById(file)) {
            unsigned int count = 0;
            if (FileUtil::dirFileCount(fileFolder(fileIdAll), count)) {
                file.setFileCount(count);
                if (m_userFileDao.saveUserFile(file)) {
                    g_courseFileHash.updateUserFile(file);
                } else {
                    qWarning() << "the dataBase save fail! fid:" << file.getId();
                    // A row left at its first stage is dropped at the next start with its folder: the file is not
                    // kept, and is not shown as kept.
                    if (DBManager::lastFailureWasNoRoom()) {
                        notStored(fileIdAll, offer);
                        return;
                    }
                }
            }
        }
    }
    emit signalLateCountInc(CtrlMessage::LateCourseFile);
    // The button opens at a full share; a download of unknown length never reports one on its way.
    emit signalCourseFileProgress(fileIdAll, 1000);
    emit signalFileDownloadFinish(fileIdAll);
}

void CourseFileManager::setRoomCheckInterval(int ms)
{
    m_roomTimer->setInterval(ms);
}

void CourseFileManager::slotGetFileNoRoom(QString fileIdAll, qint64 neededBytes)
{
    if (m_loading.contains(fileIdAll))
        m_noRoom.insert(fileIdAll, neededBytes);
}

void CourseFileManager::checkRoom()
{
    const qint64 free = DiskRoom::freeBytes();
    for (const QString &fileIdAll : m_roomWaits.keys()) {
        // Room is there once the disk has more free than when the file did not fit, and enough for the file; a
        // limit of the process's own (no larger file allowed) leaves the room as it was, and nothing is tried.
        const RoomWait wait = m_roomWaits.value(fileIdAll);
        if (free < 0 || free <= wait.freeAtFailure || (wait.neededBytes > 0 && free < wait.neededBytes))
            continue;
        qInfo() << "room for the file now, fetched again fia:" << fileIdAll << "free:" << free;
        fetchAgain(fileIdAll);
    }
    if (m_roomWaits.isEmpty())
        m_roomTimer->stop();
}

void CourseFileManager::slotFileWantedIn(QString fileIdAll)
{
    if (!m_failed.contains(fileIdAll) || m_loading.contains(fileIdAll))
        return;
    emit signalCourseFileTip(QString::fromUtf8(fetchingAgainText));
    fetchAgain(fileIdAll);
}

void CourseFileManager::waitForRoom(const QString &fileIdAll, qint64 neededBytes, bool tell)
{
    // Trying again at once would fail again: it waits for room, which is looked at now and then.
    const qint64 free = DiskRoom::freeBytes();
    m_roomWaits.insert(fileIdAll, { neededBytes, free });
    if (!m_roomTimer->isActive())
        m_roomTimer->start();
    if (tell)
        emit signalCourseFileTip(DiskRoom::noRoomText(free));
}

void CourseFileManager::notStored(const QString &fileIdAll, const Offer &offer)
{
    const bool noRoom = DBManager::lastFailureWasNoRoom();
    slotRemoveLocalFile(fileIdAll);
    if (!offer.fileUrl.isEmpty())
        m_failed.insert(fileIdAll, offer);
    if (noRoom && !offer.fileUrl.isEmpty())
        waitForRoom(fileIdAll, -1, true);
    else
        emit signalCourseFileTip(QString::fromUtf8(downloadFailText));
}

void CourseFileManager::fetchAgain(const QString &fileIdAll)
{
    m_roomWaits.remove(fileIdAll);
    const Offer offer = m_failed.take(fileIdAll);
    if (offer.fileUrl.isEmpty())
        return;
    // A first-stage row the full disk kept from going would hold the new download back.
    UserFile file;
    file.setId(fileIdAll, g_userId);
    bool exists = false;
    if (m_userFileDao.verifyUserFileById(file.getId(), exists) && exists && isStaleRow(fileIdAll))
        removeDBGetFileRecord(file.getId());
    // As when the server offered it: the transfer list takes it and the download starts.
    emit signalGetFileResult(fileIdAll, offer.fileName, offer.fileUrl, 1);
}

void CourseFileManager::slotRemoveLocalFile(QString fileIdAll)
{
    if (fileIdAll.isEmpty())
        return;
    if (refused(fileIdAll))
        return;
    UserFile file;
    if (g_courseFileHash.selectUserFile(fileIdAll, file)) {
        file.setDownloaded(false);
        g_courseFileHash.updateUserFile(file);
    }
    // The files go first: a row that outlives them (a full disk refuses the database too) is at worst a stale
    // claim, which the next offer or purge clears; files without a row would look stored.
    removeFileAndDir(fileIdAll);
    removeDBGetFileRecord(file.getId());
    emit signalRemoveLocalFileOut(fileIdAll);
}

void CourseFileManager::removeFileAndDir(const QString &fileIdAll)
{
    LocalFileTool().removeFileAndDir(fileIdAll);
}

bool CourseFileManager::removeDBGetFileRecord(const QString &id)
{
    if (!m_userFileDao.deleteUserFileById(id)) {
        qWarning() << "the dataBase remove fail! dbfid:" << id;
        return false;
    }
    return true;
}

void CourseFileManager::addCourseFile(UserFile &file)
{
    const QString fileIdAll = file.getFileIdAll();
    qInfo() << "fia:" << fileIdAll;
    if (!g_courseFileHash.containsUserFile(fileIdAll)) {
        file.setDownloaded(true);
        g_courseFileHash.updateUserFile(file);
        const QStringList parts = fileIdAll.split('_');
        if (GlobalFunc::isCurrentUserLect() && parts.size() == 2) {
            if (SocketClientManager *manager = connection())
                manager->sendTFile(parts.at(0), "0", g_classId);
        }
    }
    emit signalAddCourseFileOut(fileIdAll, file.getFileName());
}

void CourseFileManager::slotLocalFileUpdate(QList<UserFile> files)
{
    qInfo() << "size:" << files.size();
    QSet<QString> listed;
    for (const UserFile &file : qAsConst(files))
        listed.insert(file.getFileIdAll());
    QList<UserFile> stored;
    if (!m_userFileDao.selectUserFileList(g_userId, stored, 0)) {
        qCritical() << "the select error! ";
        return;
    }
    for (const UserFile &file : qAsConst(stored)) {
        // Files of the user's own network disk ("_0") are not on the class's list.
        if (file.getFileIdAll().endsWith("_0") || listed.contains(file.getFileIdAll()))
            continue;
        removeDBGetFileRecord(file.getId());
        emit signalRemoveLocalFileOut(file.getFileIdAll());
    }
    verifyLocalFile();
}

bool CourseFileManager::verifyLocalFile(const QDateTime &now)
{
    QList<UserFile> stored;
    if (!m_userFileDao.selectUserFileList(g_userId, stored, 0)) {
        qCritical() << "the select error! ";
        return false;
    }
    QHash<QString, UserFile> rows;
    for (const UserFile &file : qAsConst(stored))
        rows.insert(file.getFileIdAll(), file);
    // Files of this run that are still downloading: their folders may be being unpacked right now.
    QList<UserFile> storedOrLoading;
    if (!m_userFileDao.selectUserFileList(g_userId, storedOrLoading, 1)) {
        qCritical() << "the select error! ";
        return false;
    }
    QSet<QString> loading;
    QList<UserFile> stale;
    for (const UserFile &file : qAsConst(storedOrLoading)) {
        if (rows.contains(file.getFileIdAll()))
            continue;
        if (m_loading.contains(file.getFileIdAll()))
            loading.insert(file.getFileIdAll());
        else
            stale.append(file);
    }
    for (const UserFile &file : qAsConst(stale)) {
        if (ReceivedFilePath::isValidFileId(file.getFileIdAll()))
            removeFileAndDir(file.getFileIdAll());
        removeDBGetFileRecord(file.getId());
    }

    const QString path = ReceivedFilePath::userFolder(g_userId);
    if (!FileUtil::dirExists(path)) {
        if (!FileUtil::dirMakePath(path))
            qWarning() << "the pathMakeRel fail! path:" << path;
    } else {
        const QFileInfoList folders
            = QDir(FileUtil::toAbsolutePath(path))
                  .entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks | QDir::Hidden | QDir::System);
        for (const QFileInfo &folder : folders) {
            const QString name = folder.fileName();
            if (loading.contains(name))
                continue;
            const qint64 ageDays = folderCreationTime(folder).secsTo(now) / (24 * 3600);
            if (ageDays >= historyDays && FileUtil::dirRemove(folder.absoluteFilePath()))
                qInfo() << "delete history files!" << name;
            unsigned int count = 0;
            const auto row = rows.find(name);
            if (FileUtil::dirFileCount(folder.absoluteFilePath(), count) && row != rows.end()
                && count == row->getFileCount()) {
                UserFile file = row.value();
                // The row gives id, name, address and count; the rest follows from them.
                file.setStatus(2);
                file.setCourseType(file.getFileName());
                addCourseFile(file);
                rows.erase(row);
            } else {
                removeFileAndDir(name);
            }
        }
    }
    for (const UserFile &file : qAsConst(rows))
        removeDBGetFileRecord(file.getId());
    return true;
}
