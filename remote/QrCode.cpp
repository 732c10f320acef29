#include "remote/QrCode.h"

#include <qrencode.h>

namespace QrCode {

QImage image(const QString& text, int moduleSize) {
    const QByteArray utf8 = text.toUtf8();
    // Level M survives a smudged or partly covered screen and keeps the code small.
    QRcode* code = QRcode_encodeString8bit(utf8.constData(), 0, QR_ECLEVEL_M);
    if (!code)
        return {};
    constexpr int quietZone = 4;
    const int side = (code->width + 2 * quietZone) * moduleSize;
    QImage picture(side, side, QImage::Format_RGB32);
    picture.fill(Qt::white);
    for (int y = 0; y < code->width; ++y) {
        for (int x = 0; x < code->width; ++x) {
            // Bit 0 of each byte is the module's colour; the others say what the module is for.
            if (!(code->data[y * code->width + x] & 1))
                continue;
            for (int dy = 0; dy < moduleSize; ++dy) {
                auto* row =
                    reinterpret_cast<QRgb*>(picture.scanLine((y + quietZone) * moduleSize + dy));
                std::fill_n(row + (x + quietZone) * moduleSize, moduleSize, qRgb(0, 0, 0));
            }
        }
    }
    QRcode_free(code);
    return picture;
}

} // namespace QrCode
