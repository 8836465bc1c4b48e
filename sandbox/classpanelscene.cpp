#include "sandbox/classpanelscene.h"

#include "tests/support/fakeclassroomserver.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

#include <cstdio>

const char *const ClassPanelScene::singleAce = "B";
const char *const ClassPanelScene::multipleAce = "ACE";

namespace {
// The classmates; the second has a camera (which the lecturer's list alone shows).
const ClassroomSandbox::Participant classmates[] = {
    { "20002", QString::fromUtf8("张小红"), "1" },
    { "20003", QString::fromUtf8("刘洋"), "1" },
    { "20004", QString::fromUtf8("陈静"), "1" },
};

QString question(int type, const QString &title, int options, const QString &ace)
{
    const QJsonObject object { { "type", type }, { "title", title }, { "Ace", ace }, { "Options", options } };
    return QString::fromUtf8(QJsonDocument(QJsonArray { object }).toJson(QJsonDocument::Compact));
}
} // namespace

ClassPanelScene::ClassPanelScene(ClassroomSandbox *sandbox)
    : SandboxScene(sandbox)
    , m_timer(new QTimer(this))
{
    connect(m_timer, &QTimer::timeout, this, &ClassPanelScene::tick);
}

ClassPanelScene::~ClassPanelScene() = default;

bool ClassPanelScene::install()
{
    for (const ClassroomSandbox::Participant &classmate : classmates)
        sandbox()->addParticipant(classmate);
    connect(sandbox(), &ClassroomSandbox::lessonJoined, this, &ClassPanelScene::start);
    connect(sandbox(), &ClassroomSandbox::lessonLeft, this, &ClassPanelScene::stop);
    connect(sandbox()->classroom(), &FakeClassroomServer::lineReceived, this, &ClassPanelScene::record);
    return true;
}

QList<ClassPanelScene::Cue> ClassPanelScene::script(const ClassroomSandbox::Lesson &lesson) const
{
    const QString teacher = lesson.teacherId;
    const QString student = sandbox()->account().userId;
    const QString raiser = classmates[1].userId;
    const QString praised = classmates[0].userId;
    // Question lines: "9", the lecturer, "0" (a question), the JSON array, the question id, "0".
    const QString single = QStringLiteral("9\t%1\t0\t%2\tq1\t0")
                               .arg(teacher, question(0, QString::fromUtf8("二分之一比三分之一大吗?"), 4, singleAce));
    const QString multiple = QStringLiteral("9\t%1\t0\t%2\tq2\t0")
                                 .arg(teacher, question(1, QString::fromUtf8("哪些是分数?"), 6, multipleAce));
    const QString stopQuestion = QStringLiteral("9\t%1\t2").arg(teacher);
    const QString closeQuestion = QStringLiteral("11\t8\t%1").arg(teacher);
    return {
        { 3, "11\t3\t3" }, // hands forbidden
        { 6, "11\t3\t2" }, // and allowed again
        { 8, QStringLiteral("11\t3\t%1@1").arg(raiser) },
        { 12, single },
        { 14, QStringLiteral("11\t4\t%1@1@1").arg(student) },
        { 18, QStringLiteral("11\t4\t%1@1@1").arg(praised) },
        { 30, stopQuestion },
        { 33, closeQuestion },
        { 36, QStringLiteral("11\t3\t%1@0").arg(raiser) },
        { 38, multiple },
        { 58, stopQuestion },
        { 61, closeQuestion },
        { 64, QStringLiteral("11\t9\t%1@0@r1@15000").arg(teacher) },
    };
}

void ClassPanelScene::start(const ClassroomSandbox::Lesson &lesson)
{
    // The teacher's play is for the student's seat; a lecturer who joins gets none of it.
    if (sandbox()->joinedUserId() != sandbox()->account().userId)
        return;
    // A student back after a dropped connection joins again: the lesson goes on where it is, and what the
    // teacher asked meanwhile is not asked again.
    if (m_running && m_classId == lesson.tClass())
        return;
    m_running = true;
    m_classId = lesson.tClass();
    m_teacherId = lesson.teacherId;
    m_cues = script(lesson);
    m_step = 0;
    m_timer->start(m_stepMs);
}

void ClassPanelScene::stop()
{
    m_running = false;
    m_timer->stop();
    m_cues.clear();
}

void ClassPanelScene::tick()
{
    ++m_step;
    while (!m_cues.isEmpty() && m_cues.first().step <= m_step) {
        const QString line = m_cues.takeFirst().line;
        sandbox()->classroom()->sendLine(line);
        emit played(line);
    }
    if (m_cues.isEmpty())
        m_timer->stop();
}

void ClassPanelScene::record(const QString &line)
{
    const QStringList fields = line.split('\t');
    // The student's hand: "11", "0", the class, "<id>@1" or "<id>@0", kind "3".
    if (fields.size() == 5 && fields.at(0) == "11" && fields.at(1) == "0" && fields.at(4) == "3"
        && fields.at(3).contains('@')) {
        m_handUps.append(line);
        std::fprintf(stderr, "hand %s\n", qPrintable(fields.at(3)));
    } else if (fields.size() == 8 && fields.at(0) == "9") {
        m_answers.append(line);
        std::fprintf(stderr, "answer %s %s\n", qPrintable(fields.at(3)), qPrintable(fields.at(4)));
    } else if (fields.size() == 5 && fields.at(0) == "11" && fields.at(1) == "1" && fields.at(4) == "10") {
        m_rollCallAnswers.append(line);
        std::fprintf(stderr, "rollcall %s\n", qPrintable(fields.at(3)));
    }
}
