#ifndef MEDIASLIDER_H
#define MEDIASLIDER_H

#include <QSlider>

// The player's seek slider: a left click beside the handle jumps there at once (as if the handle had been
// dragged there), and moves over it tell which value lies under the mouse.
class MediaSlider : public QSlider
{
    Q_OBJECT
public:
    explicit MediaSlider(QWidget *parent = nullptr);

    // The value at a pixel position along the groove, as the style places the handle.
    int pixelPosToRangeValue(int pos) const;

signals:
    void onEnter();
    void onLeave();
    void onHover(int pos, int value);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void enterEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;
};

#endif // MEDIASLIDER_H
