#include "vrek/utils/globalvalue.h"

namespace GlobalDefault {
// Deployment values: the README's run command points the client at the local sandbox instead.
const char *const serviceHost = "classroom.example.com";
const char *const crashHost = "127.0.0.1";
const char *const socketPort = "34126";
const char *const filePort = "34127";
const char *const crashPort = "11111";
const char *const webPort = "80";
const char *const idAlphabet = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
} // namespace GlobalDefault

QString g_userId;
QString g_userCode;
QString g_userName;
QString g_passWord;
QString g_loginSignId;
QString g_accountId;
QString g_mobile;
QString g_gradeClassName;
int g_userType = -1;

int g_classType = -1;
QString g_lessonTitle;
QString g_lessonName;
QString g_classId;
QString g_roomId;
QString g_classTitle;
QString g_lectId;
QString g_lectName;
int g_parentId = 0;
QString g_classesId;
bool g_needBind = false;
bool g_inClass = false;
int g_classStartCount = 0;
int g_lessonTypeFilter = -1;
QString g_pushStreamId;
QString g_videoId;

QString g_socketHost = QString::fromLatin1(GlobalDefault::serviceHost);
QString g_socketPort = QString::fromLatin1(GlobalDefault::socketPort);
QString g_fileHost = QString::fromLatin1(GlobalDefault::serviceHost);
QString g_filePort = QString::fromLatin1(GlobalDefault::filePort);
QString g_crashHost = QString::fromLatin1(GlobalDefault::crashHost);
QString g_crashPort = QString::fromLatin1(GlobalDefault::crashPort);
QString g_webHost = QString::fromLatin1(GlobalDefault::serviceHost);
QString g_webPort = QString::fromLatin1(GlobalDefault::webPort);
bool g_autoRecord = true;
QString g_rtmpHost;
quint16 g_rtmpPort = 0;
QString g_webrtcHost;
quint16 g_webrtcPort = 0;
QString g_rtmpPushHost;
quint16 g_rtmpPushPort = 0;
QString g_mediaHost;
quint16 g_mediaPort = 0;

bool g_recordErrorFlag = false;
std::atomic<bool> g_shareRtmpFlag { false };
QString g_recordFileName;
QString g_shareRtmpUrl;

double g_uiScale = 1.0;
QString g_runId;
QString g_logFileName;
bool g_networkTimeFlag = false;
qint64 g_networkTimeOffset = 0;
