#include "vrek/media/audio/audioplayer.h"

#include "vrek/media/audio/audiopreproc.h"
#include "vrek/media/audio/audioringbuffer.h"

#include <SDL.h>

#include <QDebug>

#include <algorithm>
#include <cstring>

namespace {
std::mutex sdlAudioMutex;
bool sdlAudioUp = false; // under sdlAudioMutex
} // namespace

AudioPlayer *AudioPlayer::instance()
{
    static AudioPlayer player;
    return &player;
}

bool AudioPlayer::sdlAudioInitial()
{
    std::lock_guard<std::mutex> lock(sdlAudioMutex);
    if (sdlAudioUp)
        return true;
    // SDL counts its users: the output would close when the last of them quits. Only the end of the program
    // quits it, once.
    // Its events part would turn SIGINT and SIGTERM into quit events nobody reads: the program would not end.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        qWarning() << "SDL audio init error:" << SDL_GetError();
        return false;
    }
    sdlAudioUp = true;
    return true;
}

AudioPlayer::AudioPlayer()
{
    // The mixer feeds the canceller until the device closes here; make sure it outlives us.
    AudioPreproc::instance();
    m_pendingBlock.reserve(blockSamples);
}

AudioPlayer::~AudioPlayer()
{
    bool open = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        open = m_deviceOpen;
        m_deviceOpen = false;
    }
    m_delayProbe.stop();
    if (open)
        SDL_CloseAudio();
    std::lock_guard<std::mutex> sdlLock(sdlAudioMutex);
    if (sdlAudioUp) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        sdlAudioUp = false;
        if (SDL_WasInit(SDL_INIT_EVERYTHING) == 0)
            SDL_Quit();
    }
}

bool AudioPlayer::globalRegiser(int sampleRate, int channels)
{
    SDL_AudioSpec wanted;
    SDL_zero(wanted);
    wanted.freq = sampleRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = channels == 2 ? 2 : 1;
    wanted.silence = 0;
    wanted.samples = Uint16(sampleRate / 100);
    wanted.callback = &AudioPlayer::mixCallback;
    wanted.userdata = this;
    // No obtained format: SDL converts to whatever the hardware wants, so the mixer always sees this format.
    const int result = SDL_OpenAudio(&wanted, nullptr);
    if (result != 0) {
        qWarning() << "AudioPlayer::globalRegiser() the sdl open fail! result:" << result << SDL_GetError();
        return false;
    }
    // Without an obtained format SDL writes what it opened into wanted: the buffer it holds behind the mixer.
    if (wanted.freq > 0)
        m_deviceBufferUs.store(int64_t(wanted.samples) * 1000000 / wanted.freq);
    m_delayProbe.start(
        SDL_GetCurrentAudioDriver(), sampleRate, wanted.channels, [this] { return m_handedFrames.load(); });
    // SDL opens it paused. It plays unless a test holds the clock (read here as the first source, which opens it,
    // waits with the player's lock).
    if (!m_clockHeld)
        SDL_PauseAudio(0);
    return true;
}

namespace {
struct OpenRequest
{
    AudioPlayer *player;
    bool opened;
};

int openOnSdlThread(void *data)
{
    auto *request = static_cast<OpenRequest *>(data);
    request->opened = AudioPlayer::sdlAudioInitial()
        && request->player->globalRegiser(AudioPlayer::outputSampleRate, AudioPlayer::outputChannels);
    return 0;
}
} // namespace

bool AudioPlayer::regiser(const void *source, std::function<void(int64_t)> heardClock)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_deviceOpen) {
        // SDL keeps per-thread state for the thread that opens it and frees it only for threads of its own; the
        // decoding threads that come here are not.
        OpenRequest request { this, false };
        SDL_Thread *opener = SDL_CreateThread(&openOnSdlThread, "SDL audio open", &request);
        if (opener)
            SDL_WaitThread(opener, nullptr);
        else
            request.opened = sdlAudioInitial() && globalRegiser(outputSampleRate, outputChannels);
        m_deviceOpen = request.opened;
    }
    Source &entry = m_sources[source];
    entry = Source();
    entry.ring = std::make_unique<AudioRingBuffer>(ringBytes);
    entry.heardClock = std::move(heardClock);
    qInfo() << "Register audio play source " << source;
    return m_deviceOpen;
}

