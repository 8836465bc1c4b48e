#ifndef AUDIOPREPROCAPI_H
#define AUDIOPREPROCAPI_H

#include "platform/echocanceller/echocanceller.h"

// The audio pre-processing calls the client makes, over an EchoCanceller handle. Every call but init and deinit
// answers 0 on success and a negative value on failure, also for a null handle.
using AudioPreprocHandle = EchoCanceller *;

AudioPreprocHandle audio_preproc_init();
// Near end, processed in place.
int audio_preproc_processRecord(AudioPreprocHandle handle, int sampleRate, int channels, int samples, short *data);
// Far end: what was just handed to the speakers.
int audio_preproc_processPlayback(
    AudioPreprocHandle handle, int sampleRate, int channels, int samples, const short *data);
int audio_preproc_setAECEnable(AudioPreprocHandle handle, int enable);
int audio_preproc_setDelay(AudioPreprocHandle handle, int delayMs);
int audio_preproc_setEnable(AudioPreprocHandle handle, int enable);
void audio_preproc_deinit(AudioPreprocHandle handle);

#endif // AUDIOPREPROCAPI_H
