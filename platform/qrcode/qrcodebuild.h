#ifndef QRCODEBUILD_H
#define QRCODEBUILD_H

#include <QPixmap>
#include <QSize>
#include <QString>

// Draws QR codes (libqrencode): the pad pairing code.
class QRCodeBuild
{
public:
    // Draws the QR code of the text (UTF-8, error correction M, a quiet zone of four modules) black on white,
    // scaled to fill the size; false when the text cannot be encoded or the size is empty.
    static bool stringToPixmap(const QString &text, const QSize &size, QPixmap &pixmap);
};

#endif // QRCODEBUILD_H
