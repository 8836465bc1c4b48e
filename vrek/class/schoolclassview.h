#ifndef SCHOOLCLASSVIEW_H
#define SCHOOLCLASSVIEW_H

#include "vrek/interface/mainviewinterface.h"

#include "vrek/userinfo/userinfo.h"

#include <QWidget>

class AnswerCard;
class CallRoll;
class CenterView;
class ChatView;
class DeviceSetMini;
class LogoutView;
class MediaViewInterface;
class MenuView;
class PopUp;
class PraiseView;
class QGridLayout;
class QHBoxLayout;
class QTabWidget;
class QVBoxLayout;
class TipLabel;
class TipWidget;
class ToolView;
class TitleView;
class UserInfoView;

// The school class window (user types 0 and 1). It owns no classroom logic: its steps create the panels of
// the lesson in a fixed order, place them and connect them to the classroom connection, the participant
// manager and each other. initialLater finishes the set-up once the window is framed; the connection's coming
// and going reaches it through MainViewInterface.
class SchoolClassView : public QWidget, public MainViewInterface
{
    Q_OBJECT
public:
    // The roll-call frame: no minimise or maximise button, fixed size.
    static constexpr int callRollTitleFlags = 70;
    // The leave dialog's frame as the roll call's; the notice that the watched student left and the answer
    // card have no close button either.
    static constexpr int logoutTitleFlags = 70;
    static constexpr int relativeLogoutTitleFlags = 71;
    static constexpr int answerTitleFlags = 71;
    // Once the lecturer stops the question the card waits for nothing the student can do: it gets a close
    // button, the way back to the class (and stays on top, as its window flags say).
    static constexpr int answerStoppedTitleFlags = (answerTitleFlags & ~0x1) | 0x100;
    static constexpr int deviceTitleFlags = 70;
    // The title-bar bits of a locked window: no buttons, fixed, not draggable, on top.
    static constexpr int titleLockBits = 0x1C7;
    // Tool window, frameless, stays on top: the frames of the pop-up panels.
    static constexpr Qt::WindowFlags popUpWindowFlags = Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;
    // The height the media panel makes its full-screen window for.
    static constexpr unsigned int mediaFullHeight = 300;

    explicit SchoolClassView(QWidget *parent = nullptr);
    ~SchoolClassView() override;

    void initialLater();
    void clientOnline() override;
    void clientOffline() override;

    CenterView *centerView() const { return m_centerView; }
    CallRoll *callRoll() const { return m_callRoll; }
    TitleView *callRollTitle() const { return m_callRollTitle; }
    MediaViewInterface *mediaView() const { return m_mediaView; }
    TipWidget *tipWidget() const { return m_tipWidget; }
    // The tool bar; its pad link is there for the courseware area to connect to.
    ToolView *toolView() const { return m_toolView; }
    QTabWidget *userChatWidget() const { return m_userChatWidget; }
    ChatView *chatView() const { return m_chatView; }
    TipLabel *chatTipLabel() const { return m_chatTipLabel; }
    QWidget *rightWidget() const { return m_rightWidget; }
    MenuView *menuView() const { return m_menuView; }
    UserInfoView *userInfoView() const { return m_userInfoView; }
    LogoutView *logoutView() const { return m_logoutView; }
    TitleView *logoutTitle() const { return m_logoutTitle; }
    LogoutView *relativeLogoutView() const { return m_relativeLogoutView; }
    TitleView *relativeLogoutTitle() const { return m_relativeLogoutTitle; }
    AnswerCard *answerCard() const { return m_answerCard; }
    TitleView *answerTitle() const { return m_answerTitle; }
    PraiseView *praiseView() const { return m_praiseView; }
    TitleView *titleView() const { return m_titleView; }
    // Null when the lesson has no media panel.
    DeviceSetMini *deviceSetMini() const { return m_deviceSetMini; }
    TitleView *deviceTitle() const { return m_deviceTitle; }
    PopUp *popUp() const { return m_popUp; }
    bool isTitleLocked() const { return m_titleLocked; }
    bool isScreenLocked() const { return m_screenLocked; }
    bool isVideoFullScreen() const { return m_videoFullScreen; }

signals:
    // The window was closed: the application returns to the course list.
    void signalCloseOut();

public slots:
    void lectOnlineLate(UserInfo userInfo);
    // The lecturer's leaving ends a screen lock, whatever the title bar shows meanwhile.
    void lectOffline(UserInfo userInfo);
    // The lecturer's screen lock: 1 locks, 0 unlocks.
    void slotSocketLockScreen(uint flag);
    void sendLateState(QString uid);
    void slotLockStateChange(bool locked);
    void slotTitleMainViewEnable();
    void slotShowTip(const QString &text, uint time);
    void slotShowTip(const QString &text);
    // The unread mark of the chat tab follows the class conversation only.
    void slotUserChatTip(const QString &id, bool shown);
    // A video of the media panel goes full screen: the title bar is free meanwhile; once it ends, a locked
    // screen is locked again.
    void slotVideoFullScreen();
    void slotVideoFullScreenEnd();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private slots:
    void slotQuestionShown();
    void slotQuestionStopped();
    // The frame's close button leaves closing to this window: it asks first.
    void slotCustomClose();
    void slotLogoutTitleClosed();

private:
    void buildForm();
    // Writes titleLocked into the frame's title-bar bits.
    void applyTitleLock();
    // The frames of the boxes and panels that belong to the class window.
    QList<TitleView *> ownedFrames() const;
    void raiseOwnedFrames();
    // The right column's width and tabs from the screen the window stands on.
    void sizeColumn();
    // The media panel's height: its own while the column has room, less down to a part of it in a window
    // too low for it and the chat's rows.
    int mediaHeight() const;
    int mediaLeastHeight() const;
    // What the panels take at the least: the media panel given way, the chat at its least rows.
    QSize leastSize() const;

