#ifndef COURSEFILEMANAGER_H
#define COURSEFILEMANAGER_H

#include "vrek/dao/userfiledao.h"
#include "vrek/message/ctrlmessage.h"
#include "vrek/model/userfile.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>

class QFileInfo;
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
};

#endif // COURSEFILEMANAGER_H
