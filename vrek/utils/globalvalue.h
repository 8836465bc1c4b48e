#ifndef GLOBALVALUE_H
#define GLOBALVALUE_H

#include <QString>

#include <atomic>

// The process-wide state of the signed-in session. Written on the main thread (start-up, command line,
// login replies, lesson entry) while the readers on other threads are idle, so it carries no lock.

// Session identity.
extern QString g_userId;
extern QString g_userCode;
extern QString g_userName;
extern QString g_passWord;
extern QString g_loginSignId;
extern QString g_accountId;
extern QString g_mobile;
extern QString g_gradeClassName;
extern int g_userType; // GlobalEnum::UserType; -1 until program entry sets 1

// The joined lesson.
extern int g_classType; // GlobalEnum::GroupType; -1 until a lesson is joined
extern QString g_lessonTitle;
extern QString g_lessonName;
extern QString g_classId;
extern QString g_roomId;
extern QString g_classTitle;
extern QString g_lectId;
extern QString g_lectName;
extern int g_parentId;
extern QString g_classesId; // the running class, from the server's class-start message
extern bool g_needBind;
extern bool g_inClass; // a class window is open
extern int g_classStartCount; // classes started in the joined lesson; reset on joining
extern int g_lessonTypeFilter; // lesson type of the last course-list request, -1 for all; shared by the list pages
extern QString g_pushStreamId; // the own push stream id, made by whichever stream manager pushes
extern QString g_videoId; // the joined lesson's video id, sent with uploads made in the lesson

// Servers. Ports of the command-line servers are decimal text.
extern QString g_socketHost;
extern QString g_socketPort;
extern QString g_fileHost;
extern QString g_filePort;
extern QString g_crashHost;
extern QString g_crashPort;
extern QString g_webHost;
extern QString g_webPort;
extern bool g_autoRecord;
extern QString g_rtmpHost; // RTMP pull host and port, from the classroom login reply
extern quint16 g_rtmpPort;
extern QString g_webrtcHost;
extern quint16 g_webrtcPort;
extern QString g_rtmpPushHost; // the push server of class types 6 and 7
extern quint16 g_rtmpPushPort;
extern QString g_mediaHost; // the push host and port the media panel of the joined lesson uses
extern quint16 g_mediaPort;

// Screen recording. The sharing flag is read by the recording's own thread, so it is atomic.
extern bool g_recordErrorFlag; // a recorder error has been reported and the recording not stopped since
extern std::atomic<bool> g_shareRtmpFlag; // the recording is shared over RTMP as well
extern QString g_recordFileName; // the current recording's file name, empty while none runs
extern QString g_shareRtmpUrl; // where a recording is shared to

// Run-wide values.
extern double g_uiScale;
extern QString g_runId;
extern QString g_logFileName;
extern bool g_networkTimeFlag; // the local clock is more than 1800 s off network time
// Network time minus local time in seconds, as found at start-up; 0 when unknown. Views add it to the local
// clock instead of asking the network again.
extern qint64 g_networkTimeOffset;

// Defaults of the deployment, kept in one place.
namespace GlobalDefault {
extern const char *const serviceHost;
extern const char *const crashHost;
extern const char *const socketPort;
extern const char *const filePort;
extern const char *const crashPort;
extern const char *const webPort;
extern const char *const idAlphabet; // the 62 letters and digits every random id is drawn from
} // namespace GlobalDefault

#endif // GLOBALVALUE_H
