#ifndef SELECTCLASSVIEW_H
#define SELECTCLASSVIEW_H

#include "vrek/model/groupinfo.h"

#include <QElapsedTimer>
#include <QList>
#include <QWidget>

class ClassCreateView;
class ClassListWidget;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QTabWidget;
class QVBoxLayout;
class TipWidget;
class TitleView;

// The live-courses page of the course-list window: one tab of course cards per kind of lesson, fed page by page
// from the REST client. Its enter buttons write the chosen lesson into the session and ask for the classroom.
class SelectClassView : public QWidget
{
    Q_OBJECT
public:
    // Presses of the refresh button closer together than this are refused.
    static constexpr int refreshIntervalMs = 4000;

    explicit SelectClassView(QWidget *parent = nullptr);
    ~SelectClassView() override;

    // Tests shorten the refresh throttle; the product keeps 4 s.
    void setRefreshInterval(int ms) { m_refreshIntervalMs = ms; }

    QList<ClassListWidget *> pages() const;
    QTabWidget *tabWidget() const { return m_classContentTabWidget; }
    TipWidget *tipWidget() const { return m_tipWidget; }
    ClassCreateView *classCreateView() const { return m_classCreateView; }
    TitleView *classCreateFrame() const { return m_classCreateFrame; }

    // Reads one lesson of a course-list reply.
    static GroupInfo groupInfoFromMap(const QMap<QString, QVariant> &map);

signals:
    void signalSocketConnect();
    void signalRequestJoinClassesOut();
    // The session has expired: the application's relogin view starts a relogin with the stored account.
    void signalReLoginOut();

public slots:
    void slotRecvClassListInfo(const QString &reply);
    void slotRecvClassInfo(const QList<GroupInfo> &infos, const QString &classType = QString());
    void slotRequestGroupInfo(const QString &lessonType, int pageIndex);
    void slotClassContentTabChanged(int index);
    void slotJoinClassesIn(const GroupInfo &info);
    void slotSocketConnect();
    void slotSocketConnectFalse();
    void slotClassCreateBtnClicked();
    void slotClassCreateClosed();
    void refreshCurrentTab();
    void setClassListError();
    void slotRefreshButtonClicked();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void buildForm();
    void addPages();
    ClassListWidget *pageAt(int index) const;
    void startReLogin();

    // The form.
    QVBoxLayout *m_selectClassLayout = nullptr;
    QHBoxLayout *m_classTitleLayout = nullptr;
    QLabel *m_classTitleLabel = nullptr;
    QPushButton *m_pushButton = nullptr;
    QPushButton *m_classCreateBtn = nullptr;
    QHBoxLayout *m_classContentLayout = nullptr;
    QTabWidget *m_classContentTabWidget = nullptr;

    TipWidget *m_tipWidget = nullptr;
    ClassCreateView *m_classCreateView = nullptr;
    TitleView *m_classCreateFrame = nullptr;
    // A monotonic clock: a clock set back must not lock the refresh button.
    QElapsedTimer m_lastRefresh;
    int m_refreshIntervalMs = refreshIntervalMs;
    int m_userTypeBeforeMeeting = 1; // the signed-in role, given back after a meeting
};

#endif // SELECTCLASSVIEW_H
