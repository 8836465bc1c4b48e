#include "bench/clockstamp.h"

#include <ctime>

namespace {
// Geometry in a 1280x720 picture, scaled to any other size.
constexpr int referenceWidth = 1280;
constexpr int referenceHeight = 720;
constexpr int margin = 16;
constexpr int boxSize = 96;
constexpr int pitch = 104;
constexpr uint8_t black = 16;
constexpr uint8_t white = 235;
constexpr uint8_t neutralChroma = 128;
} // namespace

int64_t ClockStamp::nowMs()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

void ClockStamp::box(int i, int width, int height, int *x, int *y, int *w, int *h)
{
    const int column = i % columns;
    const int row = i / columns;
    *x = (margin + column * pitch) * width / referenceWidth;
    *y = (margin + row * pitch) * height / referenceHeight;
    *w = boxSize * width / referenceWidth;
    *h = boxSize * height / referenceHeight;
}

void ClockStamp::draw(uint8_t *const planes[3], const int strides[3], int width, int height, int64_t ms)
{
    const int64_t value = ms % wrap;
    for (int i = 0; i < bits; ++i) {
        const uint8_t luma = (value >> i) & 1 ? white : black;
        int x, y, w, h;
        box(i, width, height, &x, &y, &w, &h);
        for (int row = y; row < y + h && row < height; ++row) {
            uint8_t *line = planes[0] + row * strides[0];
            for (int column = x; column < x + w && column < width; ++column)
                line[column] = luma;
        }
        for (int row = y / 2; row < (y + h) / 2 && row < height / 2; ++row) {
            for (int plane = 1; plane < 3; ++plane) {
                uint8_t *line = planes[plane] + row * strides[plane];
                for (int column = x / 2; column < (x + w) / 2 && column < width / 2; ++column)
                    line[column] = neutralChroma;
            }
        }
    }
}

int ClockStamp::read(const QImage &image)
{
    if (image.isNull())
        return -1;
    int value = 0;
    for (int i = 0; i < bits; ++i) {
        int x, y, w, h;
        box(i, image.width(), image.height(), &x, &y, &w, &h);
        // A 3x3 grid over the box's middle, away from the edges a scaler blurs.
        int sum = 0;
        for (int gy = 3; gy <= 5; ++gy) {
            for (int gx = 3; gx <= 5; ++gx) {
                const int px = qBound(0, x + w * gx / 8, image.width() - 1);
                const int py = qBound(0, y + h * gy / 8, image.height() - 1);
                sum += qGray(image.pixel(px, py));
            }
        }
        const int gray = sum / 9;
        if (gray > 170)
            value |= 1 << i;
        else if (gray >= 85)
            return -1;
    }
    return value;
}

int64_t ClockStamp::ageMs(int stamp, int64_t now)
{
    int64_t age = (now % wrap) - stamp;
    if (age < -wrap / 2)
        age += wrap;
    else if (age > wrap / 2)
        age -= wrap;
    return age;
}
