#ifndef PICTURECOURSEVIEW_H
#define PICTURECOURSEVIEW_H

#include "vrek/course/pagecourseview.h"
#include "vrek/course/picturecoursemanager.h"

// The page of the center view that shows picture courseware: the page's picture with the drawing board over it.
// Its signals are its face to the center view.
class PictureCourseView : public PageCourseView
{
    Q_OBJECT
public:
    explicit PictureCourseView(QWidget *parent = nullptr);
    ~PictureCourseView() override;

    // On success the tool bar shows the file's name and page; a refused open leaves it as it was.
    bool openPictureFile(const QString &fileIdAll, const QString &fileName, GlobalEnum::PPMFromType from);
    bool closePictureFile();
    bool clearDrawData();

    PictureCourseManager *manager() const { return m_manager; }

signals:
    void signalChangePicturePage(int pageId, GlobalEnum::PPMFromType from);
    void signalChangePictureRate(int rate, GlobalEnum::PPMFromType from);
    void signalSetPicturePage(QString fileIdAll, int pageId);
    void signalSetPictureRate(int rate);
    void signalPictureScrollAreaMove(int x, int y, GlobalEnum::PPMFromType from);
    void signalPictureDrawGraph(DrawSignal drawSignal, GlobalEnum::PPMFromType from);
    void signalPictureDrawGraphAll(PPtMessage message);
    // Connected directly: count arrives as the requester left it and grows by the messages sent.
    void signalSendBoardLate(QString userId, quint32 &count);
    void signalSendPictureLate(QString userId);

public slots:
    void onLeftButtonClicked() override;
    void onRightButtonClicked() override;
    void onPageComboboxChanged(const QString &text, int index) override;
    void onRationComboboxChanged(const QString &text, double factor) override;

private:
    PictureCourseManager *m_manager;
};

#endif // PICTURECOURSEVIEW_H
