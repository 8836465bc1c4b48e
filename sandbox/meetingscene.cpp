#include "sandbox/meetingscene.h"

#include "sandbox/streamteacherscene.h"
#include "tests/support/fakeclassroomserver.h"

#include <QDebug>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

#include <cstdio>

MeetingScene::MeetingScene(ClassroomSandbox *sandbox)
    : SandboxScene(sandbox)
    , m_started(QDateTime::currentDateTime())
    , m_timer(new QTimer(this))
{
    connect(m_timer, &QTimer::timeout, this, &MeetingScene::tick);
}

MeetingScene::~MeetingScene() = default;

ClassroomSandbox::Lesson MeetingScene::meeting()
{
    // Hosted by the first lesson's teacher, who can sign in and open it as its host.
    return { 3104, QString::fromUtf8("教研组周会"), 5, QString::fromUtf8("会议"), "901", QString::fromUtf8("王老师"),
        10 * 60 };
}

QList<ClassroomSandbox::Participant> MeetingScene::members()
{
    const qint64 id = meeting().id;
    return {
        { "30001", QString::fromUtf8("钱老师"), "1", id },
        { "30002", QString::fromUtf8("孙老师"), "1", id },
    };
}

QStringList MeetingScene::memberColours()
{
    return { "green", "blue" };
}

bool MeetingScene::install()
{
    sandbox()->addLesson(meeting());
    for (const ClassroomSandbox::Participant &member : members())
        sandbox()->addParticipant(member);
    connect(sandbox(), &ClassroomSandbox::lessonJoined, this, &MeetingScene::start);
    connect(sandbox(), &ClassroomSandbox::lessonLeft, this, &MeetingScene::stop);
    connect(sandbox()->classroom(), &FakeClassroomServer::clientDisconnected, this, &MeetingScene::stop);
    connect(sandbox()->classroom(), &FakeClassroomServer::lineReceived, this, &MeetingScene::onLine);
    return true;
}

StreamTeacherScene *MeetingScene::streamTeacher() const
{
    return sandbox()->findChild<StreamTeacherScene *>();
}

QString MeetingScene::pushIdOf(const QString &userId) const
{
    return userId + m_started.toString(QStringLiteral("yyyyMMddHHmmss"));
}

void MeetingScene::start(const ClassroomSandbox::Lesson &lesson)
{
    stop();
    if (lesson.id != meeting().id)
        return;
    m_running = true;
    StreamTeacherScene *streams = streamTeacher();
    const QStringList colours = memberColours();
    const QList<ClassroomSandbox::Participant> list = members();
    for (int index = 0; index < list.size() && streams; ++index) {
        FfmpegPublisher::Options options;
        options.width = 160;
        options.height = 120;
        options.frameRate = 10;
        options.color = colours.at(index);
        options.toneHz = 550 + 110 * index;
        streams->publish(pushIdOf(list.at(index).userId), options);
    }
    // The host plays his part for a participant only.
    if (sandbox()->joinedUserId() == lesson.teacherId)
        return;
    m_step = 0;
    if (m_stepMs > 0)
        m_timer->start(m_stepMs);
}

void MeetingScene::stop()
{
    m_timer->stop();
    if (!m_running)
        return;
    m_running = false;
    if (StreamTeacherScene *streams = streamTeacher()) {
        for (const ClassroomSandbox::Participant &member : members())
            streams->stopPublishing(pushIdOf(member.userId));
    }
}

void MeetingScene::tick()
{
    ++m_step;
    if (m_step == onStageStep) {
        sendOnStage();
    } else if (m_step >= offStageStep) {
        sendOffStage();
        m_timer->stop();
    }
}

void MeetingScene::sendOnStage()
{
    StreamTeacherScene *streams = streamTeacher();
    if (!streams)
        return;
    const QString member = members().first().userId;
    // The user on stage travels as the addressee and as the third user, as a host's client sends him.
    streams->sendStreamCommand(5, meeting().teacherId, member, pushIdOf(member), 0, member);
    emit played(QStringLiteral("5 ") + member);
}

void MeetingScene::sendOffStage()
{
    StreamTeacherScene *streams = streamTeacher();
    if (!streams)
        return;
    const QString member = members().first().userId;
    streams->sendStreamCommand(6, meeting().teacherId, member, QString(), 0, member);
    emit played(QStringLiteral("6 ") + member);
}

QString MeetingScene::streamIdTable() const
{
    QJsonObject table;
    const ClassroomSandbox::Lesson lesson = meeting();
    StreamTeacherScene *streams = streamTeacher();
    if (streams && sandbox()->joinedUserId() != lesson.teacherId)
        table.insert(lesson.teacherId, streams->lecturerPushId(lesson));
    for (const ClassroomSandbox::Participant &member : members())
        table.insert(member.userId, pushIdOf(member.userId));
    return QStringLiteral("18\t%1\t3")
        .arg(QString::fromUtf8(QJsonDocument(QJsonArray { table }).toJson(QJsonDocument::Compact)));
}

void MeetingScene::onLine(const QString &line)
{
    if (sandbox()->joinedLesson().id != meeting().id)
        return;
    // The table request: "18", the user id, nothing, "3"; the own push stream id: "18", user id, id, "1".
    const QStringList fields = line.split('\t');
    if (fields.size() != 4 || fields.at(0) != QLatin1String("18"))
        return;
    if (fields.at(3) == QLatin1String("3")) {
        sandbox()->classroom()->sendLine(streamIdTable());
    } else if (fields.at(3) == QLatin1String("1")) {
        m_announced.append(fields.at(2));
        std::fprintf(stderr, "meeting %s@%s\n", qPrintable(fields.at(1)), qPrintable(fields.at(2)));
    }
}
