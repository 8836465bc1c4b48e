#ifndef SANDBOXCLIENT_H
#define SANDBOXCLIENT_H

#include "platform/soundcontrol/fakesoundcontrol.h"
#include "sandbox/classroomsandbox.h"
#include "vrek/utils/globalenum.h"

#include <QImage>
#include <QString>

class ClassInfoWidget;
class LogoutView;
class QLabel;
class QWidget;
class TempWorkDir;
class ZephApplication;

// The client's side of a sandboxed school service, for tests that run the whole program: a temporary working
// folder whose settings have the device check done, the sandbox on free ports, the session's server addresses
// pointed at it, the program's classroom connection for the user type, and a pretend sound card. Everything goes
// with the object.
class SandboxClient
{
public:
    explicit SandboxClient(GlobalEnum::UserType userType = GlobalEnum::User1);
    ~SandboxClient();
    SandboxClient(const SandboxClient &) = delete;
    SandboxClient &operator=(const SandboxClient &) = delete;

    // False when the folder or the sandbox's ports cannot be had. With leaveRecording the sandbox leaves its
    // lecturer's screen recording in the working folder, as it does in the client's data folder of a README run.
    bool start(bool leaveRecording = false);
    ClassroomSandbox *sandbox() const { return m_sandbox; }
    TempWorkDir *work() const { return m_work; }
    // The pretend sound card the program's panels set.
    FakeSoundControl::Machine &sound() const { return *m_sound; }

    // The classroom's own questions, roll calls and screen locks kept away (ten minutes off), for tests that enter
    // and leave lessons.
    void keepClassroomQuiet();

    // The card of the lesson titled so on the course list's first page; null until the list has come.
    static ClassInfoWidget *courseCard(ZephApplication &application, const QString &title);
    // The leave dialog of a class window (school or teacher).
    static LogoutView *leaveDialogOf(QWidget *classView);

    // Types the account into the running application's login window and presses its button.
    static void signIn(ZephApplication &application, const ClassroomSandbox::Account &account);
    // Signs the account in and enters the first lesson of its course list by its button; false when a step did not
    // come within the time.
    static bool enterFirstLesson(
        ZephApplication &application, const ClassroomSandbox::Account &account, int timeoutMs = 20000);

    // The picture a video label shows now.
    static QImage shown(const QLabel *label);
    // Whether a picture shows something else than the reference picture: at least a twentieth of its pixels
    // differ clearly from the reference scaled to its size.
    static bool differs(const QImage &picture, const QString &reference);

private:
    GlobalEnum::UserType m_userType;
    TempWorkDir *m_work = nullptr;
    ClassroomSandbox *m_sandbox = nullptr;
    std::shared_ptr<FakeSoundControl::Machine> m_sound = std::make_shared<FakeSoundControl::Machine>();
};

#endif // SANDBOXCLIENT_H
