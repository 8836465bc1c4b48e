#ifndef WEBRTCSDKINTERFACE_H
#define WEBRTCSDKINTERFACE_H

#include <QObject>
#include <QString>

// The run-time binding of the WebRTC push library "rtc_sdk" (librtc_sdk.so here), loaded by name. Only static
// members; a missing library or export never stops the client: the affected calls log and do nothing.
class WebrtcSdkInterface : public QObject
{
    Q_OBJECT
public:
    typedef void (*EventCallBackType)(void *user, int type, const char *text);
    typedef void (*StreamCallBackType)(void *user, int width, int height, unsigned char *pixels);
    typedef void (*LogCallBackType)(const char *text, int level);

    // Which library onRtcInit loads; tests point it at a stand-in.
    static void setLibraryName(const QString &name);
    // Whether the library was loaded by the last onRtcInit.
    static bool isLoaded();
    // Drops every bound function and unloads the library, so that onRtcInit can bind again.
    static void unload();

public slots:
    static void onRtcInit();
    static void onRtcLog(const char *text, int type);
    // Both return whether the library was called: without it nothing will ever call back.
    static bool onRtcStartPushStream(const char *params, void *eventUser, WebrtcSdkInterface::EventCallBackType onEvent,
        void *frameUser, WebrtcSdkInterface::StreamCallBackType onFrame);
    static bool onRtcStopPushStream(const char *params);
    static void onRtcRelease();

public:
    static void onRtcEvent(QString &text, int value);
};

#endif // WEBRTCSDKINTERFACE_H
