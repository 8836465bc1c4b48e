#ifndef CLASSMANAGERVIEW_H
#define CLASSMANAGERVIEW_H

#include <QWidget>

class BindTipView;
class DeviceSetView;
class HomeworkWidget;
class QHBoxLayout;
class QPushButton;
class QStackedWidget;
class QVBoxLayout;
class SelectClassView;
class VideobackView;

// The course-list window of stage 2: a column of tab buttons on the left, the pages on the right. The live
// courses page leads to the classroom; the controller drives the window through the operations below.
class ClassManagerView : public QWidget
{
    Q_OBJECT
public:
    enum Page {
        ClassPage = 0,
        DevicePage = 1,
        PlayPage = 2,
        PersonPage = 3,
        HomeworkPage = 4,
    };

    explicit ClassManagerView(QWidget *parent = nullptr);
    ~ClassManagerView() override;

    void initial();
    void setSocketConnectFalse();
    void refreshAndEnable();
    void resetToCourseList();

    SelectClassView *selectClassView() const { return m_selectClassView; }
    DeviceSetView *deviceSetView() const { return m_deviceSetView; }
    VideobackView *videobackView() const { return m_videobackView; }
    BindTipView *bindTipView() const { return m_bindTipView; }
    HomeworkWidget *homeworkWidget() const { return m_homeworkWidget; }
    QStackedWidget *stackedWidget() const { return m_stackedWidget; }
    QPushButton *classButton() const { return m_classButton; }
    QPushButton *deviceButton() const { return m_deviceButton; }
    QPushButton *playButton() const { return m_playButton; }
    QPushButton *homeworkButton() const { return m_homeworkButton; }
    QPushButton *personButton() const { return m_personButton; }
    QWidget *leftWidget() const { return m_leftWidget; }

signals:
    void signalCloseEventOut();
    void signalSocketConnect();
    void signalRequestJoinClassesOut();
    void signalSocketConnectSuccess();
    void signalSocketConnectFalse();
    void signalHide();

public slots:
    void slotTabButtonClicked(bool on);
    void slotDeviceTestFinish();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildForm();
    QPushButton *tabButton(const char *name, const QString &text, const QString &normal, const QString &checked);

    QWidget *m_leftWidget = nullptr;
    QStackedWidget *m_stackedWidget = nullptr;
    QPushButton *m_classButton = nullptr;
    QPushButton *m_playButton = nullptr;
    QPushButton *m_homeworkButton = nullptr;
    QPushButton *m_personButton = nullptr;
    QPushButton *m_deviceButton = nullptr;
    QVBoxLayout *m_pageLayouts[5] = {};
    SelectClassView *m_selectClassView = nullptr;
    DeviceSetView *m_deviceSetView = nullptr;
    VideobackView *m_videobackView = nullptr;
    BindTipView *m_bindTipView = nullptr;
    HomeworkWidget *m_homeworkWidget = nullptr;
};

#endif // CLASSMANAGERVIEW_H
