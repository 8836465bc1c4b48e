#include "platform/echocanceller/echocanceller.h"

#include <webrtc/modules/audio_processing/include/audio_processing.h>
#include <webrtc/modules/interface/module_common_types.h>

#include <QDebug>

#include <cstring>

EchoCanceller::EchoCanceller(Backend wanted)
{
    if (wanted != WebRtc)
        return;
    webrtc::Config config;
    // The delay between our output and the microphone is only roughly known (device buffers, the mixer's ring), so
    // let the canceller find it and give it a filter long enough for desktop speakers.
    config.Set<webrtc::ExtendedFilter>(new webrtc::ExtendedFilter(true));
    config.Set<webrtc::DelayAgnostic>(new webrtc::DelayAgnostic(true));
    m_processing = webrtc::AudioProcessing::Create(config);
    if (!m_processing) {
        qWarning() << "echo canceller unavailable, sound passes through unprocessed";
        return;
    }
    m_processing->high_pass_filter()->Enable(true);
    m_processing->echo_cancellation()->enable_drift_compensation(false);
    m_processing->echo_cancellation()->set_suppression_level(webrtc::EchoCancellation::kHighSuppression);
    if (m_processing->echo_cancellation()->Enable(true) != webrtc::AudioProcessing::kNoError) {
        qWarning() << "echo canceller would not start, sound passes through unprocessed";
        delete m_processing;
        m_processing = nullptr;
        return;
    }
    m_frame = std::make_unique<webrtc::AudioFrame>();
    m_backend = WebRtc;
    configure(32000, 1, 1);
}

bool EchoCanceller::configure(int sampleRate, int recordChannels, int playbackChannels)
{
    if (sampleRate == m_sampleRate && recordChannels == m_recordChannels && playbackChannels == m_playbackChannels)
        return true;
    const auto layout = [](int channels) {
        return channels == 2 ? webrtc::AudioProcessing::kStereo : webrtc::AudioProcessing::kMono;
    };
    const int result = m_processing->Initialize(
        sampleRate, sampleRate, sampleRate, layout(recordChannels), layout(recordChannels), layout(playbackChannels));
    if (result != webrtc::AudioProcessing::kNoError) {
        qWarning() << "echo canceller set-up failed:" << result << sampleRate << recordChannels << playbackChannels;
        m_sampleRate = 0;
        return false;
    }
    m_sampleRate = sampleRate;
    m_recordChannels = recordChannels;
    m_playbackChannels = playbackChannels;
    return true;
}

EchoCanceller::~EchoCanceller()
{
    delete m_processing;
}

void EchoCanceller::setEnabled(bool enabled)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_enabled = enabled;
}

bool EchoCanceller::isEnabled() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_enabled;
}

int EchoCanceller::setEchoCancellationEnabled(bool enabled)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_processing)
        return Ok;
    return m_processing->echo_cancellation()->Enable(enabled) == webrtc::AudioProcessing::kNoError ? Ok
                                                                                                   : ProcessingFailed;
}

void EchoCanceller::setDelay(int delayMs)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_delayMs = qBound(0, delayMs, 500);
}

int EchoCanceller::delay() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_delayMs;
}

bool EchoCanceller::isValidBlock(int sampleRate, int channels, int samples)
{
    const bool rateOk = sampleRate == 8000 || sampleRate == 16000 || sampleRate == 32000 || sampleRate == 48000;
    return rateOk && (channels == 1 || channels == 2) && samples == sampleRate / 100;
}

void EchoCanceller::fillFrame(int sampleRate, int channels, int samples, const int16_t *data)
{
    m_frame->UpdateFrame(0, 0, data, static_cast<size_t>(samples), sampleRate, webrtc::AudioFrame::kNormalSpeech,
        webrtc::AudioFrame::kVadUnknown, channels);
}

int EchoCanceller::processPlayback(int sampleRate, int channels, int samples, const int16_t *data)
{
    if (!data || !isValidBlock(sampleRate, channels, samples))
        return BadBlock;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_processing || !m_enabled)
        return Ok;
    if (!configure(sampleRate, m_recordChannels ? m_recordChannels : channels, channels))
        return ProcessingFailed;
    fillFrame(sampleRate, channels, samples, data);
    return m_processing->ProcessReverseStream(m_frame.get()) == webrtc::AudioProcessing::kNoError ? Ok
                                                                                                  : ProcessingFailed;
}

int EchoCanceller::processRecord(int sampleRate, int channels, int samples, int16_t *data)
{
    if (!data || !isValidBlock(sampleRate, channels, samples))
        return BadBlock;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_processing || !m_enabled)
        return Ok;
    if (!configure(sampleRate, channels, m_playbackChannels ? m_playbackChannels : channels))
        return ProcessingFailed;
    fillFrame(sampleRate, channels, samples, data);
    m_processing->set_stream_delay_ms(m_delayMs);
    if (m_processing->ProcessStream(m_frame.get()) != webrtc::AudioProcessing::kNoError)
        return ProcessingFailed;
    std::memcpy(data, m_frame->data_, sizeof(int16_t) * static_cast<size_t>(samples * channels));
    return Ok;
}
