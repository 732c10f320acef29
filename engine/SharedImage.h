// Images in shared memory (memfd): the program hands a worker process a buffer with each draw,
// the worker draws straight into it, and the program maps the same pages, so an image crosses the
// process boundary uncopied. Buffers and their mappings are kept and reused once their image is
// gone: mapping fresh pages costs a fault for each, more than drawing the image.
#pragma once

#include <QByteArray>
#include <QImage>

#include <optional>

namespace SharedImage {

// Bytes of an image of `size` (4 bytes a pixel, rows packed); 0 for no possible image.
qsizetype bytesFor(QSize size);

struct Buffer {
    quint64 id = 0; // never reused, so a worker may keep its own mapping by this
    int fd = -1;
    qsizetype bytes = 0;
    const uchar* pixels = nullptr; // the program's read-only mapping
};
// A buffer of `bytes`, a free one where there is one; its size is sealed.
std::optional<Buffer> take(qsizetype bytes);
// Back for reuse: only once nobody writes to it any more.
void recycle(const Buffer& buffer);
// Unmapped and closed: a worker given up on may still be writing to it.
void discard(const Buffer& buffer);
// The buffer's pixels as a read-only image that recycles the buffer when its last copy goes.
QImage image(const Buffer& buffer, QSize size, QImage::Format format);

// For the worker: a writable mapping of the program's buffer, the last one kept by id. Null when
// `fd` is smaller than `bytes`.
uchar* workerMapping(quint64 id, int fd, qsizetype bytes);

// A memfd holding `bytes`, or -1.
int fromBytes(const QByteArray& bytes);
// At most `limit` bytes of a memfd; empty when it is larger or unreadable.
QByteArray toBytes(int fd, qint64 limit);

} // namespace SharedImage
