#ifndef REVIEWSCENE_H
#define REVIEWSCENE_H

#include "sandbox/sandboxscene.h"

#include "tests/support/fakehttpserver.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QTemporaryDir>

class ClipMaker;
struct MediaClip;

// Recorded lessons: the series of every tab of both demo accounts, their lessons (one series of 35, ordered by
// time as asked), deletion, and the recordings of a lesson, which play a clip the scene makes with the ffmpeg tool
// at start and serves from the REST port. Given the client's data folder, it leaves there a screen recording of
// the lecturer with its row in "TransferFile", as the class window's recorder does; the file scene takes its
// ranges, and the classroom server answers its record-file line with a converted recording.
class ReviewScene : public SandboxScene
{
    Q_OBJECT
public:
    struct Series
    {
        qint64 id = 0;
        QString title;
        QString subjectName;
        QString teacherName;
        int lessonType = 4;
        int lessonCount = 0;
    };

    static const QByteArray clipPath;
    // The series that pages: more lessons than one batch of the list, more than a full server page.
    static constexpr int longSeriesLessons = 35;
    static constexpr int pageSize = 20;
    // How long the classroom server "converts" an uploaded recording.
    static constexpr int convertMs = 1500;
    // In a run with a data folder, the recording's ranges wait until the client asks for the recorded lessons
    // (where the upload's progress shows), then each is answered after this long, so that the progress can be
    // watched.
    static constexpr int rangeDelayMs = 1000;
    // A clip not made by then will not be.
    static constexpr int clipTimeoutMs = 60000;

    explicit ReviewScene(ClassroomSandbox *sandbox);
    ~ReviewScene() override;

    bool install() override;

    QList<Series> series() const { return m_series; }
    // The address the recordings play.
    QString clipUrl() const;
    bool clipReady() const { return !m_clip.isEmpty(); }
    // The recording left in the data folder at start; empty without one.
    QString seededRecording() const { return m_seeded; }

    QByteArray courseReviewReply(const QString &lessonType, const QString &pageIndex) const;
    QByteArray lessonListReply(qint64 seriesId, int pageIndex, int countIndex, const QString &sortByTimes) const;
    QByteArray videoUrlReply(const QString &videoId) const;

    static ReviewScene *of(ClassroomSandbox *sandbox);

signals:
    void clipMade();

private:
    void makeClip();
    bool seedRecording();
    bool makeRecording(const MediaClip &clip, const QString &path) const;
    void slowRecordingRanges();
    void lecturerLooks();
    void answerRecordFile(const QString &line);
    const Series *findSeries(qint64 id) const;

    QList<Series> m_series;
    QTemporaryDir m_work;
    ClipMaker *m_clipMaker = nullptr;
    QByteArray m_clip;
    QString m_seeded;
    bool m_holdingRecording = false;
};

#endif // REVIEWSCENE_H
