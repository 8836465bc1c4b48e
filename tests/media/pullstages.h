#ifndef PULLSTAGES_H
#define PULLSTAGES_H

#include "vrek/media/pull/pullaudiostream.h"
#include "vrek/media/pull/pullreadallstream.h"
#include "vrek/media/pull/pullstreamcontext.h"
#include "vrek/media/pull/pullvideostream.h"

#include <QImage>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QThread>

#include <atomic>

// One pull's three stages on threads of their own, driven the way the engine drives them: open, initialise,
// start the decoders, then the read. Tears everything down in order, whatever state the test left it in.
class PullStages : public QObject
{
    Q_OBJECT
public:
    struct Picture
    {
        qint64 atMs;
        QImage image;
    };

    PullStages();
    ~PullStages() override;

    PullStreamContext context;
    PullReadAllStream *read;
    PullAudioStream *audio;
    PullVideoStream *video;

    bool open(const QString &url);
    // -1 when the stage did not answer.
    int initialiseVideo();
    int initialiseAudio(bool playAudio);
    bool startVideo();
    bool startAudio();
    void startRead();
    // All of it in the engine's order; a stream that shows up only after the open (nginx sends a late viewer
    // the pictures from the next keyframe on) is awaited and its stage started when it comes.
    bool startPull(bool withAudio, bool withVideo, bool playAudio = true);

    // Stops every loop, waits for their ends, resets the decoders and frees the input.
    void stop();
    bool waitForReadExit(int timeoutMs);

    QList<Picture> pictures() const;
    int pictureCount() const;
    void clearPictures();
    // Runs the event loop until n more pictures arrived.
    bool waitForPictures(int n, int timeoutMs);

    int readExits() const { return m_readExits; }

    // How often each stage's thread has gone to sleep and been woken (the kernel's voluntary context switches).
    long audioWakeups() const;
    long videoWakeups() const;

private:
    QThread m_readThread;
    QThread m_audioThread;
    QThread m_videoThread;
    mutable QMutex m_mutex;
    QList<Picture> m_pictures;
    int m_readExits = 0;
    std::atomic<bool> m_audioLoop { false };
    std::atomic<bool> m_videoLoop { false };
    long m_audioTid = 0;
    long m_videoTid = 0;
};

#endif // PULLSTAGES_H
