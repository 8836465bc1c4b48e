#ifndef COURSETOOLOPTIONWIDGET_H
#define COURSETOOLOPTIONWIDGET_H

#include <QList>
#include <QWidget>

class QGridLayout;
class QHBoxLayout;
class QPushButton;

// The pop-up in which the lecturer picks the pen's line width and colour. Its buttons never take the focus, so
// it stays open while choosing and hides as soon as the focus goes elsewhere.
class CourseToolOptionWidget : public QWidget
{
    Q_OBJECT
public:
    static const char *const defaultColor;
    static constexpr int defaultLineWidth = 2;

    explicit CourseToolOptionWidget(QWidget *parent = nullptr);
    ~CourseToolOptionWidget() override;

    // Announces the default colour and then the default width, as if both had been clicked.
    void sendDefaultOption();

signals:
    void signalPenColorChange(const QString &color);
    void signalLineWidthChange(int width);

public slots:
    void slotPenColorBtnClicked();
    void slotLineWidthBtnClicked();

protected:
    void focusOutEvent(QFocusEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void setCurrentColor(const QString &color);

    QList<QPushButton *> m_lineWidthButtons;
    QPushButton *m_currentColorButton;
    QList<QPushButton *> m_penColorButtons;
    QHBoxLayout *m_mainLayout;
    QHBoxLayout *m_lineWidthLayout;
    QHBoxLayout *m_colorLayout;
    QGridLayout *m_colorGridLayout;
};

#endif // COURSETOOLOPTIONWIDGET_H
