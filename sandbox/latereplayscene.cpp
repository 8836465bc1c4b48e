#include "sandbox/latereplayscene.h"

#include "sandbox/classroomsandbox.h"
#include "sandbox/coursefilescene.h"
#include "sandbox/coursevideoscene.h"
#include "sandbox/lessonscriptscene.h"
#include "tests/support/fakeclassroomserver.h"
#include "vrek/message/ctrlmessage.h"
#include "vrek/message/tsprotocolanalysis.h"
#include "vrek/message/videocoursemessage.h"

#include <QDebug>

namespace {
// Control kinds of the late-arrival handshake.
enum : quint32 {
    PhaseSent = 0,
    PhaseAcknowledged = 1,
    UiType = 2,
    Request = 4,
    Begin = 5,
    End = 6,
    EndAcknowledged = 7,
};

const QString defaultFileIdAll = QStringLiteral("AAAA_A");
// A file-info line that offers a course file to the class.
const QString offerPrefix = QStringLiteral("4\t0\t");
} // namespace

LateReplayScene::LateReplayScene(ClassroomSandbox *sandbox)
    : SandboxScene(sandbox)
{ }

LateReplayScene::~LateReplayScene() = default;

bool LateReplayScene::install()
{
    connect(sandbox()->classroom(), &FakeClassroomServer::lineReceived, this, &LateReplayScene::onLine);
    connect(sandbox(), &ClassroomSandbox::lessonJoined, this, &LateReplayScene::onLessonJoined);
    if (auto *courseFiles = sandbox()->findChild<CourseFileScene *>())
        connect(courseFiles, &CourseFileScene::filesShared, this, [this] { m_filesShared = true; });
    if (auto *lessonScript = sandbox()->findChild<LessonScriptScene *>())
        connect(lessonScript, &LessonScriptScene::played, this, &LateReplayScene::record);
    if (auto *video = sandbox()->findChild<CourseVideoScene *>())
        connect(video, &CourseVideoScene::played, this, &LateReplayScene::record);
    return true;
}

QString LateReplayScene::teacherId() const
{
    return sandbox()->joinedLesson().teacherId;
}

void LateReplayScene::onLessonJoined()
{
    // What was shown stays with its lesson.
    const qint64 lessonId = sandbox()->joinedLesson().id;
    if (lessonId == m_lessonId)
        return;
    reset();
    m_lessonId = lessonId;
}

void LateReplayScene::reset()
{
    m_filesShared = false;
    m_strokes.clear();
    m_boardStrokes.clear();
    m_courseData.clear();
    m_openFileIdAll.clear();
    m_uiType = -1;
    m_videoId.clear();
}

void LateReplayScene::addStep(QList<Stroke> &strokes, const PPtMessage &message)
{
    const DrawControl &control = message.getDrawControl();
    const QString key = QStringLiteral("%1:%2:%3")
                            .arg(control.getFileIdAll())
                            .arg(control.getPageId())
                            .arg(message.getDrawSignal().getPointSetId());
    // The steps of a stroke in progress gather in one record; a finished stroke is not added to.
    for (Stroke &stroke : strokes) {
        if (stroke.key == key && stroke.message.getDrawSignal().getIsTemp() != 0) {
            stroke.message.setDrawSignal(message.getDrawSignal());
            return;
        }
    }
    strokes.append({ key, message });
}

void LateReplayScene::record(const QString &line)
{
    const QStringList fields = line.split('\t');
    if (fields.size() != 3 || fields.at(0) != "11" || fields.at(1) != "0")
        return;
    const QString data = fields.at(2);
    if (data.startsWith("0$")) {
        PPtMessage message;
        if (!TSProtocolAnalysis::readPPtMessage(data, message))
            return;
        const QString fileIdAll = message.getDrawControl().getFileIdAll();
        switch (message.getPpmType()) {
        case PPtMessage::OpenFile:
            m_videoId.clear();
            m_openFileIdAll = fileIdAll == defaultFileIdAll ? QString() : fileIdAll;
            m_courseData = m_openFileIdAll.isEmpty() ? QString() : data;
            break;
        case PPtMessage::PageChange:
            if (fileIdAll == m_openFileIdAll) {
                // Replayed as an open at the page.
                PPtMessage open(PPtMessage::OpenFile);
                open.setDrawControl(message.getDrawControl());
                TSProtocolAnalysis::sendPPtMessage(open, m_courseData);
            }
            break;
        case PPtMessage::DrawOnline:
            addStep(m_strokes, message);
            break;
        case PPtMessage::BoardDrawOnline:
            addStep(m_boardStrokes, message);
            break;
        default:
            break;
        }
    } else if (data.startsWith("2$")) {
        CtrlMessage message;
        if (TSProtocolAnalysis::readCtrlMessage(data, message) && message.getCtType() == UiType)
            m_uiType = int(message.getUiCtrlType());
    } else if (data.startsWith("5$")) {
        VideoCourseMessage message;
        if (!TSProtocolAnalysis::readVideoCourseMessage(data, message))
            return;
        if (message.getVcmType() == 0) {
            m_videoId = message.getId();
            m_courseData.clear();
            m_openFileIdAll.clear();
        } else if (message.getId() != m_videoId) {
            return;
        }
        m_videoPositionMs = message.getValue1();
        m_videoPaused = message.getFlag();
        m_videoClock.start();
    }
}

