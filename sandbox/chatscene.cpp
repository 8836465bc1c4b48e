#include "sandbox/chatscene.h"

#include "tests/support/fakehttpserver.h"

#include <QDateTime>
#include <QDebug>
#include <QJsonDocument>
#include <QJsonObject>

namespace {
constexpr int personalText = 0;
constexpr int classText = 1;
constexpr int unmute = 2;
constexpr int mute = 3;
const char *const muteWord = "禁言";
// Replies longer than this quote the beginning of the student's text only.
constexpr int quotedLength = 24;

QString decode(const QString &base64)
{
    return QString::fromUtf8(
        QByteArray::fromBase64(base64.toLatin1(), QByteArray::Base64UrlEncoding | QByteArray::KeepTrailingEquals));
}

// The first file part of a multipart form: its bytes and the suffix of its file name.
bool firstFilePart(const FakeHttpServer::Request &request, QByteArray &bytes, QString &suffix)
{
    const QByteArray type = request.header("content-type");
    const int at = type.indexOf("boundary=");
    if (at < 0)
        return false;
    QByteArray boundary = type.mid(at + 9);
    if (boundary.startsWith('"') && boundary.endsWith('"'))
        boundary = boundary.mid(1, boundary.size() - 2);
    const QByteArray delimiter = "--" + boundary;
    const int partStart = request.body.indexOf(delimiter);
    const int headersEnd = request.body.indexOf("\r\n\r\n", partStart);
    const int partEnd = request.body.indexOf("\r\n" + delimiter, headersEnd);
    if (partStart < 0 || headersEnd < 0 || partEnd < 0)
        return false;
    const QByteArray headers = request.body.mid(partStart, headersEnd - partStart);
    const int name = headers.indexOf("filename=\"");
    const QByteArray fileName
        = name < 0 ? QByteArray() : headers.mid(name + 10, headers.indexOf('"', name + 10) - name - 10);
    suffix = QString::fromUtf8(fileName).section('.', -1).toLower();
    if (suffix != QLatin1String("png") && suffix != QLatin1String("jpg") && suffix != QLatin1String("jpeg"))
        suffix = QStringLiteral("png");
    bytes = request.body.mid(headersEnd + 4, partEnd - headersEnd - 4);
    return !bytes.isEmpty();
}

QByteArray json(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}
} // namespace

ChatScene::ChatScene(ClassroomSandbox *sandbox)
    : SandboxScene(sandbox)
{
    m_unmuteTimer.setSingleShot(true);
    connect(&m_unmuteTimer, &QTimer::timeout, this, [this] {
        teacherMutesAll(false);
        says(QStringLiteral("禁言结束，大家可以继续发言了。"));
    });
}

ChatScene::~ChatScene() = default;

bool ChatScene::install()
{
    connect(sandbox(), &ClassroomSandbox::lessonJoined, this, &ChatScene::onLessonJoined);
    connect(sandbox(), &ClassroomSandbox::lessonLeft, this, &ChatScene::onLessonLeft);
    connect(sandbox()->classroom(), &FakeClassroomServer::lineReceived, this, &ChatScene::onLine);

    sandbox()->http()->setHandler(uploadPath, [this](const FakeHttpServer::Request &request) {
        FakeHttpServer::Reply reply;
        QByteArray bytes;
        QString suffix;
        if (!firstFilePart(request, bytes, suffix)) {
            reply.body = json({ { "requestStatus", "error" }, { "requestBody", "no picture" } });
            return reply;
        }
        const QByteArray path
            = QByteArray(picturePath) + QByteArray::number(++m_pictureCount) + '.' + suffix.toLatin1();
        FakeHttpServer::Reply picture;
        picture.body = bytes;
        picture.contentType = suffix == QLatin1String("png") ? "image/png" : "image/jpeg";
        sandbox()->http()->setReply(path, picture);
        const QString address = sandbox()->http()->baseUrl() + QString::fromLatin1(path);
        const QJsonObject body { { "originalGraph", address } };
        reply.body = json({ { "requestStatus", "success" }, { "requestBody", QString::fromUtf8(json(body)) } });
        return reply;
    });
    return true;
}

QString ChatScene::chatText(int cmType, const QString &senderId, const QString &receiverId, const QString &content)
{
    const QByteArray base64 = content.toUtf8().toBase64(QByteArray::Base64UrlEncoding | QByteArray::KeepTrailingEquals);
    return QStringLiteral("1$%1$%2$%3$%4$%5")
        .arg(cmType)
        .arg(senderId)
        .arg(QDateTime::currentSecsSinceEpoch())
        .arg(receiverId, QString::fromLatin1(base64));
}

