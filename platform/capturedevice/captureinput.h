#ifndef CAPTUREINPUT_H
#define CAPTUREINPUT_H

#include "platform/capturedevice/capturesource.h"
#include "platform/capturedevice/pcmchunker.h"

#include <atomic>
#include <cstdint>

struct AVFormatContext;
struct AVPacket;

// One open camera or microphone. Every call that can block (opening, probing, reading) ends as soon as the
// owner's running flag is cleared or its time limit has passed, and a device that keeps failing is read again
// only after a growing pause, so that a broken device neither hangs its thread nor spins a core. The sound of
// a microphone can be handed out in blocks of one fixed duration, whatever the device delivers at a time.
class CaptureInput
{
public:
    enum OpenResult {
        OpenOk = 0,
        OpenNoSource, // the name resolved to no device
        OpenFormatNotFound, // FFmpeg lacks the input format, or cannot be loaded
        OpenOptionFailed,
        OpenInputFailed, // avformat_open_input
        OpenStreamInfoFailed, // avformat_find_stream_info
    };

    // Makes FFmpeg's capture devices known (FfmpegLoader); false when FFmpeg cannot be loaded.
    static bool registerDevices();

    static constexpr int openLimitMs = 5000;
    // A device that delivers nothing for this long has failed this read.
    static constexpr int readLimitMs = 2000;
    static constexpr int pollMs = 2;
    static constexpr int firstBackoffMs = 10;
    static constexpr int maxBackoffMs = 200;

    CaptureInput();
    ~CaptureInput();

    // The owner's running flag; while it is false every wait and blocking call ends at once. May be null.
    void setRunningFlag(const std::atomic<bool> *running) { m_running = running; }
    void setLimits(int openMs, int readMs);

    OpenResult open(const CaptureSource &source, int *ffmpegError = nullptr);
    void close();
    bool isOpen() const { return m_input != nullptr; }
    AVFormatContext *formatContext() const { return m_input; }

    // Reads only this stream from now on.
    void selectStream(int streamIndex) { m_streamIndex = streamIndex; }
    // From now on each read hands out exactly this much sound of the selected stream: false when the stream is
    // not raw sound (its packets are then handed out as they come).
    bool setAudioBlock(int milliseconds);
    int audioBlockSamples() const { return m_blockSamples; }

    // One packet into packet (owned by the caller, unreferenced first): 0 or an FFmpeg error; AVERROR_EXIT
    // when stopped. Waits while the device has nothing yet, at most the read limit.
    int read(AVPacket *packet);
    // Failed reads in a row.
    int failuresInRow() const { return m_failures; }

    static int interruptCallback(void *opaque);

    CaptureInput(const CaptureInput &) = delete;
    CaptureInput &operator=(const CaptureInput &) = delete;

private:
    bool stopRequested() const;
    void arm(int limitMs);
    void disarm() { m_deadlineMs.store(0); }
    // Sleeps in short steps; false when stopped meanwhile.
    bool pause(int ms) const;
    int readDevice(AVPacket *packet);
    int readBlock(AVPacket *packet);
    static int64_t nowMs();

    AVFormatContext *m_input = nullptr;
    AVPacket *m_work = nullptr;
    const std::atomic<bool> *m_running = nullptr;
    std::atomic<int64_t> m_deadlineMs { 0 };
    int m_openLimitMs = openLimitMs;
    int m_readLimitMs = readLimitMs;
    int m_streamIndex = -1;
    int m_failures = 0;
    PcmChunker m_chunker;
    int m_blockSamples = 0;
};

#endif // CAPTUREINPUT_H
