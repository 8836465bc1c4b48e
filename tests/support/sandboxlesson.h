#ifndef SANDBOXLESSON_H
#define SANDBOXLESSON_H

#include "sandbox/classroomsandbox.h"
#include "vrek/utils/globalvalue.h"

// Sets the client's session state as a sign-in with the user id and the entry into the lesson leave it.
inline void enterSandboxLesson(const ClassroomSandbox::Lesson &lesson, const QString &userId)
{
    g_userId = userId;
    g_classId = lesson.tClass();
    g_classTitle = lesson.title;
    g_lessonTitle = lesson.title;
    g_roomId = QString::number(lesson.id);
    g_classType = lesson.lessonType;
    g_lectId = lesson.teacherId;
    g_userType = 1;
}

// Sets the client's session state as the sign-in of the sandbox's demo student and the entry into the sandbox's
// first lesson leave it, and returns that lesson. For tests that link the sandbox and the client's code.
inline ClassroomSandbox::Lesson enterSandboxLesson(const ClassroomSandbox &sandbox)
{
    const ClassroomSandbox::Lesson lesson = sandbox.lessons().first();
    enterSandboxLesson(lesson, sandbox.account().userId);
    return lesson;
}

#endif // SANDBOXLESSON_H
