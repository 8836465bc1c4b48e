#ifndef MEDIAMANAGERINFO_H
#define MEDIAMANAGERINFO_H

#include <QMetaType>

// What the WebRTC-mode stream controller tells its panel happened: a kind, a second number the panel does not
// read, and, for a failed watching, an error code.
class MediaManagerInfo
{
public:
    enum Kind {
        ClassRuns = 0, // teacher: push started; student or parent: the teacher's stream plays
        ClassFailed = 1, // teacher: push or class start failed; student or parent: the teacher's stream failed
        ClassEnded = 2, // the class or the stream ended
        WatchingChild = 3, // a parent watches the child
        WatchingFailed = 4, // with an error code below
    };
    enum ErrorCode {
        WatchOther = 0,
        ClassNotStarted = 1,
        ChildOffline = 2,
        ChildDeviceBusy = 3,
        ChildWentToTeacher = 4,
        ChildInTeacherRoom = 5,
        ChildNoPermission = 6,
    };

    MediaManagerInfo() = default;
    virtual ~MediaManagerInfo();
    MediaManagerInfo(const MediaManagerInfo &) = default;
    MediaManagerInfo &operator=(const MediaManagerInfo &) = default;

    int getKind() const { return m_kind; }
    void setKind(int kind) { m_kind = kind; }
    int getValue() const { return m_value; }
    void setValue(int value) { m_value = value; }
    int getErrorCode() const { return m_errorCode; }
    void setErrorCode(int code) { m_errorCode = code; }

private:
    int m_kind = 0;
    int m_value = 0;
    int m_errorCode = 0;
};

Q_DECLARE_METATYPE(MediaManagerInfo)

#endif // MEDIAMANAGERINFO_H
