#include "platform/echocanceller/audiopreprocapi.h"

AudioPreprocHandle audio_preproc_init()
{
    return new EchoCanceller();
}

int audio_preproc_processRecord(AudioPreprocHandle handle, int sampleRate, int channels, int samples, short *data)
{
    if (!handle)
        return EchoCanceller::BadBlock;
    return handle->processRecord(sampleRate, channels, samples, data);
}

int audio_preproc_processPlayback(
    AudioPreprocHandle handle, int sampleRate, int channels, int samples, const short *data)
{
    if (!handle)
        return EchoCanceller::BadBlock;
    return handle->processPlayback(sampleRate, channels, samples, data);
}

int audio_preproc_setAECEnable(AudioPreprocHandle handle, int enable)
{
    if (!handle)
        return EchoCanceller::BadBlock;
    return handle->setEchoCancellationEnabled(enable != 0);
}

int audio_preproc_setDelay(AudioPreprocHandle handle, int delayMs)
{
    if (!handle)
        return EchoCanceller::BadBlock;
    handle->setDelay(delayMs);
    return EchoCanceller::Ok;
}

int audio_preproc_setEnable(AudioPreprocHandle handle, int enable)
{
    if (!handle)
        return EchoCanceller::BadBlock;
    handle->setEnabled(enable != 0);
    return EchoCanceller::Ok;
}

void audio_preproc_deinit(AudioPreprocHandle handle)
{
    delete handle;
}
