#include "document/SharedImage.h"

#include <QByteArray>

#include <mutex>
#include <unordered_map>

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Mapping {
    void* address = nullptr;
    size_t bytes = 0;
    int fd = -1; // owned, -1 for a mapping of someone else's descriptor
};

// Which memfd backs which image made by create, so the worker can send it.
std::mutex registryMutex;
std::unordered_map<const void*, int>& registry() {
    static auto* const map = new std::unordered_map<const void*, int>;
    return *map;
}

void release(void* info) {
    auto* mapping = static_cast<Mapping*>(info);
    if (mapping->fd >= 0) {
        std::lock_guard lock(registryMutex);
        registry().erase(mapping->address);
        close(mapping->fd);
    }
    munmap(mapping->address, mapping->bytes);
    delete mapping;
}

bool fits(QSize size) {
    return size.width() > 0 && size.height() > 0 && size.width() <= 32767 && size.height() <= 32767;
}

} // namespace

namespace SharedImage {

QImage create(QSize size, QImage::Format format) {
    if (!fits(size))
        return {};
    const qsizetype bytesPerLine = qsizetype(size.width()) * 4;
    const size_t bytes = size_t(bytesPerLine) * size_t(size.height());
    const int fd = memfd_create("orvl-image", MFD_CLOEXEC);
    if (fd < 0)
        return {};
    void* address = MAP_FAILED;
    if (ftruncate(fd, off_t(bytes)) == 0)
        address = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (address == MAP_FAILED) {
        close(fd);
        return {};
    }
    {
        std::lock_guard lock(registryMutex);
        registry()[address] = fd;
    }
    return QImage(static_cast<uchar*>(address), size.width(), size.height(), bytesPerLine, format,
                  release, new Mapping{address, bytes, fd});
}

int descriptor(const QImage& image) {
    std::lock_guard lock(registryMutex);
    const auto found = registry().find(image.constBits());
    return found == registry().end() ? -1 : found->second;
}

QImage map(int fd, QSize size, QImage::Format format) {
    if (!fits(size))
        return {};
    const qsizetype bytesPerLine = qsizetype(size.width()) * 4;
    const size_t bytes = size_t(bytesPerLine) * size_t(size.height());
    struct stat status {};
    if (fstat(fd, &status) != 0 || size_t(status.st_size) < bytes)
        return {};
    // Populated at once: the faults would otherwise land on the main thread at the first paint.
    void* address = mmap(nullptr, bytes, PROT_READ, MAP_SHARED | MAP_POPULATE, fd, 0);
    if (address == MAP_FAILED)
        return {};
    return QImage(static_cast<const uchar*>(address), size.width(), size.height(), bytesPerLine,
                  format, release, new Mapping{address, bytes, -1});
}

int fromBytes(const QByteArray& bytes) {
    const int fd = memfd_create("orvl-data", MFD_CLOEXEC);
    if (fd < 0)
        return -1;
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t step = write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (step <= 0) {
            close(fd);
            return -1;
        }
        written += step;
    }
    return fd;
}

QByteArray toBytes(int fd, qint64 limit) {
    struct stat status {};
    if (fstat(fd, &status) != 0 || status.st_size < 0 || status.st_size > limit)
        return {};
    QByteArray bytes(qsizetype(status.st_size), Qt::Uninitialized);
    qsizetype read = 0;
    while (read < bytes.size()) {
        const ssize_t step = pread(fd, bytes.data() + read, size_t(bytes.size() - read), read);
        if (step <= 0)
            return {};
        read += step;
    }
    return bytes;
}

} // namespace SharedImage
