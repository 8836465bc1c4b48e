#ifndef LESSONSCRIPTSCENE_H
#define LESSONSCRIPTSCENE_H

#include "sandbox/classroomsandbox.h"
#include "sandbox/cueplayer.h"
#include "sandbox/sandboxscene.h"

#include <QList>
#include <QString>
#include <QStringList>

// The teacher's lesson over the course files of the course-file scene, played for the demo student once the files
// are shared (and had a while to download): the HTML deck is opened and its slides and steps turn every few
// seconds, a freehand stroke is drawn on slide 2, the deck is zoomed to 125 % and scrolled, the picture deck is
// opened and its pages turned, then the class switches to the blank board, where the teacher draws. Every line
// is a classroom text forwarded to the class, written here by hand as the teacher's client writes it. A lesson is
// taught once: a student who comes back to it gets the lecturer's replay instead.
class LessonScriptScene : public SandboxScene
{
    Q_OBJECT
public:
    // From the share to the first line: time for the downloads.
    static constexpr int startDelayMs = 4000;
    // Between two cues of the script.
    static constexpr int beatMs = 3000;
    // Between two steps of a stroke, as the teacher's board sends them.
    static constexpr int strokeStepMs = 60;

    explicit LessonScriptScene(ClassroomSandbox *sandbox);
    ~LessonScriptScene() override;

    bool install() override;
    // Tests play faster.
    void setPace(int startDelay, int beat);

    // The lines of the script for the deck, the picture deck and the lesson's teacher, in order.
    static QStringList scriptLines(const QString &deckId, const QString &picturesId, const QString &teacherId);

signals:
    // Each line as it is sent.
    void played(QString line);
    void finished();

private:
    using Cue = CuePlayer::Cue;

    static QList<Cue> script(const QString &deckId, const QString &picturesId, const QString &teacherId, int beat);
    void onFilesShared();
    void start();
    void stop();

    CuePlayer *m_player;
    int m_startDelayMs = startDelayMs;
    int m_beatMs = beatMs;
    bool m_inLesson = false;
    quint64 m_generation = 0;
};

#endif // LESSONSCRIPTSCENE_H