    // The construction steps, in the order the constructor runs them.
    void menuInitial();
    void userInitial();
    void chatInitial();
    void centerInitial();
    void logoutInitial();
    void mediaInitial();
    void mediaWebrtcInitial();
    void mediaRtmpInitial();
    void toolInitial();
    void frameInitial();
    void deviceInitial();
    void answerInitial();
    void callRollInitial();
    void praiseInitial();
    void tipInitial();
    void lockInitial();

    // The form.
    QHBoxLayout *m_contentLayout = nullptr;
    QHBoxLayout *m_leftLayout = nullptr; // the menu bar
    QHBoxLayout *m_centerLayout = nullptr; // the courseware area
    QWidget *m_rightWidget = nullptr;
    QVBoxLayout *m_mediaLayout = nullptr; // the media panel
    QGridLayout *m_rightMidLayout = nullptr;
    QVBoxLayout *m_toolLayout = nullptr; // the tool bar
    QTabWidget *m_userChatWidget = nullptr;
    QWidget *m_userWidget = nullptr;
    QVBoxLayout *m_userLayout = nullptr; // the participant panel
    QWidget *m_chatWidget = nullptr;
    QVBoxLayout *m_chatLayout = nullptr; // the chat panel

    TitleView *m_titleView = nullptr; // the frame holding this window, from initialLater on
    MenuView *m_menuView = nullptr;
    UserInfoView *m_userInfoView = nullptr;
    CenterView *m_centerView = nullptr;
    TipLabel *m_chatTipLabel = nullptr; // owned by the tab bar
    ChatView *m_chatView = nullptr;
    MediaViewInterface *m_mediaView = nullptr;
    ToolView *m_toolView = nullptr;
    TipWidget *m_tipWidget = nullptr;
    PopUp *m_popUp = nullptr;
    LogoutView *m_logoutView = nullptr;
    TitleView *m_logoutTitle = nullptr;
    LogoutView *m_relativeLogoutView = nullptr;
    TitleView *m_relativeLogoutTitle = nullptr;
    AnswerCard *m_answerCard = nullptr;
    TitleView *m_answerTitle = nullptr;
    CallRoll *m_callRoll = nullptr;
    TitleView *m_callRollTitle = nullptr;
    PraiseView *m_praiseView = nullptr;
    DeviceSetMini *m_deviceSetMini = nullptr; // owned by its frame
    TitleView *m_deviceTitle = nullptr;
    bool m_titleLocked = false;
    bool m_screenLocked = false;
    bool m_videoFullScreen = false;
};

#endif // SCHOOLCLASSVIEW_H
