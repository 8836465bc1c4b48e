#include "tests/media/streamcontrolscript.h"

#include "tests/support/classroomlink.h"
#include "tests/support/signalrecorder.h"
#include "vrek/media/control/mediamanagerinfo.h"
#include "vrek/utils/globalvalue.h"

#include <QImage>
#include <QMetaType>
#include <QSize>
#include <QtTest>

namespace {
QString formatValue(const QVariant &value, bool &handled)
{
    handled = true;
    const int type = value.userType();
    if (type == QMetaType::QImage) {
        const QImage image = value.value<QImage>();
        return QString("%1x%2").arg(image.width()).arg(image.height());
    }
    if (type == QMetaType::QSize) {
        const QSize size = value.toSize();
        return QString("%1x%2").arg(size.width()).arg(size.height());
    }
    if (type == qMetaTypeId<MediaManagerInfo>()) {
        const MediaManagerInfo info = value.value<MediaManagerInfo>();
        return QString("%1/%2/%3").arg(info.getKind()).arg(info.getValue()).arg(info.getErrorCode());
    }
    if (QMetaType::typeFlags(type) & QMetaType::IsEnumeration)
        return QString::number(*static_cast<const int *>(value.constData()));
    handled = false;
    return QString();
}
} // namespace

StreamControlScript::StreamControlScript(QObject *manager, ClassroomLink &link, const QString &ownPushStreamId)
    : m_manager(manager)
    , m_link(link)
    , m_id(ownPushStreamId)
    , m_recorder(new SignalRecorder(manager))
{
    m_recorder->setFormatter(formatValue);
    m_recorder->ignore({ "showMainVideoImageOut", "showSubVideoImageOut", "sendRemoteStream" });
    m_lineMark = m_link.sent().size();
}

StreamControlScript::~StreamControlScript()
{
    delete m_recorder;
}

QString StreamControlScript::word(const QStringList &words, int index) const
{
    const QString text = words.value(index);
    if (text == "-")
        return QString();
    return QString(text).replace("$ID", m_id);
}

StreamMediaMessage StreamControlScript::message(const QStringList &words, const QString &ownPushStreamId)
{
    auto field = [&](int index) {
        const QString text = words.value(index);
        return text == "-" ? QString() : QString(text).replace("$ID", ownPushStreamId);
    };
    StreamMediaMessage message;
    message.setSmmType(words.value(1).toUInt());
    message.setFromUserId(field(2));
    message.setToUserId(field(3));
    message.setStreamId(field(4));
    message.setErrorType(words.value(5).toUInt());
    return message;
}

bool StreamControlScript::run(const QStringList &steps)
{
    for (const QString &step : steps) {
        const QStringList words = step.split(' ');
        const QString keyword = words.value(0);
        if (keyword == "smm") {
            QMetaObject::invokeMethod(m_manager, "readSocketMessageIn", Qt::DirectConnection,
                Q_ARG(StreamMediaMessage, message(words, m_id)));
        } else if (keyword == "clear") {
            m_lineMark = m_link.sent().size();
            m_recorder->clear();
        } else if (m_steps.contains(keyword)) {
            m_steps.value(keyword)(words);
        } else {
            m_error = "unknown step: " + step;
            return false;
        }
    }
    return true;
}

QStringList StreamControlScript::lines() const
{
    return m_link.sent().mid(m_lineMark);
}

QStringList StreamControlScript::signalTexts() const
{
    return m_recorder->emitted();
}

QStringList StreamControlScript::expand(const QStringList &texts) const
{
    QStringList expanded;
    for (const QString &text : texts)
        expanded << QString(text).replace("$ID", m_id);
    return expanded;
}

void StreamControlScript::addColumns()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("emitted");
    QTest::addColumn<QString>("warning");
}

void StreamControlScript::runRow()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, lines);
    QFETCH(QStringList, emitted);
    QFETCH(QString, warning);
    if (!warning.isEmpty())
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(warning));
    QVERIFY2(run(steps), qPrintable(error()));
    QCOMPARE(this->lines(), expand(lines));
    QCOMPARE(signalTexts(), expand(emitted));
}

void StreamControlScript::setSession(int userType, const QString &userId, int classType)
{
    g_userType = userType;
    g_userId = userId;
    g_userName = "Name" + userId;
    g_accountId = "sv" + userId;
    g_classType = classType;
    g_classId = "c1";
    g_roomId = "r1";
    g_classesId = "cs1";
    g_rtmpHost = "127.0.0.1";
    g_rtmpPort = 1935;
    g_mediaHost = "127.0.0.2";
    g_mediaPort = 8443;
}

QString StreamControlScript::classLine(const QString &data)
{
    return QString("11\t0\tc1\t%1\t0").arg(data);
}

QString StreamControlScript::personalLine(const QString &target, const QString &data)
{
    return QString("11\t1\t%1\t%2\t0").arg(target, data);
}

QString StreamControlScript::pullUrl(const QString &streamId)
{
    return QString("rtmp://127.0.0.1:1935/live/%1 live=1 timeout=7").arg(streamId);
}

QString StreamControlScript::startPull(const QString &userId, const QString &streamId)
{
    return QString("startPullStreamOut(%1,2,%2,true)").arg(userId, pullUrl(streamId));
}
