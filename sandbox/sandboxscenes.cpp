#include "sandbox/sandboxscene.h"

#include "sandbox/bannerscene.h"
#include "sandbox/chatscene.h"
#include "sandbox/classpanelscene.h"
#include "sandbox/coursefilescene.h"
#include "sandbox/coursevideoscene.h"
#include "sandbox/devicecheckscene.h"
#include "sandbox/devicescene.h"
#include "sandbox/filescene.h"
#include "sandbox/homeworkscene.h"
#include "sandbox/latereplayscene.h"
#include "sandbox/lessonscriptscene.h"
#include "sandbox/lockscene.h"
#include "sandbox/meetingscene.h"
#include "sandbox/reviewscene.h"
#include "sandbox/screenlockscene.h"
#include "sandbox/stagescene.h"
#include "sandbox/streamteacherscene.h"

#include <QList>

// The scenes the sandbox plays, one line each.
QList<SandboxScene *> makeSandboxScenes(ClassroomSandbox *sandbox)
{
    QList<SandboxScene *> scenes;
    scenes.append(new ChatScene(sandbox));
    scenes.append(new LockScene(sandbox));
    scenes.append(new FileScene(sandbox));
    scenes.append(new BannerScene(sandbox));
    scenes.append(new CourseFileScene(sandbox));
    scenes.append(new LessonScriptScene(sandbox));
    scenes.append(new CourseVideoScene(sandbox));
    scenes.append(new LateReplayScene(sandbox));
    scenes.append(new ReviewScene(sandbox));
    scenes.append(new StreamTeacherScene(sandbox));
    scenes.append(new ClassPanelScene(sandbox));
    scenes.append(new MeetingScene(sandbox));
    scenes.append(new DeviceScene(sandbox));
    scenes.append(new StageScene(sandbox));
    scenes.append(new DeviceCheckScene(sandbox));
    scenes.append(new HomeworkScene(sandbox));
    scenes.append(new ScreenLockScene(sandbox));
    return scenes;
}
