#ifndef MEDIACLIP_H
#define MEDIACLIP_H

#include <QString>
#include <QStringList>

// A short clip made with the ffmpeg tool: a test picture with a 440 Hz tone, H.264 and AAC, one key frame a
// second. The container follows the path's suffix (".mp4", ".ts" ...). Blocks until ffmpeg has finished.
struct MediaClip
{
    QString picture = QStringLiteral("testsrc2"); // an ffmpeg lavfi source
    QString size = QStringLiteral("320x240");
    double seconds = 2;
    int bitRateKbps = 0; // 0 leaves the encoder's own choice

    bool make(const QString &path) const;
    // The ffmpeg tool's arguments that make it, for a caller that runs the tool itself.
    QStringList arguments(const QString &path) const;
};

#endif // MEDIACLIP_H
