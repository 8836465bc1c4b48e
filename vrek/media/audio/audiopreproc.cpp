#include "vrek/media/audio/audiopreproc.h"

#include <QDebug>

AudioPreproc *AudioPreproc::instance()
{
    static AudioPreproc preproc;
    return &preproc;
}

AudioPreproc::AudioPreproc()
{
    reinitialise();
}

AudioPreproc::~AudioPreproc()
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    audio_preproc_deinit(m_handle);
    m_handle = nullptr;
}

void AudioPreproc::reinitialise()
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (m_handle)
        audio_preproc_deinit(m_handle);
    m_handle = audio_preproc_init();
    if (!m_handle) {
        qWarning() << "the audio_preproc_init fail!";
        return;
    }
    audio_preproc_setEnable(m_handle, 1);
    audio_preproc_setAECEnable(m_handle, 1);
    audio_preproc_setDelay(m_handle, delayMs);
}

int AudioPreproc::processPlayback(const int16_t *block)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return audio_preproc_processPlayback(m_handle, sampleRate, channels, blockSamples, block);
}

int AudioPreproc::processRecord(int16_t *block)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return audio_preproc_processRecord(m_handle, sampleRate, channels, blockSamples, block);
}
