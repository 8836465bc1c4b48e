#ifndef SANDBOXSCENE_H
#define SANDBOXSCENE_H

#include <QByteArray>
#include <QObject>

class ClassroomSandbox;
class QImage;

// One part of what the sandbox's other side plays (a teacher who publishes a stream, chats, turns slides ...).
// Each scene lives in its own files and is listed once in sandboxscenes.cpp; it hooks itself into the sandbox's
// servers in install() and reacts to the sandbox's signals (a student joining a lesson, leaving it).
class SandboxScene : public QObject
{
    Q_OBJECT
public:
    explicit SandboxScene(ClassroomSandbox *sandbox);
    ~SandboxScene() override;

    // Called once, after the sandbox's servers listen and its own routes are installed. False stops the start.
    virtual bool install() = 0;

protected:
    ClassroomSandbox *sandbox() const { return m_sandbox; }
    // A picture the scene drew, as the PNG file a server sends.
    static QByteArray pngOf(const QImage &image);

private:
    ClassroomSandbox *m_sandbox;
};

// Makes every scene of the sandbox (sandboxscenes.cpp); each is a child of the sandbox.
QList<SandboxScene *> makeSandboxScenes(ClassroomSandbox *sandbox);

#endif // SANDBOXSCENE_H
