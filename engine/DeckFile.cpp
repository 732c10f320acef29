#include "engine/DeckFile.h"

#include <QByteArray>
#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr qsizetype headerWindow = 1024;

} // namespace

namespace DeckFile {

int open(const QString& path, OpenStatus* status) {
    // Not blocking: a named pipe that nobody writes must not hold up the open.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd >= 0)
        return fd;
    if (status) {
        if (errno == ENOENT || errno == ENOTDIR)
            *status = OpenStatus::notFound;
        else if (errno == EACCES || errno == EPERM)
            *status = OpenStatus::permissionDenied;
        else
            *status = OpenStatus::notPdf;
    }
    return -1;
}

bool looksLikePdf(int fd) {
    QByteArray start(headerWindow, Qt::Uninitialized);
    ssize_t read = 0;
    do
        read = pread(fd, start.data(), size_t(start.size()), 0);
    while (read < 0 && errno == EINTR);
    if (read <= 0)
        return false;
    start.truncate(read);
    return start.contains("%PDF-");
}

} // namespace DeckFile
