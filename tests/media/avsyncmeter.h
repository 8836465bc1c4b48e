#ifndef AVSYNCMETER_H
#define AVSYNCMETER_H

#include <QImage>

#include <cstdint>
#include <mutex>
#include <vector>

// Times a publisher's flash and beep (FfmpegPublisher::Options::beepSeconds) where the student meets them: the
// beep when the output's mixer plays it, the flash when a picture reaches its owner. All times are milliseconds of
// the monotonic clock.
class AvSyncMeter
{
public:
    struct Match
    {
        int64_t beepMs;
        int64_t flashMs;
        // Picture minus sound: below 0 when the sound is heard after the picture is seen.
        int64_t offsetMs() const { return flashMs - beepMs; }
    };
    struct Level
    {
        int64_t atMs;
        int bytes;
    };

    // Watches the output's mix from now on; stops when it goes.
    explicit AvSyncMeter(double beepSeconds);
    ~AvSyncMeter();

    static int64_t nowMs();
    // The middle value (the upper one of an even count); 0 for none.
    static double median(std::vector<double> values);

    // On the owner's thread, for every picture as it arrives.
    void pictureShown(const QImage &image);
    // Notes what the source holds in the output now.
    void sampleBuffered(const void *source);

    std::vector<int64_t> beeps() const;
    std::vector<int64_t> flashes() const;
    std::vector<Level> levels() const;
    // Each beep heard in [fromMs, toMs) with the flash nearest to it (within half a period); beeps without one are
    // left out.
    std::vector<Match> matches(int64_t fromMs, int64_t toMs) const;
    // The buffered sound (ms) noted in [fromMs, toMs).
    std::vector<double> bufferedMs(int64_t fromMs, int64_t toMs) const;

    AvSyncMeter(const AvSyncMeter &) = delete;
    AvSyncMeter &operator=(const AvSyncMeter &) = delete;

private:
    void mixed(const int16_t *samples, int count);

    const int64_t m_periodMs;
    mutable std::mutex m_mutex;
    bool m_beeping = false;
    bool m_flashing = false;
    std::vector<int64_t> m_beeps;
    std::vector<int64_t> m_flashes;
    std::vector<Level> m_levels;
};

#endif // AVSYNCMETER_H
