#ifndef SCHOOLCLASSVIEW_H
#define SCHOOLCLASSVIEW_H

#include "vrek/interface/mainviewinterface.h"

#include <QWidget>

class CallRoll;
class LateCtrlManager;
class LessonCaption;
class TitleView;

// The content of the school class window (user types 0 and 1). The classroom panels are built by
// initialLater once the window is framed; the connection's coming and going reaches it through
// MainViewInterface.
class SchoolClassView : public QWidget, public MainViewInterface
{
    Q_OBJECT
public:
    // The roll-call frame: no minimise or maximise button, fixed size.
    static constexpr int callRollTitleFlags = 70;

    explicit SchoolClassView(QWidget *parent = nullptr);
    ~SchoolClassView() override;

    void initialLater();
    void clientOnline() override;
    void clientOffline() override;

    LateCtrlManager *lateCtrlManager() const { return m_lateCtrlManager; }
    CallRoll *callRoll() const { return m_callRoll; }
    TitleView *callRollTitle() const { return m_callRollTitle; }

private:
    void lateCtrlInitial();
    void mediaInitial();
    void callRollInitial();

    LessonCaption *m_caption = nullptr;
    LateCtrlManager *m_lateCtrlManager = nullptr;
    CallRoll *m_callRoll = nullptr;
    TitleView *m_callRollTitle = nullptr;
};

#endif // SCHOOLCLASSVIEW_H
