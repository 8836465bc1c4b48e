#ifndef MENUVIEW_H
#define MENUVIEW_H

#include "vrek/userinfo/userinfo.h"

#include <QList>
#include <QString>
#include <QWidget>

class MenuButton;
class QVBoxLayout;

// The narrow bar at the left of the class windows: the page buttons of the courseware area, the student's
// hand, the lecturer's hand control, and the meeting's start button. Which buttons show depends on the side
// (lecturer or not) and on whether the lesson is a meeting. It writes its own hand-up forwards and page
// changes to the class.
class MenuView : public QWidget
{
    Q_OBJECT
public:
    static constexpr int barWidth = 80;
    // The page shown; 2 is not used.
    enum PageType { PageCourse = 0, PagePainter = 1, PageVideo = 3 };

    explicit MenuView(QWidget *parent = nullptr);
    ~MenuView() override;

    int pageType() const { return m_pageType; }
    // After a reconnect: the page of the lesson's start, and on the lecturer's side the hand control again.
    void restoreState();
    // The hand control and the page, told to one late joiner.
    void sendLateState(QString userId);
    void setPageButtonsEnabled(bool enabled);

signals:
    void signalCenterPageChange(int page);
    void signalAnswerButtonClicked();
    void signalRollCallButtonClicked();
    void signalStartOrStopClass();
    void signalHandButtonChanged(QString userId, bool raised);
    void signalHandDisable();

public slots:
    void slotLectOnline(UserInfo userInfo);
    void slotLectOffline(UserInfo userInfo);
    void slotChangeUIType(int type);
    void slotClassesBeginOrEndIn(bool first, bool enabled, QString text);
    void slotEndClass();
    void slotButtonToggled(bool on);
    void slotButtonClicked();
    void slotButtonPressed();
    void slotButtonReleased();
    void slotSetHandUpLock(bool locked);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void buildForm();
    void initial();
    void setVisibility();
    void checkStartPage();
    // The page-change control message, or an empty text when it cannot be written.
    QString pageMessage() const;
    void sendHandForward(const QString &data);
    void sendHandForwardPersonal(const QString &userId, const QString &data);

    QVBoxLayout *m_pageLayout = nullptr;
    MenuButton *m_videoButton = nullptr;
    MenuButton *m_courseButton = nullptr;
    MenuButton *m_painterButton = nullptr;
    MenuButton *m_answerButton = nullptr;
    MenuButton *m_handControlButton = nullptr;
    MenuButton *m_handupButton = nullptr;
    MenuButton *m_rollcallButton = nullptr;
    MenuButton *m_startButton = nullptr;
    int m_pageType = PageCourse;
};

#endif // MENUVIEW_H
