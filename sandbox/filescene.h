#ifndef FILESCENE_H
#define FILESCENE_H

#include "sandbox/sandboxscene.h"

#include "tests/support/fakehttpserver.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>

// The class's shared files: a file server on a port of its own (the client's --host-file-port) that takes
// uploads, whole or in ranges, and serves the shared files with ranges; and the classroom server's answers to
// the file lines (the list, a file's address, deletion). An upload from the network-disk window (whole) joins
// the shared files once it is complete. Other scenes add their files with addSharedFile.
class FileScene : public SandboxScene
{
    Q_OBJECT
public:
    struct SharedFile
    {
        QString serverId;
        int courseType = 0;
        QString fileName;
        QByteArray content;
        QDateTime uploaded;
        bool archive = false; // a converted course file: a zip served as "<fileIdAll>.zip"
        QString fileIdAll() const { return serverId + "_" + QString::number(courseType); }
    };

    static const QByteArray uploadPath;
    static constexpr qint64 maxUploadSize = 210 * 1024 * 1024;

    explicit FileScene(ClassroomSandbox *sandbox);
    ~FileScene() override;

    bool install() override;
    quint16 filePort() const { return m_files->port(); }
    FakeHttpServer *fileServer() const { return m_files; }

    // Shares a file with the class; the course type follows the name's suffix unless given. Returns its fileIdAll.
    QString addSharedFile(const QString &fileName, const QByteArray &content, int courseType = -1);
    // Shares a course file as the server keeps it once converted: its folder zipped.
    QString addSharedArchive(const QString &fileName, const QByteArray &zip);
    QList<SharedFile> sharedFiles() const { return m_shared; }
    // The address the client downloads a shared file from.
    QString fileUrl(const SharedFile &file) const;
    // The list of the class's files (kind "2"), as the server answers the client's request.
    QString fileListLine() const;

    // The scene of a sandbox, null when it has none.
    static FileScene *of(ClassroomSandbox *sandbox);
    // 2 slide decks, 1 documents and pictures, 3 videos, 4 sound, 0 anything else.
    static int courseTypeOf(const QString &fileName);

signals:
    // An upload is complete: whole (type 1) or in ranges (type 2).
    void uploadFinished(const QString &userId, const QString &fileId, const QString &fileName, uint uploadType,
        const QByteArray &content);

private:
    struct Upload
    {
        QString fileName;
        QByteArray content;
    };

    QStringList answerFileLine(const QString &line);
    FakeHttpServer::Reply takeUpload(const FakeHttpServer::Request &request);
    QString share(SharedFile file);
    const SharedFile *findShared(const QString &fileIdAll) const;

    FakeHttpServer *m_files;
    QList<SharedFile> m_shared;
    QHash<QString, Upload> m_uploads; // ranged uploads under way, by the client's file id
    int m_nextId = 5001;
};

#endif // FILESCENE_H
