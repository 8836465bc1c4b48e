#ifndef FFMPEGCHECK_H
#define FFMPEGCHECK_H

#include <QString>

class QWidget;

// What a window asks before a feature that needs FFmpeg (a class, with its streams, devices and recorder): the
// one loader's answer, and when FFmpeg cannot be had, the box that names the missing library (owned by the
// window that asked) and the log line.
namespace FfmpegCheck {
// Waits for the load under way (or loads); true when FFmpeg can be used, otherwise tells and returns false.
bool readyOrTold(QWidget *owner);
// The box's text for the loader's failure.
QString failureText();
} // namespace FfmpegCheck

#endif // FFMPEGCHECK_H
