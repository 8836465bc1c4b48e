#include "platform/capturedevice/pcmchunker.h"

PcmChunker::PcmChunker(int blockBytes)
    : m_blockBytes(blockBytes > 0 ? blockBytes : 0)
{ }

void PcmChunker::setBlockBytes(int blockBytes)
{
    m_blockBytes = blockBytes > 0 ? blockBytes : 0;
}

void PcmChunker::append(const char *data, int size)
{
    if (!data || size <= 0)
        return;
    // Drop what was handed out before growing, so the buffer stays about one block long.
    if (m_offset > 0) {
        m_pending.remove(0, m_offset);
        m_offset = 0;
    }
    m_pending.append(data, size);
}

bool PcmChunker::take(QByteArray *block)
{
    if (m_blockBytes <= 0 || !block || pendingBytes() < m_blockBytes)
        return false;
    *block = m_pending.mid(m_offset, m_blockBytes);
    m_offset += m_blockBytes;
    if (m_offset == m_pending.size()) {
        m_pending.clear();
        m_offset = 0;
    }
    return true;
}

void PcmChunker::clear()
{
    m_pending.clear();
    m_offset = 0;
}
