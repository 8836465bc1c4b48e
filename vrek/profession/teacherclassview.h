#ifndef TEACHERCLASSVIEW_H
#define TEACHERCLASSVIEW_H

#include "vrek/interface/mainviewinterface.h"

#include <QWidget>

class CenterView;
class ChatView;
class DeviceSetMini;
class LogoutView;
class MediaViewInterface;
class MenuView;
class PopUp;
class QHBoxLayout;
class QVBoxLayout;
class TipWidget;
class TitleView;
class ToolView;
class UserInfoView;

// The teacher class window (user types 2 and 3: the host and the participants of a meeting). A shorter set of
// panels than the school class window, built by steps in a fixed order; the media panel sits in the
// courseware area.
class TeacherClassView : public QWidget, public MainViewInterface
{
    Q_OBJECT
public:
    // The leave dialog's frame: no minimise or maximise button, fixed size.
    static constexpr int logoutTitleFlags = 70;
    // The device panel's frame: as the leave dialog's.
    static constexpr int deviceTitleFlags = 70;

    explicit TeacherClassView(QWidget *parent = nullptr);
    ~TeacherClassView() override;

    void initialLater();
    void clientOnline() override;
    void clientOffline() override;

    CenterView *centerView() const { return m_centerView; }
    MediaViewInterface *mediaView() const { return m_mediaView; }
    TipWidget *tipWidget() const { return m_tipWidget; }
    ChatView *chatView() const { return m_chatView; }
    // The tool bar; its pad link is there for the courseware area to connect to.
    ToolView *toolView() const { return m_toolView; }
    QWidget *rightWidget() const { return m_rightWidget; }
    MenuView *menuView() const { return m_menuView; }
    UserInfoView *userInfoView() const { return m_userInfoView; }
    LogoutView *logoutView() const { return m_logoutView; }
    TitleView *logoutTitle() const { return m_logoutTitle; }
    TitleView *titleView() const { return m_titleView; }
    // Null when the lesson has no media panel.
    DeviceSetMini *deviceSetMini() const { return m_deviceSetMini; }
    TitleView *deviceTitle() const { return m_deviceTitle; }

signals:
    // The window was closed: the application returns to the course list.
    void signalCloseOut();

public slots:
    // A late joiner has been replayed the courseware: the class status follows, then the end of the replay.
    void sendLateState(QString userId);
    void slotShowTip(const QString &text, uint time);
    void slotShowTip(const QString &text);
    // Nothing of the window answers these.
    void classesBeginOrEndIn(bool showStart, bool enabled, const QString &text);
    void onRecordStartIn();

protected:
    void resizeEvent(QResizeEvent *event) override;
    // The own push ends and the open courseware is kept with the window.
    void closeEvent(QCloseEvent *event) override;

private:
    void buildForm();
    // The right column's width from the screen the window stands on, and the least size the panels then take.
    void sizeColumn();

    // The construction steps, in the order the constructor runs them.
    void frameInitial();
    void menuInitial();
    void userInitial();
    void chatInitial();
    void centerInitial();
    void logoutInitial();
    void mediaInitial();
    void toolInitial();
    void deviceInitial();
    void tipInitial();

    // The form.
    QHBoxLayout *m_leftLayout = nullptr; // the menu bar
    QHBoxLayout *m_centerLayout = nullptr; // the courseware area
    QWidget *m_rightWidget = nullptr;
    QVBoxLayout *m_userLayout = nullptr; // the participant panel
    QVBoxLayout *m_chatLayout = nullptr; // the chat panel
    QVBoxLayout *m_toolLayout = nullptr; // the tool bar

    TitleView *m_titleView = nullptr; // the frame holding this window, from initialLater on
    MenuView *m_menuView = nullptr;
    UserInfoView *m_userInfoView = nullptr;
    CenterView *m_centerView = nullptr;
    ChatView *m_chatView = nullptr;
    MediaViewInterface *m_mediaView = nullptr;
    ToolView *m_toolView = nullptr;
    TipWidget *m_tipWidget = nullptr;
    PopUp *m_popUp = nullptr;
    LogoutView *m_logoutView = nullptr;
    TitleView *m_logoutTitle = nullptr;
    DeviceSetMini *m_deviceSetMini = nullptr; // owned by its frame
    TitleView *m_deviceTitle = nullptr;
};

#endif // TEACHERCLASSVIEW_H
