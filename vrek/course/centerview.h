#ifndef CENTERVIEW_H
#define CENTERVIEW_H

#include "vrek/message/ctrlmessage.h"
#include "vrek/message/pptmessage.h"
#include "vrek/userinfo/userinfo.h"
#include "vrek/utils/globalenum.h"

#include <QPointer>
#include <QString>
#include <QWidget>

class CourseFileButton;
class CourseFileView;
class DrawCourseView;
class HtmlCourseView;
class LateCtrlManager;
class PictureCourseView;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QStackedWidget;
class QVBoxLayout;
class ReadCourseMessageManager;
class SelectCourseScrollArea;
class VideoCourseView;

// The courseware area of the class windows: the default picture, the HTML, picture and video courseware, the
// board and the meeting's media page, with the course file bar under the courseware. It opens what the lecturer
// or the user opens, forwards the default view by the change's origin, hands courseware messages, the pad link,
// the late-arrival control and the lecturer's presence to the views, and replays the course files to a late
// joiner.
class CenterView : public QWidget
{
    Q_OBJECT
public:
    // Course types of the open file; 0 is the default view.
    enum CourseType { CourseNone = 0, CoursePicture = 1, CourseHtml = 2, CourseVideo = 3, CourseSound = 4 };
    // Pages of the area and of its courseware part.
    enum Page { PageCourse = 0, PagePainter = 1, PageConference = 2 };
    enum CoursePage { CourseDefaultPage = 0, CoursePicturePage = 1, CourseHtmlPage = 2, CourseVideoPage = 3 };

    explicit CenterView(QWidget *parent = nullptr);
    ~CenterView() override;

    // Once the class window stands: the purge of the local course file cache.
    void initialLater();
    void clearCourseState();
    // Closes the open file's view; what closing keeps is that view's business.
    void saveCurrentCourse();
    void openDefaultViewLocal();
    void pauseVideo();
    // The lecturer's side: the open courseware's state to a late joiner.
    void sendCourseLate(QString userId);
    void addMediaWidget(QWidget *widget);
    void setCourseEnable(bool enable);

    int currentCourseType() const { return m_currentCourseType; }
    bool isDeleteFlag() const { return m_isDeleteFlag; }
    QStackedWidget *pageStackedWidget() const { return m_pageStackedWidget; }
    QStackedWidget *courseStackedWidget() const { return m_courseStackedWidget; }
    QWidget *selectCourseContents() const { return m_selectCourseContents; }
    QWidget *courseFileWidget() const { return m_courseFileWidget; }
    // The tile of a file in the bar; null when there is none.
    CourseFileButton *courseButton(const QString &fileIdAll) const;
    QList<CourseFileButton *> courseButtons() const;
    CourseFileView *courseFileView() const { return m_courseFileView; }
    PictureCourseView *pictureView() const { return m_pictureView; }
    HtmlCourseView *htmlView() const { return m_htmlView; }
    VideoCourseView *videoView() const { return m_videoView; }
    DrawCourseView *drawView() const { return m_drawView; }
    ReadCourseMessageManager *dispatcher() const { return m_dispatcher; }
    LateCtrlManager *lateCtrlManager() const { return m_lateCtrlManager; }

signals:
    void signalReadPPtCourseMessage(PPtMessage message, GlobalEnum::PPMFromType from);
    void signalSendPPtMessageOut(PPtMessage message);
    void signalSendLateStart();
    void signalLateCountInc(CtrlMessage::LateCtrlType type);
    void signalSendStatusLate(QString userId);
    void signalFileDownloadFinish(QString fileIdAll);
    // A text for the window's tip bar.
    void signalCourseFileTip(QString text);
    void signalRemoveLocalFile(QString fileIdAll);
    void signalChangeUIType(int uiType);

public slots:
    void slotSendLateStart();
    void slotLectOnline(UserInfo userInfo);
    void slotLectOffline(UserInfo userInfo);
    void slotEndClass();
    void slotOpenDefaultView(GlobalEnum::PPMFromType from);
    void slotOpenFile(QString fileIdAll, GlobalEnum::PPMFromType from);
    void slotAddCourseFile(QString fileIdAll, QString fileName);
    void slotCourseFileStatus(QString fileIdAll, int progress);
    void slotRemoveCourseBtn(QString fileIdAll);
    void slotRemoveCourseFile(QString fileIdAll);
    void slotPageChange(int page);
    void slotBtnLeftClicked(QString fileIdAll);
    void slotBtnRightClicked(QString fileIdAll);
    void slotMaximizeButtonToggled(bool on);
    // Connected directly: count comes back as the number of files sent.
    void slotSendFileLate(QString userId, quint32 &count);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setupForm();
    void viewInitial();
    void dispatchInitial();
    void lateInitial();
    // This client's own origin: 2 for the lecturer's side, else 1.
    GlobalEnum::PPMFromType ownFrom() const;
    // The open file's view and the layout of its page; null for the default view.
    QWidget *currentCourseWidget() const;
    QVBoxLayout *currentCourseLayout() const;
    // A type 0 message for the default view, to the class and the pad by its origin.
    void forwardDefaultView(GlobalEnum::PPMFromType from);
    void clearViewState();

    QGridLayout *m_mainLayout = nullptr;
    QStackedWidget *m_pageStackedWidget = nullptr;
    QVBoxLayout *m_painterPageLayout = nullptr;
    QVBoxLayout *m_conferencePageLayout = nullptr;
    QStackedWidget *m_courseStackedWidget = nullptr;
    QVBoxLayout *m_defaultPageLayout = nullptr;
    QVBoxLayout *m_picturePageLayout = nullptr;
    QVBoxLayout *m_htmlPageLayout = nullptr;
    QVBoxLayout *m_videoPageLayout = nullptr;
    QWidget *m_courseFileWidget = nullptr;
    SelectCourseScrollArea *m_selectCourseScrollArea = nullptr;
    QWidget *m_selectCourseContents = nullptr;
    QHBoxLayout *m_selectCourseLayout = nullptr;
    QHBoxLayout *m_selectFileLayout = nullptr;

    QLabel *m_defaultView = nullptr;
    CourseFileView *m_courseFileView = nullptr;
    PictureCourseView *m_pictureView = nullptr;
    HtmlCourseView *m_htmlView = nullptr;
    VideoCourseView *m_videoView = nullptr;
    DrawCourseView *m_drawView = nullptr;
    ReadCourseMessageManager *m_dispatcher = nullptr;
    LateCtrlManager *m_lateCtrlManager = nullptr;
    // The file bar's tiles, in the bar's order.
    QList<QPointer<CourseFileButton>> m_buttons;

    int m_currentCourseType = CourseNone;
    bool m_isDeleteFlag = false;
};

#endif // CENTERVIEW_H
