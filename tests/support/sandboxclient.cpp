#include "tests/support/sandboxclient.h"

#include "platform/soundcontrol/fakesoundcontrol.h"
#include "sandbox/classpanelscene.h"
#include "sandbox/filescene.h"
#include "sandbox/screenlockscene.h"
#include "tests/support/tempworkdir.h"
#include "vrek/class/classinfowidget.h"
#include "vrek/class/classlistwidget.h"
#include "vrek/class/classmanagerview.h"
#include "vrek/class/schoolclassview.h"
#include "vrek/class/selectclassview.h"
#include "vrek/login/loginclient.h"
#include "vrek/profession/teacherclassview.h"
#include "vrek/profession/zephapplication.h"
#include "vrek/socketclientmanager.h"
#include "vrek/utils/globalvalue.h"
#include "vrek/utils/settingconfig.h"
#include "vrek/viewui/logoutview.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QThread>

SandboxClient::SandboxClient(GlobalEnum::UserType userType)
    : m_userType(userType)
{ }

SandboxClient::~SandboxClient()
{
    delete g_socketClientManager;
    g_socketClientManager = nullptr;
    delete m_sandbox;
    delete m_work;
    SoundControl::setFactory({});
}

bool SandboxClient::start(bool leaveRecording)
{
    QThread::currentThread()->setObjectName("Main Thread");
    m_work = new TempWorkDir;
    m_sandbox = new ClassroomSandbox;
    if (leaveRecording)
        m_sandbox->setDataDir(m_work->path());
    if (!m_work->isValid() || !m_sandbox->start())
        return false;
    if (FileScene *files = FileScene::of(m_sandbox))
        g_filePort = QString::number(files->filePort());
    g_socketHost = "127.0.0.1";
    g_socketPort = QString::number(m_sandbox->classroomPort());
    g_webHost = "127.0.0.1";
    g_webPort = QString::number(m_sandbox->httpPort());
    g_fileHost = "127.0.0.1";
    g_userType = int(m_userType);
    g_socketClientManager = new SocketClientManager(m_userType);
    // The lesson's media panel sets the volumes: a test never touches the machine's.
    SoundControl::setFactory(FakeSoundControl::factory(m_sound));
    // The device check is done: the course list opens on the live courses (a test of a first run clears it).
    SettingConfig::getSetting().setValue("DeviceSet/initial", "1");
    return true;
}

void SandboxClient::signIn(ZephApplication &application, const ClassroomSandbox::Account &account)
{
    LoginClient *login = application.loginClient();
    login->findChild<QLineEdit *>("userCodeEdit")->setText(account.userCode);
    login->findChild<QLineEdit *>("passwordEdit")->setText(account.password);
    QTest::mouseClick(login->findChild<QPushButton *>("loginButton"), Qt::LeftButton);
}

bool SandboxClient::enterFirstLesson(
    ZephApplication &application, const ClassroomSandbox::Account &account, int timeoutMs)
{
    signIn(application, account);
    if (!QTest::qWaitFor([&] { return application.stage() == int(ZephApplication::StageCourseList); }, timeoutMs))
        return false;
    ClassListWidget *all = application.classManagerView()->selectClassView()->pages().first();
    if (!QTest::qWaitFor([all] { return !all->cards().isEmpty(); }, timeoutMs))
        return false;
    QTest::mouseClick(all->cards().first()->findChild<QPushButton *>("enterPushButton"), Qt::LeftButton);
    return QTest::qWaitFor(
        [&] {
            const int stage = application.stage();
            return stage == int(ZephApplication::StageSchoolClass) || stage == int(ZephApplication::StageTeacherClass);
        },
        timeoutMs);
}

QImage SandboxClient::shown(const QLabel *label)
{
    return label->pixmap(Qt::ReturnByValue).toImage();
}

bool SandboxClient::differs(const QImage &picture, const QString &reference)
{
    if (picture.isNull())
        return false;
    const QImage base = QImage(reference).scaled(picture.size()).convertToFormat(QImage::Format_RGB32);
    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
    int different = 0;
    for (int y = 0; y < image.height(); y += 2) {
        for (int x = 0; x < image.width(); x += 2) {
            const QRgb a = image.pixel(x, y);
            const QRgb b = base.pixel(x, y);
            if (qAbs(qRed(a) - qRed(b)) + qAbs(qGreen(a) - qGreen(b)) + qAbs(qBlue(a) - qBlue(b)) > 90)
                ++different;
        }
    }
    return different * 20 > (image.width() / 2) * (image.height() / 2);
}

void SandboxClient::keepClassroomQuiet()
{
    constexpr int tenMinutesMs = 10 * 60 * 1000;
    m_sandbox->findChild<ClassPanelScene *>()->setStep(tenMinutesMs);
    ScreenLockScene::Timing late;
    late.firstLockMs = late.secondLockMs = tenMinutesMs;
    m_sandbox->findChild<ScreenLockScene *>()->setTiming(late);
}

ClassInfoWidget *SandboxClient::courseCard(ZephApplication &application, const QString &title)
{
    // The pages come with the course list's first reply.
    const QList<ClassListWidget *> pages = application.ensureCourseList()->selectClassView()->pages();
    if (pages.isEmpty())
        return nullptr;
    for (ClassInfoWidget *card : pages.first()->cards()) {
        if (card->groupInfo().getTitle() == title)
            return card;
    }
    return nullptr;
}

LogoutView *SandboxClient::leaveDialogOf(QWidget *classView)
{
    if (auto *school = qobject_cast<SchoolClassView *>(classView))
        return school->logoutView();
    if (auto *teacher = qobject_cast<TeacherClassView *>(classView))
        return teacher->logoutView();
    return nullptr;
}
