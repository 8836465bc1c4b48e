#ifndef COURSEFILEVIEW_H
#define COURSEFILEVIEW_H

#include "vrek/message/ctrlmessage.h"

#include <QString>
#include <QWidget>

class CourseFileManager;
class QGridLayout;
class QToolButton;
class TitleView;
class TransferFileView;

// The course file panel at the right end of the course file bar: it owns the course file manager and the
// transfer list that downloads what the manager is offered, relays their news to the center view, and, for the
// lecturer's side, has the button that opens the transfer list.
class CourseFileView : public QWidget
{
    Q_OBJECT
public:
    explicit CourseFileView(QWidget *parent = nullptr);
    ~CourseFileView() override;

    // The purge of the local cache, run once the class window stands.
    void verifyLocalFile();
    CourseFileManager *manager() const { return m_manager; }
    QToolButton *fileButton() const { return m_fileButton; }
    TransferFileView *transferFileView() const { return m_transferFileView; }
    TitleView *transferTitleView() const { return m_transferTitleView; }

signals:
    void signalLateCountInc(CtrlMessage::LateCtrlType type);
    void signalAddCourseFileOut(QString fileIdAll, QString fileName);
    void signalRemoveLocalFileOut(QString fileIdAll);
    void signalRemoveLocalFileIn(QString fileIdAll);
    void signalCourseFileStatus(QString fileIdAll, int progress);
    void signalFileDownloadFinish(QString fileIdAll);
    void signalCourseFileTip(QString text);

public slots:
    void openCourseList();
    void slotUpdateFileStatus(QString fileIdAll);
    // The lecturer opened a course file that is not here.
    void slotFileWanted(QString fileIdAll);

private:
    void setupForm();
    void initial();
    void viewInitial();

    QGridLayout *m_gridLayout = nullptr;
    QToolButton *m_fileButton = nullptr;
    CourseFileManager *m_manager = nullptr;
    TransferFileView *m_transferFileView = nullptr;
    TitleView *m_transferTitleView = nullptr;
};

#endif // COURSEFILEVIEW_H
