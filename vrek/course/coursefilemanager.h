#ifndef COURSEFILEMANAGER_H
#define COURSEFILEMANAGER_H

#include "vrek/dao/userfiledao.h"
#include "vrek/message/ctrlmessage.h"
#include "vrek/model/userfile.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>

class QFileInfo;
class QTimer;
class SocketClientManager;

// Keeps the signed-in user's received course files (fileRecv/<userId>), their rows in the table "UserFile" and
// the process-wide course file table in step with each other and with the classroom server: reads the
// file-info lines, records downloads as they start and end, drops files and purges old or broken copies.
class CourseFileManager : public QObject
{
    Q_OBJECT
public:
    // Folders at least this many days old are purged.
    static constexpr qint64 historyDays = 3;
    // While a download waits for room on the disk, the room is looked at this often.
    static constexpr int roomCheckMs = 5000;

    // connection: where the file-info lines come from and registrations go; the program's one classroom
    // connection when null.
    explicit CourseFileManager(QObject *parent = nullptr, SocketClientManager *connection = nullptr);
    ~CourseFileManager() override;

    // When a folder came to be: its birth time where the file system records one, else its last change.
    static QDateTime folderCreationTime(const QFileInfo &folder);

    // Purges the user's folder against the stored rows; now is the current local time.
    bool verifyLocalFile(const QDateTime &now = QDateTime::currentDateTime());
    void addCourseFile(UserFile &file);
    void removeFileAndDir(const QString &fileIdAll);
    bool removeDBGetFileRecord(const QString &id);
    // Tests look more often.
    void setRoomCheckInterval(int ms);
    // The downloads that wait for room on the disk.
    QStringList filesWaitingForRoom() const { return m_roomWaits.keys(); }

signals:
    void signalAddCourseFileOut(QString fileIdAll, QString fileName);
    void signalCourseFileProgress(QString fileIdAll, int progress);
    void signalRemoveLocalFileOut(QString fileIdAll);
    void signalFileDownloadFinish(QString fileIdAll);
    void signalLateCountInc(CtrlMessage::LateCtrlType type);
    void signalReadFileList(QList<UserFile> files);
    void signalGetFileResult(QString fileIdAll, QString fileName, QString fileUrl, int fileFlag);
    void signalCourseFileResult(QString oldId, QString fileIdAll, QString fileName, int result);
    void signalDeleteFileResult(QString fileIdAll, int result);
    // A text for the student: a course file could not be downloaded.
    void signalCourseFileTip(QString text);

public slots:
    void slotProtocolAnalysis(QString line);
    void slotGetFileStart(QString fileIdAll, QString fileName, QString fileUrl);
    void slotGetFileResult(QString fileIdAll, bool ok);
    // The download did not fit on the disk: it is fetched again once there is room.
    void slotGetFileNoRoom(QString fileIdAll, qint64 neededBytes);
    // The lecturer opened a file that is not here: one whose download failed is fetched again.
    void slotFileWantedIn(QString fileIdAll);
    void slotRemoveLocalFile(QString fileIdAll);
    void slotLocalFileUpdate(QList<UserFile> files);

private:
    SocketClientManager *connection() const;
    void readOfferedFile(const QStringList &fields, const QString &line);
    void readFileList(const QStringList &fields, const QString &line);
    // A row that claims a download no download of this manager is making: left by an earlier lesson, or by a
    // failure whose row could not be deleted. Nothing of such a file counts as present.
    bool isStaleRow(const QString &fileIdAll) const;
    void dropStaleFile(const QString &fileIdAll);

    QPointer<SocketClientManager> m_connection;
    UserFileDao m_userFileDao;
    QSet<QString> m_loading; // the files whose downloads this manager started and that have not ended
    struct Offer
    {
        QString fileName;
        QString fileUrl;
    };
    QHash<QString, Offer> m_failed; // downloads that failed in this lesson, to fetch again
    QHash<QString, qint64> m_noRoom; // of the running downloads, those told not to fit, with the room needed
    struct RoomWait
    {
        qint64 neededBytes = -1;
        qint64 freeAtFailure = -1;
    };
    QHash<QString, RoomWait> m_roomWaits; // failed for room, fetched again once the disk has it
    QHash<QString, Offer> m_offers; // the running downloads
    QSet<QString> m_unrecorded; // of the running downloads, those whose row a full disk refused
    QTimer *m_roomTimer;

    void fetchAgain(const QString &fileIdAll);
    // Fetched again once the disk has room (and neededBytes, when known); the student is told when tell is set.
    void waitForRoom(const QString &fileIdAll, qint64 neededBytes, bool tell);
    // A download that is here but whose row could not be written: dropped, and fetched again once there is room
    // when the disk was full.
    void notStored(const QString &fileIdAll, const Offer &offer);
    void checkRoom();
};

#endif // COURSEFILEMANAGER_H
