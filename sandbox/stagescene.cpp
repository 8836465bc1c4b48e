#include "sandbox/stagescene.h"

#include "tests/support/fakeclassroomserver.h"

#include <QTimer>

#include <cstdio>

namespace {
// The stream commands of the stage.
enum {
    RequestPushStreamId = 2,
    RequestStopPushStream = 3,
    ResponsePushStreamFail = 4,
    StartPullSubStream = 5,
    StopPullSubStream = 6,
    RequestPushWebRtcStream = 16,
    ResponsePushWebRtcStreamFail = 17,
    RequestStopPushWebrtcStream = 18,
    ResponsePushWebRtcStreamSucc = 19,
};
} // namespace

StageScene::StageScene(ClassroomSandbox *sandbox)
    : SandboxScene(sandbox)
    , m_timer(new QTimer(this))
{
    connect(m_timer, &QTimer::timeout, this, &StageScene::tick);
}

StageScene::~StageScene() = default;

ClassroomSandbox::Lesson StageScene::stageLesson()
{
    return { 3103, QString::fromUtf8("科学实验观察"), 6, QString::fromUtf8("科学"), "903", QString::fromUtf8("赵老师"),
        5 * 60 };
}

ClassroomSandbox::Participant StageScene::classmate()
{
    return { "20002", QString::fromUtf8("张小红"), "1" };
}

bool StageScene::install()
{
    sandbox()->addLesson(stageLesson());
    sandbox()->addParticipant(classmate());
    m_teacher = sandbox()->findChild<StreamTeacherScene *>();
    if (!m_teacher) {
        std::fprintf(stderr, "stage: no stream teacher, the stage is not played\n");
        return true;
    }
    connect(sandbox(), &ClassroomSandbox::lessonJoined, this, &StageScene::start);
    connect(sandbox(), &ClassroomSandbox::lessonLeft, this, &StageScene::stop);
    connect(sandbox()->classroom(), &FakeClassroomServer::clientDisconnected, this, &StageScene::stop);
    connect(sandbox()->classroom(), &FakeClassroomServer::lineReceived, this, &StageScene::onLine);
    return true;
}

QString StageScene::classmatePushId() const
{
    // The classmate's stream is named as the teacher's, after the classmate.
    ClassroomSandbox::Lesson named;
    named.teacherId = classmate().userId;
    return m_teacher ? m_teacher->lecturerPushId(named) : QString();
}

void StageScene::start(const ClassroomSandbox::Lesson &lesson)
{
    stop();
    if (sandbox()->joinedUserId() != sandbox()->account().userId)
        return;
    if (lesson.lessonType == 6)
        m_cues = { { classmateOnStep, "classmate on" }, { classmateOffStep, "classmate off" },
            { studentCalledStep, "student called" } };
    else if (lesson.lessonType == 4)
        m_cues = { { webrtcCallStep, "webrtc call" } };
    else
        return;
    m_lesson = lesson;
    m_studentId = sandbox()->joinedUserId();
    m_step = 0;
    m_answers.clear();
    m_timer->start(m_stepMs);
}

void StageScene::stop()
{
    m_timer->stop();
    m_cues.clear();
    if (m_lesson.id != 0 && m_teacher)
        m_teacher->stopPublishing(classmatePushId());
    m_lesson = ClassroomSandbox::Lesson {};
}

void StageScene::tick()
{
    ++m_step;
    while (!m_cues.isEmpty() && m_cues.first().step <= m_step)
        play(m_cues.takeFirst().name);
    if (m_cues.isEmpty())
        m_timer->stop();
}

void StageScene::play(const QString &name)
{
    const QString teacher = m_lesson.teacherId;
    const QString mate = classmate().userId;
    if (name == "classmate on") {
        m_teacher->sendStreamCommand(RequestPushStreamId, teacher, mate);
        FfmpegPublisher::Options options = StreamTeacherScene::teacherStream();
        options.pattern = QStringLiteral("smptebars");
        options.toneHz = 660;
        if (m_teacher->publish(classmatePushId(), options))
            m_teacher->sendStreamCommand(StartPullSubStream, mate, QString(), classmatePushId());
        else
            m_teacher->sendStreamCommand(ResponsePushStreamFail, mate, QString(), classmatePushId());
    } else if (name == "classmate off") {
        m_teacher->sendStreamCommand(StopPullSubStream, mate, QString(), classmatePushId());
        m_teacher->stopPublishing(classmatePushId());
    } else if (name == "student called") {
        m_teacher->sendStreamCommand(RequestPushStreamId, teacher, m_studentId);
    } else if (name == "webrtc call") {
        m_teacher->sendStreamCommand(
            RequestPushWebRtcStream, teacher, m_studentId, m_teacher->lecturerPushId(m_lesson));
    } else if (name == "student off") {
        const int type = m_lesson.lessonType == 4 ? RequestStopPushWebrtcStream : RequestStopPushStream;
        m_teacher->sendStreamCommand(type, teacher, m_studentId);
    }
    emit played(name);
}

void StageScene::onLine(const QString &line)
{
    StreamTeacherScene::StreamCommand command;
    if (m_lesson.id == 0 || !StreamTeacherScene::readStreamCommand(line, command) || command.fromUserId != m_studentId)
        return;
    switch (command.type) {
    case ResponsePushStreamFail:
    case StartPullSubStream:
    case StopPullSubStream:
    case ResponsePushWebRtcStreamFail:
    case ResponsePushWebRtcStreamSucc:
        break;
    default:
        return;
    }
    m_answers.append(line);
    std::fprintf(stderr, "stage %s\n", qPrintable(line));
    // A stream that runs is asked off the stage after a while.
    if (command.type == StartPullSubStream || command.type == ResponsePushWebRtcStreamSucc) {
        m_cues.append({ m_step + studentStaysSteps, "student off" });
        if (!m_timer->isActive())
            m_timer->start(m_stepMs);
    }
}
