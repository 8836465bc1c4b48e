#ifndef PCMCHUNKER_H
#define PCMCHUNKER_H

#include <QByteArray>

// Cuts raw interleaved sound, delivered in pieces of any size, into blocks of one fixed size.
class PcmChunker
{
public:
    // blockBytes: the size of every block handed out (a whole number of sample frames).
    explicit PcmChunker(int blockBytes = 0);

    void setBlockBytes(int blockBytes);
    int blockBytes() const { return m_blockBytes; }

    void append(const char *data, int size);
    // Moves one whole block into block; false while less than a block is held.
    bool take(QByteArray *block);
    int pendingBytes() const { return m_pending.size() - m_offset; }
    void clear();

private:
    int m_blockBytes = 0;
    QByteArray m_pending;
    int m_offset = 0; // bytes of m_pending already handed out
};

#endif // PCMCHUNKER_H
