/* A stand-in for the WebRTC push library: records the calls, answers through the callbacks. Built in
 * variants that leave out one export each (FAKE_NO_INIT, FAKE_NO_EVENT). */
#include <stdio.h>
#include <string.h>

typedef void (*EventCallBack)(void *user, int type, const char *text);
typedef void (*StreamCallBack)(void *user, int width, int height, unsigned char *pixels);
typedef void (*LogCallBack)(const char *text, int level);

static char s_calls[4096];

static void record(const char *call)
{
    strncat(s_calls, call, sizeof(s_calls) - strlen(s_calls) - 2);
    strncat(s_calls, ";", sizeof(s_calls) - strlen(s_calls) - 1);
}

const char *fake_calls(void)
{
    return s_calls;
}

#ifndef FAKE_NO_INIT
void rtc_init(void)
{
    record("init");
}
#endif

void rtc_release(void)
{
    record("release");
}

void rtc_startPushStream(const char *params, void *eventUser, EventCallBack onEvent, void *frameUser,
                         StreamCallBack onFrame)
{
    char line[512];
    snprintf(line, sizeof(line), "start:%s", params);
    record(line);
    unsigned char pixels[2 * 2 * 4] = { 255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255 };
    if (onFrame)
        onFrame(frameUser, 2, -2, pixels);
    if (onEvent)
        onEvent(eventUser, 0, "0");
}

void rtc_stopPushStream(const char *params)
{
    char line[512];
    snprintf(line, sizeof(line), "stop:%s", params);
    record(line);
}

void rtc_registerLogCB(LogCallBack log)
{
    record("registerLog");
    log("library says debug", 0);
    log("library says warning", 1);
    log("library says critical", 2);
}

#ifndef FAKE_NO_EVENT
void rtc_event(const char *text, int value)
{
    char line[512];
    snprintf(line, sizeof(line), "event:%s:%d", text, value);
    record(line);
}
#endif
