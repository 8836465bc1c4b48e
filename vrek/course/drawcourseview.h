#ifndef DRAWCOURSEVIEW_H
#define DRAWCOURSEVIEW_H

#include "vrek/course/courseviewform.h"
#include "vrek/message/drawsignal.h"
#include "vrek/message/pptmessage.h"
#include "vrek/utils/globalenum.h"

#include <QSize>
#include <QWidget>

class CourseToolOptionWidget;
class CourseToolView;
class DrawBoard;
class DrawCourseManager;
class QStackedLayout;

// The blank board: a white drawing board that fills the centre of the class window, under the tool bar.
class DrawCourseView : public QWidget
{
    Q_OBJECT
public:
    explicit DrawCourseView(QWidget *parent = nullptr);
    ~DrawCourseView() override;

    bool clearBoard();

    const CourseViewForm &form() const { return m_form; }
    CourseToolView *toolView() const { return m_toolView; }
    DrawBoard *board() const { return m_board; }
    DrawCourseManager *manager() const { return m_manager; }

signals:
    void signalDrawDrawGraph(DrawSignal drawSignal, GlobalEnum::PPMFromType from);
    void signalDrawDrawGraphAll(PPtMessage message);
    // Connected directly: count becomes the number of board messages sent.
    void signalSendBoardLate(QString userId, quint32 &count);
    // A message for the pad.
    void signalSendPPtMessageOut(PPtMessage message);
    void signalMaximizeButtonToggled(bool checked);

public slots:
    void slotCenterSpacerChange(QSize center, QSize content);

private:
    CourseViewForm m_form;
    CourseToolOptionWidget *m_optionWidget;
    CourseToolView *m_toolView;
    DrawBoard *m_board;
    DrawCourseManager *m_manager;
    QStackedLayout *m_stackedLayout;
};

#endif // DRAWCOURSEVIEW_H
