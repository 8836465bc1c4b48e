#include "sandbox/devicescene.h"

#include "tests/support/fakeclassroomserver.h"

#include <cstdio>

DeviceScene::DeviceScene(ClassroomSandbox *sandbox)
    : SandboxScene(sandbox)
{ }

DeviceScene::~DeviceScene() = default;

bool DeviceScene::install()
{
    connect(sandbox(), &ClassroomSandbox::lessonJoined, this, &DeviceScene::ask);
    connect(sandbox()->classroom(), &FakeClassroomServer::lineReceived, this, &DeviceScene::onLine);
    return true;
}

void DeviceScene::ask(const ClassroomSandbox::Lesson &lesson)
{
    // The lecturer asks; when he is the one who joined, nobody does.
    if (sandbox()->joinedUserId() == lesson.teacherId)
        return;
    // The teacher's own counts ride along; receivers ignore them.
    sandbox()->classroom()->sendLine(QStringLiteral("11\t0\t4$0$%1$1$1").arg(lesson.teacherId));
}

void DeviceScene::onLine(const QString &line)
{
    // An answer to the teacher: "11", "1", the teacher, "4$1$<id>$<microphones>$<cameras>", kind "0".
    const QStringList fields = line.split('\t');
    const ClassroomSandbox::Lesson lesson = sandbox()->joinedLesson();
    if (fields.size() != 5 || fields.at(0) != QLatin1String("11") || fields.at(1) != QLatin1String("1")
        || fields.at(2) != lesson.teacherId || !fields.at(3).startsWith(QLatin1String("4$1$")))
        return;
    const QStringList parts = fields.at(3).split('$');
    if (parts.size() != 5)
        return;
    m_answers.append(fields.at(3));
    std::fprintf(stderr, "device %s microphones=%s cameras=%s\n", qPrintable(parts.at(2)), qPrintable(parts.at(3)),
        qPrintable(parts.at(4)));
    emit answered(fields.at(3));
}
