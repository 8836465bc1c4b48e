#ifndef CLOCKSTAMP_H
#define CLOCKSTAMP_H

#include <QImage>

#include <cstdint>

// The publisher's clock written into the pixels of each picture, so that whoever shows the picture can tell how
// old it is: the milliseconds of this process's monotonic clock, modulo 2^24, as 24 boxes (two rows of 12 in the
// top part of the picture), black for 0 and white for 1. The boxes are large enough to survive the encoder and a
// panel that scales a 1280x720 picture down to a third of its width.
class ClockStamp
{
public:
    static constexpr int bits = 24;
    static constexpr int columns = 12;
    static constexpr int64_t wrap = int64_t(1) << bits;

    // Milliseconds of the monotonic clock (CLOCK_MONOTONIC), the one every stamp is taken from.
    static int64_t nowMs();

    // Paints the stamp into the luma and chroma planes of a YUV 4:2:0 picture.
    static void draw(uint8_t *const planes[3], const int strides[3], int width, int height, int64_t ms);
    // The stamp of a picture, or of one scaled from it (any size, any RGB format); -1 when a box is neither
    // clearly black nor clearly white.
    static int read(const QImage &image);
    // How long ago (ms) a stamp was taken, at now; the clock's wrap is accounted for.
    static int64_t ageMs(int stamp, int64_t now);

private:
    // Where box i lies, in a picture of the given size.
    static void box(int i, int width, int height, int *x, int *y, int *w, int *h);
};

#endif // CLOCKSTAMP_H
