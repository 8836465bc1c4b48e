#ifndef STREAMMEDIASTATUS_H
#define STREAMMEDIASTATUS_H

#include <atomic>

// The pull and push state of one engine. Read from other threads than the engine's for the log, so atomic.
class StreamMediaStatus
{
public:
    enum PullStreamStatus {
        PullStreamIdle = 0,
        PullStreamInit = 1, // connecting and starting the decoders
        PullStreamExec = 2, // reading
    };
    enum PushStreamStatus {
        PushStreamIdle = 0,
        PushStreamInit = 1,
        PushStreamExec = 2,
    };

    StreamMediaStatus() = default;
    virtual ~StreamMediaStatus() = default;

    PullStreamStatus getPullStreamStatus() const;
    void setPullStreamStatus(PullStreamStatus status);
    PushStreamStatus getPushStreamStatus() const;
    void setPushStreamStatus(PushStreamStatus status);

private:
    std::atomic<int> m_pushStreamStatus { PushStreamIdle };
    std::atomic<int> m_pullStreamStatus { PullStreamIdle };
};

#endif // STREAMMEDIASTATUS_H
