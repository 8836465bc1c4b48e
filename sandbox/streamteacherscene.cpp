#include "sandbox/streamteacherscene.h"

#include "tests/support/fakeclassroomserver.h"
#include "tests/support/rtmpserver.h"

#include <QDebug>

StreamTeacherScene::StreamTeacherScene(ClassroomSandbox *sandbox)
    : SandboxScene(sandbox)
    , m_started(QDateTime::currentDateTime())
{
    qRegisterMetaType<StreamTeacherScene::StreamCommand>("StreamTeacherScene::StreamCommand");
}

StreamTeacherScene::~StreamTeacherScene()
{
    // The publishers go before the server they publish to.
    m_publishers.clear();
}

bool StreamTeacherScene::install()
{
    auto rtmp = std::make_unique<RtmpServer>();
    if (!rtmp->start()) {
        qWarning().noquote() << "stream teacher: no RTMP server, lessons run without streams:" << rtmp->errorLog();
    } else {
        m_rtmp = std::move(rtmp);
        FakeClassroomServer::LoginReply &reply = sandbox()->loginReply();
        reply.rtmpHost = QStringLiteral("127.0.0.1");
        reply.rtmpPort = QString::number(m_rtmp->port());
        reply.webrtcHost = reply.rtmpHost;
        reply.webrtcPort = reply.rtmpPort;
        qInfo().noquote() << "stream teacher: RTMP server on 127.0.0.1:" + reply.rtmpPort;
    }
    connect(sandbox(), &ClassroomSandbox::lessonJoined, this, &StreamTeacherScene::startClass);
    connect(sandbox(), &ClassroomSandbox::lessonLeft, this, &StreamTeacherScene::endClass);
    connect(sandbox()->classroom(), &FakeClassroomServer::clientDisconnected, this, &StreamTeacherScene::endClass);
    connect(sandbox()->classroom(), &FakeClassroomServer::lineReceived, this, &StreamTeacherScene::onLine);
    return true;
}

QString StreamTeacherScene::lecturerPushId(const ClassroomSandbox::Lesson &lesson) const
{
    return lesson.teacherId + m_started.toString(QStringLiteral("yyyyMMddHHmmss"));
}

FfmpegPublisher::Options StreamTeacherScene::teacherStream()
{
    FfmpegPublisher::Options options;
    options.pattern = QStringLiteral("testsrc"); // with a running counter
    options.width = 320;
    options.height = 240;
    options.frameRate = 15;
    options.toneHz = 440;
    return options;
}

bool StreamTeacherScene::publish(const QString &streamId, const FfmpegPublisher::Options &options)
{
    stopPublishing(streamId);
    if (!m_rtmp)
        return false;
    auto publisher = std::make_shared<FfmpegPublisher>(options);
    if (!publisher->start(m_rtmp->url(streamId))) {
        qWarning().noquote() << "stream teacher: the stream" << streamId
                             << "did not start:" << publisher->errorOutput();
        return false;
    }
    m_publishers.insert(streamId, publisher);
    qInfo().noquote() << "stream teacher: publishing" << m_rtmp->url(streamId);
    return true;
}

void StreamTeacherScene::stopPublishing(const QString &streamId)
{
    m_publishers.remove(streamId);
}

void StreamTeacherScene::startClass(const ClassroomSandbox::Lesson &lesson)
{
    endClass();
    // The lesson's own teacher pushes for himself.
    if (m_joinedUserId == lesson.teacherId) {
        qInfo().noquote() << "stream teacher: the teacher" << lesson.teacherId << "joined, no stream is played";
        return;
    }
    m_lesson = lesson;
    const QString pushId = lecturerPushId(lesson);
    publish(pushId, teacherStream());
    // The class start ("8", the teacher, 0, the push stream id, the running class), then the pull command.
    sandbox()->classroom()->sendLine(
        QStringLiteral("8\t%1\t0\t%2\tclasses%3").arg(lesson.teacherId, pushId).arg(lesson.id));
    sendStreamCommand(0, lesson.teacherId, QString(), pushId);
    emit classStarted(lesson, pushId);
}

void StreamTeacherScene::endClass()
{
    if (m_lesson.id == 0)
        return;
    m_publishers.clear();
    m_commands.clear();
    m_lesson = ClassroomSandbox::Lesson {};
}

void StreamTeacherScene::sendStreamCommand(int type, const QString &fromUserId, const QString &toUserId,
    const QString &streamId, int errorType, const QString &thirdUserId)
{
    sandbox()->classroom()->sendLine(QStringLiteral("11\t0\t3$%1$%2$%3$%4$%5$%6$")
                                         .arg(type)
                                         .arg(fromUserId, toUserId, streamId)
                                         .arg(errorType)
                                         .arg(thirdUserId));
}

bool StreamTeacherScene::readStreamCommand(const QString &line, StreamCommand &command)
{
    const QStringList fields = line.split('\t');
    if (fields.size() != 5 || fields.at(0) != QLatin1String("11") || !fields.at(3).startsWith(QLatin1String("3$")))
        return false;
    const QStringList parts = fields.at(3).split('$');
    if (parts.size() != 8)
        return false;
    command.personal = fields.at(1) == QLatin1String("1");
    command.target = fields.at(2);
    command.type = parts.at(1).toInt();
    command.fromUserId = parts.at(2);
    command.toUserId = parts.at(3);
    command.streamId = parts.at(4);
    command.errorType = parts.at(5).toInt();
    return true;
}

void StreamTeacherScene::onLine(const QString &line)
{
    // The join line: "6", user id, class id, ...
    if (line.startsWith(QLatin1String("6\t")))
        m_joinedUserId = line.section('\t', 1, 1);
    StreamCommand command;
    if (!readStreamCommand(line, command))
        return;
    qInfo().noquote() << "stream teacher: stream command" << line;
    m_commands.append(command);
    emit streamCommandReceived(command);
}
