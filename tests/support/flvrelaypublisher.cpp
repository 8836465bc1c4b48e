#include "tests/support/flvrelaypublisher.h"

namespace {
constexpr uint8_t soundTag = 8;
} // namespace

FlvRelayPublisher::FlvRelayPublisher(const Options &options)
    : FlvPipePublisher(options.stream)
    , m_soundBunchMs(options.soundBunchMs)
    , m_soundCodec(options.soundCodec)
{ }

FlvRelayPublisher::~FlvRelayPublisher()
{
    stop();
}

void FlvRelayPublisher::prepare()
{
    m_bunches.store(0);
    m_heldSound.clear();
    m_random.seed(1);
    m_bunchGap = std::uniform_int_distribution<int>(m_soundBunchMs * 6 / 10, m_soundBunchMs);
    m_nextBunchMs = nowMs() + m_bunchGap(m_random);
}

void FlvRelayPublisher::adjustArguments(QStringList &arguments) const
{
    if (!m_soundCodec.isEmpty()) {
        const int codec = arguments.indexOf("-c:a");
        if (codec >= 0 && codec + 1 < arguments.size())
            arguments[codec + 1] = m_soundCodec;
    }
}

void FlvRelayPublisher::turn()
{
    const int64_t now = nowMs();
    if (m_soundBunchMs > 0 && now >= m_nextBunchMs) {
        m_nextBunchMs = now + m_bunchGap(m_random);
        if (!m_heldSound.empty()) {
            send(m_heldSound.data(), m_heldSound.size(), 1);
            m_heldSound.clear();
            m_bunches.fetch_add(1);
        }
    }
}

void FlvRelayPublisher::passTag(uint8_t *tag, size_t bytes)
{
    // The sound's first tag (its decoder's set-up) goes at once, so that the stream is known from the open.
    const bool hold = m_soundBunchMs > 0 && tag[0] == soundTag && tagsSent() > 4;
    if (hold)
        m_heldSound.insert(m_heldSound.end(), tag, tag + bytes);
    else
        send(tag, bytes, 1);
}
