#ifndef SCHOOLCLASSVIEW_H
#define SCHOOLCLASSVIEW_H

#include "vrek/interface/mainviewinterface.h"

#include <QWidget>

class CallRoll;
class ChatView;
class LateCtrlManager;
class LessonCaption;
class MediaViewInterface;
class PopUp;
class QGridLayout;
class QHBoxLayout;
class QTabWidget;
class QVBoxLayout;
class TipLabel;
class TipWidget;
class ToolView;
class TitleView;

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
    // Tool window, frameless, stays on top: the frames of the pop-up panels.
    static constexpr Qt::WindowFlags popUpWindowFlags = Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;

    explicit SchoolClassView(QWidget *parent = nullptr);
    ~SchoolClassView() override;

    void initialLater();
    void clientOnline() override;
    void clientOffline() override;

    LateCtrlManager *lateCtrlManager() const { return m_lateCtrlManager; }
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

public slots:
    void slotShowTip(const QString &text, uint time);
    void slotShowTip(const QString &text);
    // The unread mark of the chat tab follows the class conversation only.
    void slotUserChatTip(const QString &id, bool shown);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildForm();

    // The construction steps, in the order the constructor runs them.
    void menuInitial();
    void userInitial();
    void chatInitial();
    void centerInitial();
    void logoutInitial();
    void mediaInitial();
    void toolInitial();
    void frameInitial();
    void deviceInitial();
    void answerInitial();
    void callRollInitial();
    void praiseInitial();
    void tipInitial();
    void lockInitial();
    // The late-arrival control, until the courseware area brings its own.
    void lateCtrlInitial();

    // The form.
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

    // Stands in the courseware area until the courseware area exists.
    LessonCaption *m_caption = nullptr;
    TipLabel *m_chatTipLabel = nullptr; // owned by the tab bar
    ChatView *m_chatView = nullptr;
    MediaViewInterface *m_mediaView = nullptr;
    ToolView *m_toolView = nullptr;
    TipWidget *m_tipWidget = nullptr;
    PopUp *m_popUp = nullptr;
    LateCtrlManager *m_lateCtrlManager = nullptr;
    CallRoll *m_callRoll = nullptr;
    TitleView *m_callRollTitle = nullptr;
};

#endif // SCHOOLCLASSVIEW_H
