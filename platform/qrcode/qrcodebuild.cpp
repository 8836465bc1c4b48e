#include "platform/qrcode/qrcodebuild.h"

#include <QColor>
#include <QImage>
#include <QPainter>

#include <qrencode.h>

#include <memory>

namespace {
// The blank margin a reader needs around the symbol, in modules.
constexpr int quietZone = 4;
} // namespace

bool QRCodeBuild::stringToPixmap(const QString &text, const QSize &size, QPixmap &pixmap)
{
    if (size.isEmpty())
        return false;
    const QByteArray bytes = text.toUtf8();
    std::unique_ptr<QRcode, decltype(&QRcode_free)> code(
        QRcode_encodeData(bytes.size(), reinterpret_cast<const unsigned char *>(bytes.constData()), 0, QR_ECLEVEL_M),
        &QRcode_free);
    if (!code)
        return false;
    const int modules = code->width + 2 * quietZone;
    const int side = qMin(size.width(), size.height());
    // Whole pixels per module keep the edges sharp for a camera; the rest of the size is margin.
    const int scale = qMax(1, side / modules);
    const int offsetX = (size.width() - modules * scale) / 2 + quietZone * scale;
    const int offsetY = (size.height() - modules * scale) / 2 + quietZone * scale;

    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    for (int y = 0; y < code->width; ++y) {
        for (int x = 0; x < code->width; ++x) {
            if (code->data[y * code->width + x] & 0x01)
                painter.drawRect(offsetX + x * scale, offsetY + y * scale, scale, scale);
        }
    }
    painter.end();
    pixmap = QPixmap::fromImage(image);
    return !pixmap.isNull();
}
