#include "engine/SharedImage.h"

#include <atomic>
#include <mutex>
#include <vector>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Free buffers the program keeps for reuse at most: a few full-screen images.
constexpr size_t keptBuffers = 12;
constexpr qsizetype keptBytes = qsizetype(256) << 20;

std::atomic<quint64> lastId = 0;
std::mutex poolMutex;
std::vector<SharedImage::Buffer>& pool() {
    static auto* const buffers = new std::vector<SharedImage::Buffer>;
    return *buffers;
}

qsizetype sizeOf(int fd) {
    struct stat status {};
    return fstat(fd, &status) == 0 ? qsizetype(status.st_size) : -1;
}

void* mapPopulated(int fd, qsizetype bytes, int protection) {
    // Populated at once: a fault for every page, on a virtual machine above all, costs more than
    // drawing the image.
    return mmap(nullptr, size_t(bytes), protection, MAP_SHARED | MAP_POPULATE, fd, 0);
}

void release(void* info) {
    auto* buffer = static_cast<SharedImage::Buffer*>(info);
    SharedImage::recycle(*buffer);
    delete buffer;
}

struct WorkerMapping {
    quint64 id = 0;
    uchar* address = nullptr;
    qsizetype bytes = 0;
};

} // namespace

namespace SharedImage {

qsizetype bytesFor(QSize size) {
    if (size.width() <= 0 || size.height() <= 0 || size.width() > 32767 || size.height() > 32767)
        return 0;
    return qsizetype(size.width()) * 4 * size.height();
}

std::optional<Buffer> take(qsizetype bytes) {
    {
        std::lock_guard lock(poolMutex);
        std::vector<Buffer>& free = pool();
        for (auto entry = free.rbegin(); entry != free.rend(); ++entry) {
            if (entry->bytes == bytes) {
                const Buffer found = *entry;
                free.erase(std::next(entry).base());
                return found;
            }
        }
    }
    Buffer buffer{++lastId, memfd_create("orvl-image", MFD_CLOEXEC | MFD_ALLOW_SEALING), bytes,
                  nullptr};
    if (buffer.fd < 0)
        return std::nullopt;
    void* address = MAP_FAILED;
    // Sealed at its size: a worker that shrank it would end the program with a bus error when it
    // reads its mapping.
    if (ftruncate(buffer.fd, off_t(bytes)) == 0 &&
        fcntl(buffer.fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_SEAL) == 0)
        address = mapPopulated(buffer.fd, bytes, PROT_READ);
    if (address == MAP_FAILED) {
        close(buffer.fd);
        return std::nullopt;
    }
    buffer.pixels = static_cast<const uchar*>(address);
    return buffer;
}

void recycle(const Buffer& buffer) {
    {
        std::lock_guard lock(poolMutex);
        std::vector<Buffer>& free = pool();
        qsizetype total = buffer.bytes;
        for (const Buffer& entry : free)
            total += entry.bytes;
        if (free.size() < keptBuffers && total <= keptBytes) {
            free.push_back(buffer);
            return;
        }
    }
    discard(buffer);
}

void discard(const Buffer& buffer) {
    munmap(const_cast<uchar*>(buffer.pixels), size_t(buffer.bytes));
    close(buffer.fd);
}

QImage image(const Buffer& buffer, QSize size, QImage::Format format) {
    if (bytesFor(size) != buffer.bytes) {
        recycle(buffer);
        return {};
    }
    return QImage(buffer.pixels, size.width(), size.height(), qsizetype(size.width()) * 4, format,
                  release, new Buffer(buffer));
}

uchar* workerMapping(quint64 id, int fd, qsizetype bytes) {
    // One worker thread uses it. Only the last buffer stays mapped, for one the program recycles
    // soon, and it is let go before the next is mapped: every mapping counts the program's pages
    // again in the worker's resident memory, and most buffers a worker sees are new ones.
    static WorkerMapping kept;
    if (kept.address && kept.id == id)
        return kept.bytes == bytes ? kept.address : nullptr;
    if (bytes <= 0 || sizeOf(fd) < bytes)
        return nullptr;
    if (kept.address)
        munmap(kept.address, size_t(kept.bytes));
    kept = {};
    void* address = mapPopulated(fd, bytes, PROT_READ | PROT_WRITE);
    if (address == MAP_FAILED)
        return nullptr;
    kept = {id, static_cast<uchar*>(address), bytes};
    return kept.address;
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
    const qsizetype size = sizeOf(fd);
    if (size < 0 || size > limit)
        return {};
    QByteArray bytes(size, Qt::Uninitialized);
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
