#ifndef TEACHERCLASSVIEW_H
#define TEACHERCLASSVIEW_H

#include "vrek/interface/mainviewinterface.h"

#include <QWidget>

class LateCtrlManager;
class LessonCaption;

// The content of the teacher class window (user types 2 and 3: meetings); a shorter set of panels than the
// school class window.
class TeacherClassView : public QWidget, public MainViewInterface
{
    Q_OBJECT
public:
    explicit TeacherClassView(QWidget *parent = nullptr);
    ~TeacherClassView() override;

    void initialLater();
    void clientOnline() override;
    void clientOffline() override;

    LateCtrlManager *lateCtrlManager() const { return m_lateCtrlManager; }

public slots:
    // A late joiner has been replayed the courseware: the class status follows, then the end of the replay.
    void sendLateState(QString userId);

private:
    void lateCtrlInitial();

    LessonCaption *m_caption = nullptr;
    LateCtrlManager *m_lateCtrlManager = nullptr;
};

#endif // TEACHERCLASSVIEW_H
