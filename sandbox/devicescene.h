#ifndef DEVICESCENE_H
#define DEVICESCENE_H

#include "sandbox/classroomsandbox.h"
#include "sandbox/sandboxscene.h"

#include <QStringList>

// The lecturer's device question: once in every lesson a participant joins, the lesson's teacher asks the class
// how many microphones and cameras each has (device message 0). Every answer that reaches the teacher is kept
// and printed on standard error ("device <id> microphones=<n> cameras=<n>").
class DeviceScene : public SandboxScene
{
    Q_OBJECT
public:
    explicit DeviceScene(ClassroomSandbox *sandbox);
    ~DeviceScene() override;

    bool install() override;
    // The device texts of the answers ("4$1$<id>$<microphones>$<cameras>"), in order.
    QStringList answers() const { return m_answers; }

signals:
    void answered(QString text);

private:
    void ask(const ClassroomSandbox::Lesson &lesson);
    void onLine(const QString &line);

    QStringList m_answers;
};

#endif // DEVICESCENE_H
