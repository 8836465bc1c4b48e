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

bool AudioPlayer::regiser(const void *source)
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
    m_sources[source] = std::make_unique<AudioRingBuffer>(ringBytes);
    qInfo() << "Register audio play source " << source;
    return m_deviceOpen;
}

void AudioPlayer::unregister(const void *source)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_sources.erase(source);
    qInfo() << "Unregister audio play source " << source;
}

int AudioPlayer::write(const void *source, const uint8_t *data, int length)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_sources.find(source);
    if (it == m_sources.end())
        return 0;
    return it->second->write(data, length);
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
    return it == m_sources.end() ? 0 : it->second->stored();
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
    for (auto &source : m_sources) {
        // A source short of a whole request sits this one out; its bytes wait for the next.
        if (source.second->stored() < length)
            continue;
        source.second->read(m_scratch.data(), length);
        SDL_MixAudioFormat(stream, m_scratch.data(), AUDIO_S16SYS, Uint32(length), mixVolume);
    }
    feedEchoCanceller(stream, length);
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
