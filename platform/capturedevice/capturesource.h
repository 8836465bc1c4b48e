#ifndef CAPTURESOURCE_H
#define CAPTURESOURCE_H

#include <QList>
#include <QPair>
#include <QString>

// What FFmpeg opens for one device: an input format, the address within it, and the format's options.
struct CaptureSource
{
    QString format; // "v4l2", "pulse", "alsa", "lavfi"
    QString url;
    QList<QPair<QString, QString>> options;

    bool isValid() const { return !format.isEmpty() && !url.isEmpty(); }
};

#endif // CAPTURESOURCE_H
