#ifndef PAGECOURSEVIEW_H
#define PAGECOURSEVIEW_H

#include "vrek/course/courseviewform.h"
#include "vrek/message/pptmessage.h"

#include <QSize>
#include <QWidget>

class CourseToolOptionWidget;
class CourseToolView;
class DrawBoard;
class PageCourseManager;
class QLabel;
class QStackedLayout;

// What the HTML and the picture courseware views share: the tool bar on top, the arrows at the sides and, in the
// middle, the page picture with the drawing board over it, centred in the available space. The view only
// assembles and wires; its manager does the work.
class PageCourseView : public QWidget
{
    Q_OBJECT
public:
    ~PageCourseView() override;

    // The arrows and the tool bar's controls.
    void setCourseEnable(bool enable);

    const CourseViewForm &form() const { return m_form; }
    CourseToolView *toolView() const { return m_toolView; }
    CourseToolOptionWidget *optionWidget() const { return m_optionWidget; }
    DrawBoard *board() const { return m_board; }
    QLabel *pictureLabel() const { return m_pictureLabel; }

signals:
    void signalMaximizeButtonToggled(bool checked);
    // A message for the pad.
    void signalSendPPtMessageOut(PPtMessage message);

public slots:
    virtual void onLeftButtonClicked() = 0;
    virtual void onRightButtonClicked() = 0;
    virtual void onPageComboboxChanged(const QString &text, int index) = 0;
    virtual void onRationComboboxChanged(const QString &text, double factor) = 0;
    void slotCenterSpacerChange(QSize center, QSize content);

protected:
    PageCourseView(const QString &name, QWidget *parent);

    // Stacks the page under the board (the deck's web view, if any, between them), wires the widgets to the
    // manager, and has the pen option announce its defaults to the board.
    void setUp(PageCourseManager *manager, QWidget *webView);
    // The page box after a page turn of this client's.
    void showPageBox(const PageCourseManager *manager);
    // A zoom factor of the box as a rate in percent, cut toward zero.
    static int factorToRate(double factor) { return int(factor * 100); }

private:
    CourseViewForm m_form;
    CourseToolOptionWidget *m_optionWidget;
    CourseToolView *m_toolView;
    DrawBoard *m_board;
    QLabel *m_pictureLabel;
    QStackedLayout *m_stackedLayout = nullptr;
};

#endif // PAGECOURSEVIEW_H
