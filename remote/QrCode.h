// The phone page's address as a QR code, made by libqrencode.
#pragma once

#include <QImage>
#include <QString>

namespace QrCode {

// Black modules on white with the standard quiet zone of four modules, `moduleSize` pixels
// each; a null image when the text does not fit a QR code.
QImage image(const QString& text, int moduleSize);

} // namespace QrCode
