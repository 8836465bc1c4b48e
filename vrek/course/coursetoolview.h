#ifndef COURSETOOLVIEW_H
#define COURSETOOLVIEW_H

#include <QWidget>

class QComboBox;
class QFrame;
class QHBoxLayout;
class QLabel;
class QPushButton;

// The one-line tool bar of a courseware view: the course name, the lecturer's drawing tools, the pen colour
// swatch, the page box and the zoom box. It keeps no drawing state: each choice goes out by signal, and the
// courseware managers drive the page and zoom boxes back.
class CourseToolView : public QWidget
{
    Q_OBJECT
public:
    explicit CourseToolView(QWidget *parent = nullptr);
    ~CourseToolView() override;

signals:
    void signalColorButtonClicked();
    // The tool button's object name.
    void signalDrawButtonClicked(const QString &objectName);
    // The page number from 1 as text and the page index from 0.
    void signalPageComboboxChanged(const QString &text, int pageIndex);
    void signalRationComboboxChanged(const QString &text, double factor);
    void signalMaximizeButtonToggled(bool checked);

public slots:
    void viewResizeIn(unsigned int h);
    void setToolBtnEnable(bool flag);
    void setToolBtnHidden(bool flag);
    void setDrawBtnHidden(bool flag);
    void setMaximizeBtnHidden(bool flag);
    void slotPenColorChange(const QString &color);
    void setCourseName(const QString &name);
    void setPageCombox(int currentIndex, int pageCount);
    void setRateCombox(double factor);
    void onDrawButtonClicked();
    void onPageComboboxCurrentIndexChanged(int i);
    void onRationComboboxCurrentIndexChanged(int i);

private:
    // The widget tree of the bar; its widgets are children of the bar.
    struct Form;

    void initial();
    QList<QPushButton *> toolButtons() const;

    Form *m_form;
};

#endif // COURSETOOLVIEW_H
