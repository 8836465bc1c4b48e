#ifndef VOLUMEPROGRESSBAR_H
#define VOLUMEPROGRESSBAR_H

#include <QProgressBar>

// The level meter of the device check: a row of 4-pixel bars, one every 8 pixels, lit in blue up to the value.
class VolumeProgressBar : public QProgressBar
{
    Q_OBJECT
public:
    explicit VolumeProgressBar(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};

#endif // VOLUMEPROGRESSBAR_H