void LateReplayScene::onLine(const QString &line)
{
    // A personal forward to the lesson's teacher: "11", "1", teacher, text, kind.
    const QStringList fields = line.split('\t');
    if (fields.size() != 5 || fields.at(0) != "11" || fields.at(1) != "1" || fields.at(2) != teacherId()
        || !fields.at(3).startsWith("2$"))
        return;
    CtrlMessage message;
    if (!TSProtocolAnalysis::readCtrlMessage(fields.at(3), message))
        return;
    switch (message.getCtType()) {
    case Request:
        qInfo() << "late joiner:" << message.getPersonId();
        sendToJoiner(QStringLiteral("2$%1:%2").arg(Begin).arg(teacherId()));
        sendFiles();
        break;
    case PhaseAcknowledged:
        m_acknowledged.append({ int(message.getLateCtrlType()), int(message.getLateCount()) });
        if (message.getLateCtrlType() == PhaseFiles)
            sendStrokes(m_strokes, PPtMessage::DrawOffline, PhaseDrawings);
        else if (message.getLateCtrlType() == PhaseDrawings)
            sendStrokes(m_boardStrokes, PPtMessage::BoardDrawOffline, PhaseBoard);
        else if (message.getLateCtrlType() == PhaseBoard)
            sendState();
        break;
    case EndAcknowledged:
        emit replayEnded(message.getPersonId());
        break;
    default:
        break;
    }
}

void LateReplayScene::sendToJoiner(const QString &data)
{
    sandbox()->classroom()->sendLine("11\t1\t" + data);
    emit replayed(data);
}

void LateReplayScene::sendPhase(int phase, int count)
{
    m_sent.append({ phase, count });
    sendToJoiner(QStringLiteral("2$%1:%2:%3:%4").arg(PhaseSent).arg(phase).arg(teacherId()).arg(count));
}

void LateReplayScene::sendFiles()
{
    int count = 0;
    auto *courseFiles = sandbox()->findChild<CourseFileScene *>();
    if (m_filesShared && courseFiles) {
        for (const QString &line : courseFiles->shareLines()) {
            if (!line.startsWith(offerPrefix))
                continue;
            // As the server hands a file shared with one user on: a file-info line of its own.
            sandbox()->classroom()->sendLine(line);
            emit replayed(line);
            ++count;
        }
    }
    sendPhase(PhaseFiles, count);
}

void LateReplayScene::sendStrokes(const QList<Stroke> &strokes, PPtMessage::PPMType type, int phase)
{
    int count = 0;
    for (const Stroke &stroke : strokes) {
        PPtMessage message = stroke.message;
        message.setPpmType(type);
        QString text;
        if (!TSProtocolAnalysis::sendPPtMessage(message, text))
            continue;
        sendToJoiner(text);
        ++count;
    }
    sendPhase(phase, count);
}

void LateReplayScene::sendState()
{
    if (!m_videoId.isEmpty()) {
        const qint64 lengthMs = CourseFileScene::clipSeconds * 1000;
        // The teacher's copy plays on (from the start again at its end) unless paused.
        const qint64 position = (m_videoPositionMs + (m_videoPaused ? 0 : m_videoClock.elapsed())) % lengthMs;
        sendToJoiner(QStringLiteral("5$0$%1:%2:%3:%4").arg(m_videoId).arg(position).arg(lengthMs).arg(m_videoPaused));
    } else if (!m_courseData.isEmpty()) {
        sendToJoiner(m_courseData);
    }
    if (m_uiType >= 0)
        sendToJoiner(QStringLiteral("2$%1:%2:%3").arg(UiType).arg(m_uiType).arg(teacherId()));
    sendToJoiner(QStringLiteral("2$%1:%2").arg(End).arg(teacherId()));
}
