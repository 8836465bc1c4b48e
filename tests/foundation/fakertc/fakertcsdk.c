/* A stand-in for the WebRTC push library: records the calls, answers through the callbacks. Built in
 * variants that leave out one export each (FAKE_NO_INIT, FAKE_NO_EVENT), that answer from a thread of their
 * own (FAKE_THREADED: a 320 x 240 bottom-up frame, then the start answer; the stop answer "0"), or that never
 * answer (FAKE_SILENT). The default variant answers at once, on the caller's thread. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#ifdef FAKE_THREADED
#include <pthread.h>
#endif

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

void fake_reset(void)
{
    s_calls[0] = '\0';
}

#ifdef FAKE_THREADED
static char s_startAnswer[16] = "0";

/* What the next start answers ("0" is success). */
void fake_set_start_answer(const char *answer)
{
    snprintf(s_startAnswer, sizeof(s_startAnswer), "%s", answer);
}

struct Answer
{
    void *eventUser;
    EventCallBack onEvent;
    void *frameUser;
    StreamCallBack onFrame;
    int eventType;
};

static void *answer(void *data)
{
    struct Answer *what = (struct Answer *)data;
    if (what->onFrame) {
        const int width = 320;
        const int height = 240;
        unsigned char *pixels = malloc((size_t)width * height * 4);
        if (pixels) {
            /* Blue, green, red, unused: a green picture. */
            for (int i = 0; i < width * height; ++i) {
                pixels[4 * i] = 0;
                pixels[4 * i + 1] = 255;
                pixels[4 * i + 2] = 0;
                pixels[4 * i + 3] = 255;
            }
            what->onFrame(what->frameUser, width, -height, pixels);
            /* The buffer is the library's again once the callback returned. */
            memset(pixels, 0, (size_t)width * height * 4);
            free(pixels);
        }
    }
    if (what->onEvent)
        what->onEvent(what->eventUser, what->eventType, what->eventType == 0 ? s_startAnswer : "0");
    return NULL;
}

static EventCallBack s_onEvent;
static void *s_eventUser;

/* Answers from a thread of its own; returns once that thread has ended, so nothing outlives an unload. */
static void answerFromThread(struct Answer *what)
{
    pthread_t thread;
    if (pthread_create(&thread, NULL, answer, what) == 0)
        pthread_join(thread, NULL);
}
#endif

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
#if defined(FAKE_THREADED)
    s_onEvent = onEvent;
    s_eventUser = eventUser;
    struct Answer what = { eventUser, onEvent, frameUser, onFrame, 0 };
    answerFromThread(&what);
#elif !defined(FAKE_SILENT)
    unsigned char pixels[2 * 2 * 4] = { 255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255 };
    if (onFrame)
        onFrame(frameUser, 2, -2, pixels);
    if (onEvent)
        onEvent(eventUser, 0, "0");
#else
    (void)eventUser;
    (void)onEvent;
    (void)frameUser;
    (void)onFrame;
#endif
}

void rtc_stopPushStream(const char *params)
{
    char line[512];
    snprintf(line, sizeof(line), "stop:%s", params);
    record(line);
#ifdef FAKE_THREADED
    struct Answer what = { s_eventUser, s_onEvent, NULL, NULL, 1 };
    answerFromThread(&what);
#endif
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
