#ifndef VIDEOVIEW2_H
#define VIDEOVIEW2_H

#include "vrek/media/panels/videoview4.h"

// The spare panel's strip: four tiles, the first kept for the own user, the other three for the users the
// automatic pull shows.
class VideoView2 : public VideoView4
{
    Q_OBJECT
public:
    explicit VideoView2(QWidget *parent = nullptr);
    ~VideoView2() override;

protected:
    uint freeIndex(const QString &userId) const override;
};

#endif // VIDEOVIEW2_H
