#include "vrek/media/audioplayer.h"

#include "vrek/media/audiopreproc.h"
#include "vrek/media/audioringbuffer.h"

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
    for (auto &item : m_sources) {
        Source &source = item.second;
        AudioRingBuffer &ring = *source.ring;
        const int stored = ring.stored();
        // A source short of a whole request sits this one out; its bytes wait for the next.
        if (stored >= length) {
            if (source.heardClock && source.endUs != noTime)
                source.heardClock(source.endUs - bytesToUs(stored) - deviceLatencyMs * 1000);
            ring.read(m_scratch.data(), length);
            SDL_MixAudioFormat(stream, m_scratch.data(), AUDIO_S16SYS, Uint32(length), mixVolume);
            if (source.starvedRun > 0 && source.starvedRun <= shortfallBlocksMax)
                source.windowShortfall = true;
            source.starvedRun = 0;
        } else {
            if (stored > 0 || source.endUs != noTime) {
                ++source.starved;
                ++source.windowStarved;
                ++source.starvedRun;
            }
            // Nothing whole in hand (drained, or muted with a scrap left): what is heard is what was decoded last.
            if (source.heardClock)
                source.heardClock(noTime);
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

void AudioPlayer::keepLive(Source &source, int mixedBytes)
{
    // The low point over a window is what arrived early: sound that could have been heard sooner.
    source.windowLow = std::min(source.windowLow, source.ring->stored());
    source.windowBytes += mixedBytes;
    if (source.windowBytes < trimWindowMs * bytesPerMs)
        return;
    if (source.windowShortfall)
        source.targetBytes
            = std::min(source.targetBytes + targetStepUpMs * bytesPerMs, maxTargetLatencyMs * bytesPerMs);
    else if (source.windowStarved == 0)
        source.targetBytes = std::max(source.targetBytes - targetStepDownMs * bytesPerMs, targetLatencyMs * bytesPerMs);
    const int excess = sampleAligned(source.windowLow - source.targetBytes);
    if (excess > trimSlackMs * bytesPerMs)
        cut(source, excess);
    source.windowLow = INT32_MAX;
    source.windowBytes = 0;
    source.windowStarved = 0;
    source.windowShortfall = false;
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
