#include "tests/media/avsyncmeter.h"

#include "vrek/media/audio/audioplayer.h"

#include <algorithm>
#include <cmath>
#include <ctime>

AvSyncMeter::AvSyncMeter(double beepSeconds)
    : m_periodMs(int64_t(std::lround(beepSeconds * 1000)))
{
    AudioPlayer::instance()->setMixObserver([this](const int16_t *samples, int count) { mixed(samples, count); });
}

AvSyncMeter::~AvSyncMeter()
{
    AudioPlayer::instance()->setMixObserver({});
}

int64_t AvSyncMeter::nowMs()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

double AvSyncMeter::median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void AvSyncMeter::mixed(const int16_t *samples, int count)
{
    if (count <= 0)
        return;
    double sum = 0;
    for (int i = 0; i < count; ++i)
        sum += double(samples[i]) * samples[i];
    // The beep is a sine at an eighth of full scale, mixed at about half: some 2900 RMS; silence is 0.
    const bool beeping = std::sqrt(sum / count) > 500;
    std::lock_guard<std::mutex> lock(m_mutex);
    // A dip inside one beep (a cut, a block short) is not a new beep.
    const int64_t now = nowMs();
    if (beeping && !m_beeping && (m_beeps.empty() || now - m_beeps.back() > m_periodMs / 2))
        m_beeps.push_back(now);
    m_beeping = beeping;
}

void AvSyncMeter::pictureShown(const QImage &image)
{
    if (image.isNull())
        return;
    // A few points across the picture: white everywhere in a flash, black otherwise.
    int sum = 0;
    int points = 0;
    for (int y = 1; y < 4; ++y) {
        for (int x = 1; x < 4; ++x) {
            sum += qGray(image.pixel(image.width() * x / 4, image.height() * y / 4));
            ++points;
        }
    }
    const bool flashing = sum / points > 128;
    const int64_t now = nowMs();
    std::lock_guard<std::mutex> lock(m_mutex);
    if (flashing && !m_flashing && (m_flashes.empty() || now - m_flashes.back() > m_periodMs / 2))
        m_flashes.push_back(now);
    m_flashing = flashing;
}

void AvSyncMeter::sampleBuffered(const void *source)
{
    const int bytes = AudioPlayer::instance()->bufferedBytes(source);
    const int64_t now = nowMs();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_levels.push_back({ now, bytes });
}

std::vector<int64_t> AvSyncMeter::beeps() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_beeps;
}

std::vector<int64_t> AvSyncMeter::flashes() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_flashes;
}

std::vector<AvSyncMeter::Level> AvSyncMeter::levels() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_levels;
}

std::vector<AvSyncMeter::Match> AvSyncMeter::matches(int64_t fromMs, int64_t toMs) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<Match> result;
    for (int64_t beep : m_beeps) {
        if (beep < fromMs || beep >= toMs)
            continue;
        int64_t best = -1;
        for (int64_t flash : m_flashes) {
            if (std::llabs(flash - beep) < m_periodMs / 2
                && (best < 0 || std::llabs(flash - beep) < std::llabs(best - beep)))
                best = flash;
        }
        if (best >= 0)
            result.push_back({ beep, best });
    }
    return result;
}

std::vector<double> AvSyncMeter::bufferedMs(int64_t fromMs, int64_t toMs) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<double> result;
    for (const Level &level : m_levels) {
        if (level.atMs >= fromMs && level.atMs < toMs)
            result.push_back(double(level.bytes) / AudioPlayer::bytesPerMs);
    }
    return result;
}
