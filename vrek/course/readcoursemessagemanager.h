#ifndef READCOURSEMESSAGEMANAGER_H
#define READCOURSEMESSAGEMANAGER_H

#include "vrek/message/ctrlmessage.h"
#include "vrek/message/drawsignal.h"
#include "vrek/message/pptmessage.h"
#include "vrek/message/videocoursemessage.h"
#include "vrek/utils/globalenum.h"

#include <QObject>
#include <QString>

// Routes every courseware, board and course-video message to the courseware that shows its file: it knows
// which file is open and which one the lecturer asked for last, and reads each file's course type and download
// state from the course file table. Change signals act on the open file; Set signals only store a value for a
// file that is not shown, so that it opens there later.
class ReadCourseMessageManager : public QObject
{
    Q_OBJECT
public:
    // The file id of the default view: no file open.
    static const QString defaultFileIdAll;

    explicit ReadCourseMessageManager(QObject *parent = nullptr);
    ~ReadCourseMessageManager() override;

    QString currentFileIdAll() const { return m_currentFileIdAll; }
    QString requestFileIdAll() const { return m_requestFileIdAll; }

signals:
    void signalOpenDefaultView(GlobalEnum::PPMFromType from);
    void signalOpenFile(QString fileIdAll, GlobalEnum::PPMFromType from);
    // The lecturer opened a file that is not here (not downloaded yet, or its download failed).
    void signalFileWanted(QString fileIdAll);
    void signalChangePicturePage(int pageId, GlobalEnum::PPMFromType from);
    void signalChangePictureRate(int rate, GlobalEnum::PPMFromType from);
    void signalSetPicturePage(QString fileIdAll, int pageId);
    void signalSetPictureRate(int rate);
    void signalChangeHtmlStep(int pageId, int stepId, GlobalEnum::PPMFromType from);
    void signalChangeHtmlRate(int rate, GlobalEnum::PPMFromType from);
    void signalSetHtmlStep(QString fileIdAll, int pageId, int stepId);
    void signalSetHtmlRate(int rate);
    void signalPictureDrawGraph(DrawSignal drawSignal, GlobalEnum::PPMFromType from);
    void signalHtmlDrawGraph(DrawSignal drawSignal, GlobalEnum::PPMFromType from);
    void signalBoardDrawGraph(DrawSignal drawSignal, GlobalEnum::PPMFromType from);
    void signalPictureDrawGraphAll(PPtMessage message);
    void signalHtmlDrawGraphAll(PPtMessage message);
    void signalBoardDrawGraphAll(PPtMessage message);
    void signalPictureScrollAreaMove(int x, int y, GlobalEnum::PPMFromType from);
    void signalHtmlScrollAreaMove(int x, int y, GlobalEnum::PPMFromType from);
    void signalVideoPause(bool paused, GlobalEnum::PPMFromType from);
    void signalVideoRealTime(int position, GlobalEnum::PPMFromType from);
    void signalSetVideoState(QString fileIdAll, int position, bool paused);
    void signalLateCountInc(CtrlMessage::LateCtrlType type);

public slots:
    void readPPtCourseMessage(PPtMessage message, GlobalEnum::PPMFromType from);
    void readVideoCourseMessage(VideoCourseMessage message, GlobalEnum::PPMFromType from);
    void slotFileDownloadFinish(QString fileIdAll);

private:
    void openFile(const QString &fileIdAll, int courseType, const DrawControl &control, GlobalEnum::PPMFromType from);
    void changePage(const QString &fileIdAll, int courseType, const DrawControl &control, GlobalEnum::PPMFromType from);
    void drawOnline(const PPtMessage &message, int courseType, GlobalEnum::PPMFromType from);
    void drawOffline(const PPtMessage &message, int courseType);
    void scrollMove(const PPtMessage &message, int courseType, GlobalEnum::PPMFromType from);
    void changeRate(const PPtMessage &message, int courseType, GlobalEnum::PPMFromType from);

    QString m_currentFileIdAll;
    QString m_requestFileIdAll;
};

#endif // READCOURSEMESSAGEMANAGER_H
