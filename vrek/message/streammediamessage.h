#ifndef STREAMMEDIAMESSAGE_H
#define STREAMMEDIAMESSAGE_H

#include <QMetaType>
#include <QString>

// One stream command between the lecturer and the students; the media panels act on smmType.
class StreamMediaMessage
{
public:
    enum SMMType : quint32 {
        StartPullMainStream = 0,
        StopPullMainStream = 1,
        RequestPushStreamId = 2,
        RequestStopPushStream = 3,
        ResponsePushStreamFail = 4,
        StartPullSubStream = 5,
        StopPullSubStream = 6,
        ResponsePushStreamId = 7,
        RequestFirstReply = 10,
        RequestStopFirstReply = 11,
        ResponseFirstReply = 12,
        ResponseStopFirstReply = 13,
        StartPullFirstReplyStream = 14,
        RequestPushWebRtcStream = 16,
        ResponsePushWebRtcStreamFail = 17,
        RequestStopPushWebrtcStream = 18,
        ResponsePushWebRtcStreamSucc = 19,
        RequestStartMonitor = 20,
        RequestStopMonitor = 21,
        ResponseMonitorSuccess = 22,
        ResponseMonitorFail = 23,
    };

    StreamMediaMessage() = default;
    virtual ~StreamMediaMessage();
    StreamMediaMessage(const StreamMediaMessage &) = default;
    StreamMediaMessage &operator=(const StreamMediaMessage &) = default;

    quint32 getSmmType() const { return m_smmType; }
    void setSmmType(quint32 type) { m_smmType = type; }
    quint32 getErrorType() const { return m_errorType; }
    void setErrorType(quint32 type) { m_errorType = type; }
    QString getFromUserId() const { return m_fromUserId; }
    void setFromUserId(const QString &userId) { m_fromUserId = userId; }
    QString getToUserId() const { return m_toUserId; }
    void setToUserId(const QString &userId) { m_toUserId = userId; }
    // A third user taking part in the command.
    QString getTripartiteUserId() const { return m_tripartiteUserId; }
    void setTripartiteUserId(const QString &userId) { m_tripartiteUserId = userId; }
    QString getStreamId() const { return m_streamId; }
    void setStreamId(const QString &streamId) { m_streamId = streamId; }
    // Id of a first-reply request.
    QString getFrId() const { return m_frId; }
    void setFrId(const QString &frId) { m_frId = frId; }

private:
    quint32 m_smmType = 0;
    quint32 m_errorType = 0;
    QString m_fromUserId;
    QString m_toUserId;
    QString m_tripartiteUserId;
    QString m_streamId;
    QString m_frId;
};

Q_DECLARE_METATYPE(StreamMediaMessage)

#endif // STREAMMEDIAMESSAGE_H
