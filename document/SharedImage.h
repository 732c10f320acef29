// Images in shared memory (memfd): a worker process draws into one and hands its file descriptor to
// the program, which maps the same pages, so an image crosses the process boundary uncopied.
#pragma once

#include <QImage>

namespace SharedImage {

// A writable image whose pixels live in a new memfd; null on failure. `descriptor` of the result
// gives the memfd while the image lives.
QImage create(QSize size, QImage::Format format);
// The memfd behind an image from create, or -1 for any other image.
int descriptor(const QImage& image);
// The pixels of `fd` (width x height, 4 bytes a pixel, rows packed) as a read-only image that
// keeps the mapping until its last copy goes; null when the memory is smaller than that.
QImage map(int fd, QSize size, QImage::Format format);

// A memfd holding `bytes`, or -1.
int fromBytes(const QByteArray& bytes);
// At most `limit` bytes of a memfd; empty when it is larger or unreadable.
QByteArray toBytes(int fd, qint64 limit);

} // namespace SharedImage