void AudioPlayer::unregister(const void *source)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_sources.erase(source);
    qInfo() << "Unregister audio play source " << source;
}

int64_t AudioPlayer::bytesToUs(int bytes)
{
    return int64_t(bytes) * 1000 / bytesPerMs;
}

int AudioPlayer::sampleAligned(int bytes)
{
    constexpr int frameBytes = outputChannels * bytesPerSample;
    return bytes / frameBytes * frameBytes;
}

int AudioPlayer::write(const void *source, const uint8_t *data, int length, int64_t startUs)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_sources.find(source);
    if (it == m_sources.end() || length <= 0)
        return 0;
    Source &entry = it->second;
    AudioRingBuffer &ring = *entry.ring;
    if (length > ring.freeSpace()) {
        // A burst after a stall: what came first is the stalest; keep the newest.
        const int keep = std::min(entry.targetBytes, ring.stored());
        cut(entry, ring.stored() - keep);
        if (length > ring.freeSpace()) {
            const int cut = sampleAligned(length - ring.freeSpace() + 1);
            entry.dropped += cut;
            data += cut;
            length -= cut;
            if (startUs != noTime)
                startUs += bytesToUs(cut);
        }
    }
    const int kept = ring.write(data, length);
    if (startUs != noTime)
        entry.endUs = startUs + bytesToUs(kept);
    return kept;
}

bool AudioPlayer::isDeviceOpen() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_deviceOpen;
}

int64_t AudioPlayer::outputDelayUs() const
{
    const int64_t asked = m_delayProbe.delayUs();
    return asked >= 0 ? asked : m_deviceBufferUs.load();
}

int64_t AudioPlayer::blockDelayUs(int64_t firstFrame) const
{
    int64_t played = 0;
    if (!m_delayProbe.playedFrame(OutputDelayProbe::steadyNowUs(), &played))
        return m_deviceBufferUs.load();
    // What the sink plays moves on evenly; the frames between it and this block are what is heard first.
    return std::max<int64_t>(0, (firstFrame - played) * 1000000 / outputSampleRate);
}

bool AudioPlayer::isRegistered(const void *source) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_sources.count(source) != 0;
}

int AudioPlayer::bufferedBytes(const void *source) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_sources.find(source);
    return it == m_sources.end() ? 0 : it->second.ring->stored();
}

int64_t AudioPlayer::droppedBytes(const void *source) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_sources.find(source);
    return it == m_sources.end() ? 0 : it->second.dropped;
}

int AudioPlayer::targetMs(const void *source) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_sources.find(source);
    return (it == m_sources.end() ? targetLatencyMs * bytesPerMs : it->second.targetBytes) / bytesPerMs;
}

int AudioPlayer::starvedBlocks(const void *source) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_sources.find(source);
    return it == m_sources.end() ? 0 : it->second.starved;
}

void AudioPlayer::setMixObserver(std::function<void(const int16_t *, int)> observer)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_mixObserver = std::move(observer);
}

void AudioPlayer::holdDeviceClock(bool held)
{
    bool open = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_clockHeld = held;
        open = m_deviceOpen;
    }
    // Not under our lock: SDL pauses under its own, which the audio thread holds while it waits for ours in mix().
    // Once paused, the device's thread is out of mix() and stays out.
    if (open)
        SDL_PauseAudio(held ? 1 : 0);
}

bool AudioPlayer::mixBlocks(int count)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_clockHeld)
            return false;
    }
    // The length the device asks for at a time (it was opened for one block).
    std::vector<uint8_t> block(size_t(blockSamples * outputChannels * bytesPerSample));
    for (int i = 0; i < count; ++i)
        mix(block.data(), int(block.size()));
    return true;
}

void AudioPlayer::mixCallback(void *userData, uint8_t *stream, int length)
{
    static_cast<AudioPlayer *>(userData)->mix(stream, length);
}

