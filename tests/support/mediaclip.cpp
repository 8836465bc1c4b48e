#include "tests/support/mediaclip.h"

#include "tests/support/childprocess.h"

QStringList MediaClip::arguments(const QString &path) const
{
    // "testsrc2" and "color=c=red" alike take the size after their own options.
    const QString source = QString("%1%2size=%3:rate=25").arg(picture, picture.contains('=') ? ":" : "=", size);
    QStringList arguments { "-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i", source, "-f", "lavfi", "-i",
        "sine=frequency=440:sample_rate=44100", "-t", QString::number(seconds), "-c:v", "libx264", "-preset",
        "ultrafast", "-g", "25", "-pix_fmt", "yuv420p" };
    if (bitRateKbps > 0)
        arguments << "-b:v" << QString("%1k").arg(bitRateKbps);
    arguments << "-c:a"
              << "aac"
              << "-shortest" << path;
    return arguments;
}

bool MediaClip::make(const QString &path) const
{
    ChildProcess ffmpeg; // goes with its caller, however that ends
    ffmpeg.start("ffmpeg", arguments(path));
    return ffmpeg.waitForFinished(60000) && ffmpeg.exitStatus() == QProcess::NormalExit && ffmpeg.exitCode() == 0;
}
