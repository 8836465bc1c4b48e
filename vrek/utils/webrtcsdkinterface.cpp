#include "vrek/utils/webrtcsdkinterface.h"

#include <QDebug>
#include <QLibrary>

#include <atomic>

namespace {
typedef void (*InitFunc)();
typedef void (*ReleaseFunc)();
typedef void (*StartPushFunc)(
    const char *, void *, WebrtcSdkInterface::EventCallBackType, void *, WebrtcSdkInterface::StreamCallBackType);
typedef void (*StopPushFunc)(const char *);
typedef void (*RegisterLogFunc)(WebrtcSdkInterface::LogCallBackType);
typedef void (*EventFunc)(const char *, int);

QString s_libraryName = QStringLiteral("rtc_sdk");
QLibrary *s_library = nullptr;
// Set on the GUI thread at start-up, read by the engine's thread afterwards.
std::atomic<InitFunc> s_init { nullptr };
std::atomic<ReleaseFunc> s_release { nullptr };
std::atomic<StartPushFunc> s_startPush { nullptr };
std::atomic<StopPushFunc> s_stopPush { nullptr };
std::atomic<RegisterLogFunc> s_registerLog { nullptr };
std::atomic<EventFunc> s_event { nullptr };

template<typename Function>
Function resolve(const char *name)
{
    return reinterpret_cast<Function>(s_library->resolve(name));
}
} // namespace

void WebrtcSdkInterface::setLibraryName(const QString &name)
{
    s_libraryName = name;
}

bool WebrtcSdkInterface::isLoaded()
{
    return s_library && s_library->isLoaded();
}

void WebrtcSdkInterface::unload()
{
    s_init = nullptr;
    s_release = nullptr;
    s_startPush = nullptr;
    s_stopPush = nullptr;
    s_registerLog = nullptr;
    s_event = nullptr;
    if (s_library) {
        s_library->unload();
        delete s_library;
        s_library = nullptr;
    }
}

void WebrtcSdkInterface::onRtcInit()
{
    if (!s_library)
        s_library = new QLibrary(s_libraryName);
    if (!s_library->isLoaded() && !s_library->load()) {
        qDebug() << "hWebrtcModule==NULL" << s_library->errorString();
        return;
    }
    s_init = resolve<InitFunc>("rtc_init");
    s_release = resolve<ReleaseFunc>("rtc_release");
    s_startPush = resolve<StartPushFunc>("rtc_startPushStream");
    s_stopPush = resolve<StopPushFunc>("rtc_stopPushStream");
    s_registerLog = resolve<RegisterLogFunc>("rtc_registerLogCB");
    s_event = resolve<EventFunc>("rtc_event");
    if (InitFunc init = s_init.load()) {
        init();
        if (RegisterLogFunc registerLog = s_registerLog.load())
            registerLog(&WebrtcSdkInterface::onRtcLog);
    } else {
        qWarning() << "!funcInit";
    }
}

void WebrtcSdkInterface::onRtcLog(const char *text, int type)
{
    const QString line = QString::fromLocal8Bit(text ? text : "");
    if (type == 0)
        qDebug().noquote() << line;
    else if (type == 1)
        qWarning().noquote() << line;
    else
        qCritical().noquote() << line;
}

bool WebrtcSdkInterface::onRtcStartPushStream(
    const char *params, void *eventUser, EventCallBackType onEvent, void *frameUser, StreamCallBackType onFrame)
{
    StartPushFunc startPush = s_startPush.load();
    if (!startPush) {
        qWarning() << "!funcStartPush";
        return false;
    }
    startPush(params, eventUser, onEvent, frameUser, onFrame);
    return true;
}

bool WebrtcSdkInterface::onRtcStopPushStream(const char *params)
{
    StopPushFunc stopPush = s_stopPush.load();
    if (!stopPush) {
        qWarning() << "!funcStop";
        return false;
    }
    stopPush(params);
    return true;
}

void WebrtcSdkInterface::onRtcRelease()
{
    ReleaseFunc release = s_release.load();
    if (!release) {
        qWarning() << "!funcRelease";
        return;
    }
    release();
}

void WebrtcSdkInterface::onRtcEvent(QString &text, int value)
{
    qDebug() << "Kick" << text;
    EventFunc event = s_event.load();
    if (!event) {
        qWarning() << "!funcEvent";
        return;
    }
    event(text.toLocal8Bit().constData(), value);
}
