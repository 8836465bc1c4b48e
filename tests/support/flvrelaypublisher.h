#ifndef FLVRELAYPUBLISHER_H
#define FLVRELAYPUBLISHER_H

#include "tests/support/flvpipepublisher.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <random>
#include <vector>

// A publisher whose sending the test shapes: the ffmpeg tool writes FfmpegPublisher's stream as FLV into a pipe,
// and this process publishes the tags over RTMP itself, passing the pictures on at once and, when asked, holding
// the sound back and sending it in bunches, as an encoder that hands its sound over in lumps does (a variable
// frame rate publisher sends sound in bunches some 250 ms apart). The sound may also be encoded with another of
// the tool's codecs.
class FlvRelayPublisher : public FlvPipePublisher
{
public:
    struct Options
    {
        FfmpegPublisher::Options stream;
        // When above 0: the sound goes out in bunches at most this far apart (wall clock), and at least 0.6 of it
        // (at random, from a fixed seed); each bunch is all the sound tags made since the one before.
        int soundBunchMs = 0;
        // The tool's encoder for the sound, e.g. "adpcm_swf"; empty: FfmpegPublisher's own.
        QString soundCodec;
    };

    explicit FlvRelayPublisher(const Options &options);
    ~FlvRelayPublisher() override;

    int64_t soundBunches() const { return m_bunches.load(); }

private:
    void prepare() override;
    void adjustArguments(QStringList &arguments) const override;
    void turn() override;
    void passTag(uint8_t *tag, size_t bytes) override;

    const int m_soundBunchMs;
    const QString m_soundCodec;
    std::atomic<int64_t> m_bunches { 0 };
    // The relay's thread only.
    std::vector<uint8_t> m_heldSound;
    std::mt19937 m_random;
    std::uniform_int_distribution<int> m_bunchGap;
    int64_t m_nextBunchMs = 0;
};

#endif // FLVRELAYPUBLISHER_H
