#ifndef COURSEFILESCENE_H
#define COURSEFILESCENE_H

#include "sandbox/classroomsandbox.h"
#include "sandbox/filescene.h"
#include "sandbox/sandboxscene.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class ClipMaker;

// The teacher's course files: an HTML deck, a picture deck and a short H.264 video, made at start in a folder
// of the scene's own and shared zipped through the file scene (its file server and its list of the class's files).
// A while after the student joins a lesson the teacher shares them (file-info lines of kind "0" with flag 1),
// followed by the list of the class's files (kind "2").
class CourseFileScene : public SandboxScene
{
    Q_OBJECT
public:
    static constexpr int shareDelayMs = 2000;
    static constexpr int clipSeconds = 10;
    static constexpr int clipTimeoutMs = 60000;

    explicit CourseFileScene(ClassroomSandbox *sandbox);
    ~CourseFileScene() override;

    bool install() override;

    // Tests share at once.
    void setShareDelay(int ms) { m_shareDelayMs = ms; }
    // Whether the video has been made or given up.
    bool isReady() const { return m_ready; }
    // The fileIdAll of each course file shared so far.
    QStringList fileIds() const { return m_fileIds; }
    // The fileIdAll of the first course file of a course type shared so far (2 the HTML deck, 1 the picture deck,
    // 3 the clip); empty when there is none.
    QString fileIdOfType(int courseType) const;
    // The file-info lines that share the files with the class, then the list line.
    QStringList shareLines() const;

signals:
    // Every file is ready, the video included, or its making failed.
    void filesReady();
    // The files have been shared with the class of the joined lesson.
    void filesShared();

private:
    bool makeHtmlDeck(const QString &folder);
    bool makePictureDeck(const QString &folder);
    void startClip();
    void clipFinished(bool ok);
    // Zips the folder and shares it; false when that fails.
    bool share(const QString &fileName, const QString &folder);
    void onLessonJoined();
    void shareWithClass();

    FileScene *m_fileScene = nullptr;
    QTemporaryDir m_dir;
    QStringList m_fileIds;
    ClipMaker *m_clipMaker = nullptr;
    bool m_ready = false;
    bool m_sharePending = false;
    int m_shareDelayMs = shareDelayMs;
    quint64 m_generation = 0;
};

#endif // COURSEFILESCENE_H