void AudioPlayer::mix(uint8_t *stream, int length)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::memset(stream, 0, size_t(length));
    if (int(m_scratch.size()) < length)
        m_scratch.resize(size_t(length));
    const int64_t outputDelay = blockDelayUs(m_handedFrames.load());
    m_handedFrames.fetch_add(length / (outputChannels * bytesPerSample));
    for (auto &item : m_sources) {
        Source &source = item.second;
        AudioRingBuffer &ring = *source.ring;
        const int stored = ring.stored();
        // A source short of a whole request sits this one out; its bytes wait for the next.
        if (stored >= length) {
            if (source.heardClock && source.endUs != noTime)
                source.heardClock(source.endUs - bytesToUs(stored) - outputDelay);
            ring.read(m_scratch.data(), length);
            SDL_MixAudioFormat(stream, m_scratch.data(), AUDIO_S16SYS, Uint32(length), mixVolume);
            if (source.starvedRun > 0)
                resumed(source);
        } else {
            if (stored > 0 || source.endUs != noTime) {
                ++source.starved;
                ++source.windowStarved;
                ++source.starvedRun;
            }
            // Short for a moment, the sound heard stands where it stopped, and the pictures with it. Nothing whole
            // in hand for longer (a stall, drained, or muted): what is heard is what was decoded last.
            if (source.heardClock) {
                const bool moment = source.starvedRun > 0 && source.starvedRun <= shortfallBlocksMax;
                source.heardClock(moment && source.endUs != noTime
                        ? source.endUs - bytesToUs(stored) - outputDelay
                        : noTime);
            }
        }
        keepLive(source, length);
    }
    if (m_mixObserver)
        m_mixObserver(reinterpret_cast<const int16_t *>(stream), length / bytesPerSample);
    feedEchoCanceller(stream, length);
}

void AudioPlayer::cut(Source &source, int count)
{
    const int length = source.ring->matchedCut(count, cutSearchMs * bytesPerMs, cutFadeMs * bytesPerMs);
    source.dropped += source.ring->skip(length, cutFadeMs * bytesPerMs);
}

void AudioPlayer::resumed(Source &source)
{
    // Longer is a stall, which holding more would not have bridged.
    if (source.starvedRun <= shortfallBlocksMax)
        source.windowLongestRun = std::max(source.windowLongestRun, source.starvedRun);
    source.starvedRun = 0;
}

void AudioPlayer::keepLive(Source &source, int mixedBytes)
{
    // The low point over a window is what arrived early: sound that could have been heard sooner.
    source.windowLow = std::min(source.windowLow, source.ring->stored());
    source.windowBytes += mixedBytes;
    if (source.windowBytes < trimWindowMs * bytesPerMs)
        return;
    const int least = targetLatencyMs * bytesPerMs;
    if (source.windowLongestRun > 0) {
        // The sound came that much later than what was kept in hand allowed for: keep that much more, and a step
        // over it, larger for a larger shortfall (the next one meets the stream's bunches at another phase).
        const int shortMs = source.windowLongestRun * blockMs;
        const int raised
            = source.targetBytes + (shortMs + std::max(targetStepUpMs, shortMs / targetStepUpShare)) * bytesPerMs;
        source.targetBytes = std::min(raised, maxTargetLatencyMs * bytesPerMs);
    }
    source.quietWindows = source.windowStarved == 0 ? source.quietWindows + 1 : 0;
    if (source.quietWindows >= quietWindowsBeforeGiveBack && source.targetBytes > least) {
        const int step = std::max(targetStepDownMs * bytesPerMs, (source.targetBytes - least) / targetGiveBackShare);
        source.targetBytes = std::max(sampleAligned(source.targetBytes - step), least);
    }
    const int excess = sampleAligned(source.windowLow - source.targetBytes);
    if (excess > trimSlackMs * bytesPerMs)
        cut(source, excess);
    source.windowLow = INT32_MAX;
    source.windowBytes = 0;
    source.windowStarved = 0;
    source.windowLongestRun = 0;
}

void AudioPlayer::feedEchoCanceller(const uint8_t *stream, int length)
{
    const auto *samples = reinterpret_cast<const int16_t *>(stream);
    int count = length / bytesPerSample;
    AudioPreproc *preproc = AudioPreproc::instance();
    preproc->lock();
    while (count > 0) {
        const int take = std::min(count, blockSamples - int(m_pendingBlock.size()));
        m_pendingBlock.insert(m_pendingBlock.end(), samples, samples + take);
        samples += take;
        count -= take;
        if (int(m_pendingBlock.size()) == blockSamples) {
            audio_preproc_processPlayback(preproc->handle(), AudioPreproc::sampleRate, AudioPreproc::channels,
                blockSamples, m_pendingBlock.data());
            m_pendingBlock.clear();
        }
    }
    preproc->unlock();
}
