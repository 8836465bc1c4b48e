#ifndef COURSEFILESCENE_H
#define COURSEFILESCENE_H

#include "sandbox/classroomsandbox.h"
#include "sandbox/sandboxscene.h"

#include <QList>
#include <QString>
#include <QTemporaryDir>

class QProcess;

// The teacher's course files: an HTML deck, a picture deck and a short video, made at start in a folder of the
// scene's own and served zipped over HTTP with byte ranges. A while after the student joins a lesson the teacher
// shares them (file-info lines of kind "0" with flag 1) and the server sends the list of the class's files (kind
// "2"), which it also sends whenever the client asks for it.
class CourseFileScene : public SandboxScene
{
    Q_OBJECT
public:
    static constexpr int shareDelayMs = 2000;
    static constexpr int clipSeconds = 10;
    static constexpr int clipTimeoutMs = 60000;
    static constexpr const char *filePath = "/sandbox/coursefiles/";

    struct CourseFile
    {
        QString serverId; // the server's file id
        QString courseType; // the server's type number: "1" shared with a class
        QString fileName;
        QString folder; // what the archive holds, under the scene's folder
        QByteArray archive; // the zip
        QString fileIdAll() const { return serverId + "_" + courseType; }
    };

    explicit CourseFileScene(ClassroomSandbox *sandbox);
    ~CourseFileScene() override;

    bool install() override;

    // Tests share at once.
    void setShareDelay(int ms) { m_shareDelayMs = ms; }
    // The files that are ready to be served (the video only once it is made).
    QList<CourseFile> files() const { return m_files; }
    QString fileUrl(const CourseFile &file) const;
    // The file-info lines that share the files with the class, then the list line.
    QStringList shareLines() const;
    QString listLine() const;

signals:
    // Every file is ready, the video included, or its making failed.
    void filesReady();

private:
    bool makeHtmlDeck(CourseFile &file);
    bool makePictureDeck(CourseFile &file);
    void startClip();
    void clipFinished(bool ok);
    bool addFile(CourseFile file);
    void onLessonJoined(const ClassroomSandbox::Lesson &lesson);
    void onLine(const QString &line);

    QTemporaryDir m_dir;
    QList<CourseFile> m_files;
    QProcess *m_clipProcess = nullptr;
    bool m_ready = false;
    bool m_sharePending = false;
    int m_shareDelayMs = shareDelayMs;
    quint64 m_generation = 0;
};

#endif // COURSEFILESCENE_H
