#ifndef STREAMCONTROLSCRIPT_H
#define STREAMCONTROLSCRIPT_H

#include "vrek/message/streammediamessage.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

class ClassroomLink;
class SignalRecorder;

// Drives a stream controller through a script of short steps and writes down what it did, for the table tests
// of the two stream controllers. A step is a keyword and its words, "-" standing for an empty word:
//   "smm TYPE FROM TO STREAM ERROR"  a stream command from the classroom (trailing words may be left out)
//   "clear"                          forget the lines and signals so far
// and whatever the test registers with on(). "$ID" in a word or an expectation is the own push stream id.
class StreamControlScript
{
public:
    using Step = std::function<void(const QStringList &words)>;

    StreamControlScript(QObject *manager, ClassroomLink &link, const QString &ownPushStreamId);
    ~StreamControlScript();

    void on(const QString &keyword, const Step &step) { m_steps.insert(keyword, step); }
    // False, with the step that failed in error(), when a step is unknown.
    bool run(const QStringList &steps);
    QString error() const { return m_error; }

    // The lines sent since the last "clear", and the signals emitted, as "name(arg,...)".
    QStringList lines() const;
    QStringList signalTexts() const;
    // "$ID" replaced by the own push stream id.
    QStringList expand(const QStringList &texts) const;

    // A table of scripts has the columns steps, lines, emitted and warning (a pattern of a warning the steps
    // log, or empty); runRow() runs the current row and compares what was sent and emitted.
    static void addColumns();
    void runRow();

    // The words of a step: "-" is empty, "$ID" the own push stream id.
    QString word(const QStringList &words, int index) const;
    static StreamMediaMessage message(const QStringList &words, const QString &ownPushStreamId);

    // Environment of the tests: user, class and servers.
    static void setSession(int userType, const QString &userId, int classType);
    // How the tests write the lines a controller sends.
    static QString classLine(const QString &data);
    static QString personalLine(const QString &target, const QString &data);
    static QString pullUrl(const QString &streamId);
    // startPullStreamOut as the recorder writes it.
    static QString startPull(const QString &userId, const QString &streamId);

private:
    QObject *m_manager;
    ClassroomLink &m_link;
    QString m_id;
    SignalRecorder *m_recorder;
    QHash<QString, Step> m_steps;
    int m_lineMark = 0;
    QString m_error;
};

#endif // STREAMCONTROLSCRIPT_H