void ChatScene::onLessonJoined(const ClassroomSandbox::Lesson &lesson)
{
    ++m_generation;
    m_unmuteTimer.stop();
    m_inLesson = true;
    m_lesson = lesson;
    m_greeted = false;
}

void ChatScene::onLessonLeft()
{
    ++m_generation;
    m_unmuteTimer.stop();
    m_inLesson = false;
}

QString ChatScene::speakerId() const
{
    return m_joinedUserId == m_lesson.teacherId ? sandbox()->account().userId : m_lesson.teacherId;
}

void ChatScene::greetOnce()
{
    if (!m_inLesson || m_greeted)
        return;
    m_greeted = true;
    if (teacherSpeaks())
        saysLater(QStringLiteral("同学们好，欢迎来到《%1》！有问题可以在这里提问。").arg(m_lesson.title));
    else
        saysLater(QStringLiteral("老师好！我是%1。").arg(sandbox()->account().userName));
}

void ChatScene::onLine(const QString &line)
{
    // A forward: "11", 0 (class) or 1 (personal), class or target id, data, kind.
    const QStringList fields = line.split('\t');
    // The join: "6", user id, ...; the lesson itself arrives with the sandbox's lessonJoined.
    if (fields.size() > 2 && fields.at(0) == QLatin1String("6"))
        m_joinedUserId = fields.at(1);
    // The participant request ("3", user id; the sandbox answers it): the user is in.
    if (fields.size() == 2 && fields.at(0) == QLatin1String("3"))
        greetOnce();
    if (!m_inLesson || fields.size() != 5 || fields.at(0) != QLatin1String("11"))
        return;
    const QString &data = fields.at(3);
    if (fields.at(4) == QLatin1String("13")) {
        m_pictureNotices.append(data);
        qInfo() << "picture notice:" << data;
        if (teacherSpeaks())
            saysLater(QStringLiteral("老师看到你发的图片了。"));
        return;
    }
    if (fields.at(4) != QLatin1String("0"))
        return;
    const QStringList chat = data.split('$');
    if (chat.size() != 6 || chat.at(0) != QLatin1String("1"))
        return;
    const int cmType = chat.at(1).toInt();
    if (fields.at(1) == QLatin1String("0") && cmType == classText) {
        // The server hands a class-wide text to everyone in the class, its author too.
        sendForward(0, data);
        onClientText(cmType, chat.at(2), decode(chat.at(5)));
    } else if (fields.at(1) == QLatin1String("1") && cmType == personalText && fields.at(2) == speakerId()) {
        onClientText(cmType, chat.at(2), decode(chat.at(5)));
    }
}

void ChatScene::onClientText(int cmType, const QString &senderId, const QString &content)
{
    const QString speaker = speakerId();
    if (senderId == speaker)
        return;
    const QString quoted = content.size() > quotedLength ? content.left(quotedLength) + QStringLiteral("…") : content;
    if (cmType == personalText) {
        const quint64 generation = m_generation;
        QTimer::singleShot(m_replyDelayMs, this, [this, generation, speaker, senderId, quoted] {
            if (generation == m_generation)
                sendForward(
                    1, chatText(personalText, speaker, senderId, QStringLiteral("（私聊）收到：“%1”").arg(quoted)));
        });
        return;
    }
    if (!teacherSpeaks()) {
        saysLater(QStringLiteral("收到，老师！"));
        return;
    }
    if (content.contains(QString::fromUtf8(muteWord))) {
        const quint64 generation = m_generation;
        QTimer::singleShot(m_replyDelayMs, this, [this, generation] {
            if (generation != m_generation)
                return;
            says(QStringLiteral("好的，全体禁言 %1 秒。").arg(m_muteAllMs / 1000));
            teacherMutesAll(true);
            m_unmuteTimer.start(m_muteAllMs);
        });
        return;
    }
    saysLater(QStringLiteral("收到你的消息：“%1”，请继续。").arg(quoted));
}

void ChatScene::saysLater(const QString &text)
{
    const quint64 generation = m_generation;
    QTimer::singleShot(m_replyDelayMs, this, [this, generation, text] {
        if (generation == m_generation)
            says(text);
    });
}

void ChatScene::says(const QString &text)
{
    if (m_inLesson)
        sendForward(0, chatText(classText, speakerId(), m_lesson.tClass(), text));
}

void ChatScene::teacherMutesAll(bool noTalk)
{
    if (m_inLesson)
        sendForward(0, chatText(noTalk ? mute : unmute, m_lesson.teacherId, QStringLiteral("all"), QString()));
}

void ChatScene::sendForward(int forward, const QString &data)
{
    sandbox()->classroom()->sendLine(QStringLiteral("11\t%1\t%2").arg(forward).arg(data));
}
