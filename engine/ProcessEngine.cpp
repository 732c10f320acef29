#include "engine/ProcessEngine.h"

#include "engine/DeckFile.h"
#include "engine/SharedImage.h"

#include <QDataStream>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QThread>
#include <QtDebug>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <mupdf/fitz/version.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using namespace WorkerProtocol;

constexpr const char* workerName = "talvane-orvello-worker";
// A page table or text from a worker is never larger than this.
constexpr qint64 maximumBytes = qint64(64) << 20;
// A deck written anew with ink; the worker's memory limit is lower still.
constexpr qint64 maximumPdfBytes = qint64(1) << 30;
// How long a worker may take to leave on its own once the program is done with it.
constexpr std::chrono::milliseconds grace(100);
// How often a waiting draw looks at its cancel flag.
constexpr int cancelPoll = 5;

int highDescriptor(int fd) {
    const int moved = fcntl(fd, F_DUPFD_CLOEXEC, 10);
    close(fd);
    return moved;
}

Request pageRequest(Kind kind, qint64 page, QRectF region = QRectF(0, 0, 1, 1)) {
    Request request;
    request.kind = kind;
    request.page = page;
    request.x = region.x();
    request.y = region.y();
    request.w = region.width();
    request.h = region.height();
    return request;
}

bool finite(QSizeF size) {
    return std::isfinite(size.width()) && std::isfinite(size.height());
}

std::atomic<Sandbox::Mechanisms> reportedSandbox = 0;

// Said once a run, and again should it ever change.
void noteSandbox(Sandbox::Mechanisms mechanisms) {
    if (reportedSandbox.exchange(mechanisms) == mechanisms)
        return;
    const QString separator = QStringLiteral(", ");
    const QStringList missing = Sandbox::names(~mechanisms);
    qInfo("page workers confined by: %s%s", qPrintable(Sandbox::names(mechanisms).join(separator)),
          missing.isEmpty()
              ? ""
              : qPrintable(QStringLiteral("; not available here: ") + missing.join(separator)));
}

} // namespace

ProcessEngine::ProcessEngine(const QString& worker, const QString& path, int deck,
                             const QString& password, const Limits& limits)
    : worker(worker), path(path), deck(deck), password(password), limits(limits) {}

ProcessEngine::~ProcessEngine() {
    stop(true);
    close(deck);
}

Sandbox::Mechanisms ProcessEngine::workerSandbox() {
    return reportedSandbox;
}

QString ProcessEngine::engineName() {
    return QStringLiteral("MuPDF " FZ_VERSION);
}

QString ProcessEngine::workerPath() {
    const QString chosen = qEnvironmentVariable("ORVL_PAGE_WORKER");
    if (!chosen.isEmpty())
        return chosen;
    const QString beside =
        QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).absolutePath() +
        QLatin1Char('/') + QLatin1String(workerName);
    if (QFileInfo(beside).isExecutable())
        return beside;
    return QStringLiteral(ORVL_WORKER_INSTALLED);
}

EngineFactory ProcessEngine::factory(const QString& worker, const Limits& limits, int workers) {
    EngineFactory factory;
    factory.workers = workers;
    factory.open = [worker, limits](const QString& path, const QString& password,
                                    OpenStatus* status) {
        return std::unique_ptr<PageEngine>(open(worker, path, password, status, limits));
    };
    factory.openUnless = [worker, limits](const QString& path, const QString& password,
                                          OpenStatus* status, const std::atomic_bool* cancel) {
        return std::unique_ptr<PageEngine>(open(worker, path, password, status, limits, cancel));
    };
    return factory;
}

// One worker process per core, at least two, each drawing with MuPDF.
EngineFactory defaultEngineFactory() {
    return ProcessEngine::factory(ProcessEngine::workerPath(), {},
                                  std::max(2, QThread::idealThreadCount()));
}

std::unique_ptr<ProcessEngine> ProcessEngine::open(const QString& worker, const QString& path,
                                                   const QString& password, OpenStatus* status,
                                                   const Limits& limits,
                                                   const std::atomic_bool* cancel) {
    const auto fail = [status](OpenStatus value) {
        if (status)
            *status = value;
        return nullptr;
    };
    // The program opens the file: a worker may open none.
    OpenStatus opening = OpenStatus::ok;
    const int deck = DeckFile::open(path, &opening);
    if (deck < 0)
        return fail(opening);
    std::unique_ptr<ProcessEngine> engine(new ProcessEngine(worker, path, deck, password, limits));
    const std::optional<Reply> reply = engine->load(cancel);
    if (!reply)
        return fail(OpenStatus::damaged);
    const auto opened = OpenStatus(reply->answer.status);
    const QByteArray table =
        reply->fd >= 0 ? SharedImage::toBytes(reply->fd, maximumBytes) : QByteArray();
    if (reply->fd >= 0)
        close(reply->fd);
    if (opened != OpenStatus::ok)
        return fail(opened);
    QDataStream stream(table);
    qint64 count = 0;
    stream >> count;
    if (count < 1 || count > table.size())
        return fail(OpenStatus::damaged);
    for (qint64 page = 0; page < count; ++page) {
        QSizeF size;
        QString label;
        stream >> size >> label;
        if (stream.status() != QDataStream::Ok || !finite(size))
            return fail(OpenStatus::damaged);
        engine->sizes.append(size);
        engine->labels.append(label);
    }
    // After the pages; absent from the table of a worker that does not say.
    bool repaired = false;
    stream >> repaired;
    engine->repaired = stream.status() == QDataStream::Ok && repaired;
    if (status)
        *status = OpenStatus::ok;
    return engine;
}

bool ProcessEngine::spawn() const {
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0)
        return false;
    const int own = ends[0];
    // Above the descriptors the child is given, so that no dup2 there overwrites another.
    const int theirs = highDescriptor(ends[1]);
    const int flag = highDescriptor(memfd_create("orvl-cancel", MFD_CLOEXEC));
    void* shared = MAP_FAILED;
    if (theirs >= 0 && flag >= 0 && ftruncate(flag, sizeof(std::atomic_bool)) == 0)
        shared =
            mmap(nullptr, sizeof(std::atomic_bool), PROT_READ | PROT_WRITE, MAP_SHARED, flag, 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, theirs, socketDescriptor);
    posix_spawn_file_actions_adddup2(&actions, flag, cancelDescriptor);
    const QByteArray program = QFile::encodeName(worker);
    const QByteArray memory = QByteArray::number(limits.addressSpace);
    char* arguments[] = {const_cast<char*>(program.constData()),
                         const_cast<char*>("--address-space"),
                         const_cast<char*>(memory.constData()), nullptr};
    pid_t child = -1;
    const bool spawned = shared != MAP_FAILED && posix_spawn(&child, program.constData(), &actions,
                                                             nullptr, arguments, environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    close(theirs);
    // The mapping keeps the flag alive; the child has its own descriptor.
    if (flag >= 0)
        close(flag);
    if (!spawned) {
        if (shared != MAP_FAILED)
            munmap(shared, sizeof(std::atomic_bool));
        close(own);
        qWarning("cannot start the page worker %s: %s", program.constData(), std::strerror(errno));
        return false;
    }
    pid = child;
    socket = own;
    cancelFlag = new (shared) std::atomic_bool(false);
    abandoned = false;
    ++started;
    return true;
}

std::optional<ProcessEngine::Reply> ProcessEngine::load(const std::atomic_bool* cancel) const {
    if (!spawn())
        return std::nullopt;
    QByteArray payload;
    QDataStream stream(&payload, QIODevice::WriteOnly);
    stream << path << password;
    Request request;
    request.kind = Kind::open;
    std::optional<Reply> reply = call(request, payload, limits.openMilliseconds, cancel, deck);
    if (reply)
        noteSandbox(reply->answer.sandbox);
    else if (!(cancel && *cancel))
        qWarning("%s: the page worker failed while opening the file", qPrintable(path));
    return reply;
}

void ProcessEngine::stop(bool withGrace) const {
    if (pid < 0)
        return;
    // Closing the socket asks the worker to leave; one that is stuck is killed.
    close(socket);
    socket = -1;
    bool gone = false;
    if (withGrace) {
        const auto until = std::chrono::steady_clock::now() + grace;
        while (!gone && std::chrono::steady_clock::now() < until) {
            gone = waitpid(pid, nullptr, WNOHANG) == pid;
            if (!gone)
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    if (!gone) {
        kill(pid, SIGKILL);
        while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    pid = -1;
    munmap(cancelFlag, sizeof(std::atomic_bool));
    cancelFlag = nullptr;
}

std::optional<ProcessEngine::Reply> ProcessEngine::call(Request request, const QByteArray& payload,
                                                        int milliseconds,
                                                        const std::atomic_bool* cancel,
                                                        int fd) const {
    // A worker that failed before comes back with the document opened again.
    if (pid < 0) {
        const std::optional<Reply> reopened = load(cancel);
        if (reopened && reopened->fd >= 0)
            close(reopened->fd);
        if (!reopened || OpenStatus(reopened->answer.status) != OpenStatus::ok) {
            stop(false);
            return std::nullopt;
        }
    }
    QElapsedTimer clock;
    clock.start();
    const auto failed = [this, &request]() -> std::optional<Reply> {
        if (request.kind != Kind::open)
            qWarning("%s: page %lld: the page worker failed; it is started again", qPrintable(path),
                     request.page + 1);
        stop(false);
        return std::nullopt;
    };
    request.id = ++lastId;
    request.payload = quint32(payload.size());
    QByteArray packet(reinterpret_cast<const char*>(&request), sizeof request);
    packet += payload;
    if (size_t(packet.size()) > maximumPacket)
        return std::nullopt;
    bool sent = false;
    alignas(Answer) char buffer[maximumPacket];
    for (;;) {
        // The answer to a request given up on comes first; it only has to be read away.
        if (!sent && !abandoned) {
            cancelFlag->store(false);
            if (!WorkerProtocol::send(socket, packet.constData(), size_t(packet.size()), fd))
                return failed();
            sent = true;
            clock.restart();
        }
        if (!sent && clock.elapsed() >= limits.cancelledMilliseconds) {
            // The request given up on does not end: the worker is stuck in it. A fresh worker
            // takes this request, which is not to fail for the last one.
            qWarning("%s: the page worker did not stop a cancelled request; it is started again",
                     qPrintable(path));
            stop(false);
            return call(request, payload, milliseconds, cancel, fd);
        }
        const qint64 left = (sent ? milliseconds : limits.cancelledMilliseconds) - clock.elapsed();
        if (left <= 0)
            return failed();
        if (cancel && *cancel) {
            cancelFlag->store(true);
            if (sent)
                abandoned = true;
            return std::nullopt;
        }
        pollfd watched{socket, POLLIN, 0};
        const int ready =
            poll(&watched, 1, int(std::min<qint64>(left, cancel ? cancelPoll : left)));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            return failed();
        if (ready == 0)
            continue;
        int passed = -1;
        const ssize_t received = receive(socket, buffer, sizeof buffer, &passed);
        if (received != ssize_t(sizeof(Answer))) {
            if (passed >= 0)
                close(passed);
            return failed();
        }
        Reply reply;
        std::memcpy(&reply.answer, buffer, sizeof reply.answer);
        reply.fd = passed;
        if (reply.answer.id == request.id && sent)
            return reply;
        if (passed >= 0)
            close(passed);
        if (reply.answer.id > request.id)
            return failed();
        abandoned = false;
    }
}

QImage ProcessEngine::image(const Request& request, const std::atomic_bool* cancel) const {
    const int rows = request.kind == Kind::rows ? request.bottom - request.top : request.height;
    const QSize size(request.width, rows);
    const qsizetype bytes = SharedImage::bytesFor(size);
    if ((cancel && *cancel) || bytes == 0)
        return {};
    const std::optional<SharedImage::Buffer> buffer = SharedImage::take(bytes);
    if (!buffer)
        return {};
    const double megapixels = double(request.width) * double(request.height) / 1e6;
    const int deadline =
        limits.drawMilliseconds + int(std::ceil(megapixels * limits.drawMillisecondsPerMegapixel));
    Request withBuffer = request;
    withBuffer.buffer = buffer->id;
    const std::optional<Reply> reply = call(withBuffer, {}, deadline, cancel, buffer->fd);
    if (!reply) {
        // A worker given up on may still be drawing into it: never reused.
        SharedImage::discard(*buffer);
        return {};
    }
    if (reply->fd >= 0)
        close(reply->fd);
    const auto format = QImage::Format(reply->answer.format);
    if (reply->answer.status != 0 || reply->answer.width != size.width() ||
        reply->answer.height != size.height() ||
        (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32)) {
        SharedImage::recycle(*buffer);
        return {};
    }
    return SharedImage::image(*buffer, size, format);
}

QByteArray ProcessEngine::bytes(const Request& request) const {
    const std::optional<Reply> reply = call(request, {}, limits.textMilliseconds, nullptr);
    if (!reply || reply->fd < 0)
        return {};
    const QByteArray data = SharedImage::toBytes(reply->fd, maximumBytes);
    close(reply->fd);
    return data;
}

QStringList ProcessEngine::noteTexts(qint64 page) const {
    if (page < 0 || page >= pageCount())
        return {};
    QStringList notes;
    QDataStream stream(bytes(pageRequest(Kind::notes, page)));
    stream >> notes;
    return notes;
}

QByteArray ProcessEngine::metadata() const {
    const QByteArray packet = bytes(pageRequest(Kind::metadata, 0));
    return packet.size() > maximumMetadataBytes ? QByteArray() : packet;
}

QString ProcessEngine::regionText(qint64 page, QRectF region) const {
    if (page < 0 || page >= pageCount())
        return {};
    QString text;
    QDataStream stream(bytes(pageRequest(Kind::text, page, region)));
    stream >> text;
    return text;
}

PageNavigation ProcessEngine::navigation(qint64 page) const {
    if (page < 0 || page >= pageCount())
        return {};
    return PageNavigation::fromBytes(bytes(pageRequest(Kind::navigation, page)));
}

QList<MediaLink> ProcessEngine::pageMedia(qint64 page) const {
    if (page < 0 || page >= pageCount())
        return {};
    QList<MediaLink> links;
    QDataStream stream(bytes(pageRequest(Kind::media, page)));
    stream >> links;
    const bool valid = stream.status() == QDataStream::Ok &&
                       links.size() <= MediaLink::maximumPerPage &&
                       std::all_of(links.cbegin(), links.cend(),
                                   [](const MediaLink& link) { return link.valid(); });
    return valid ? links : QList<MediaLink>();
}

int ProcessEngine::mediaFile(qint64 page, int index) const {
    if (page < 0 || page >= pageCount() || index < 0 || index >= MediaLink::maximumPerPage)
        return -1;
    Request request = pageRequest(Kind::mediaFile, page);
    request.entry = index;
    const std::optional<Reply> reply = call(request, {}, limits.mediaFileMilliseconds, nullptr);
    if (!reply || reply->fd < 0)
        return -1;
    const int fd = reply->fd;
    struct stat status {};
    const bool sealed =
        reply->answer.status == 0 && fstat(fd, &status) == 0 && S_ISREG(status.st_mode) &&
        status.st_size > 0 && status.st_size <= MediaLink::maximumFileBytes &&
        fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL) == 0;
    if (!sealed) {
        close(fd);
        return -1;
    }
    return fd;
}

bool ProcessEngine::readPage(qint64 page, const std::atomic_bool* cancel) const {
    if (page < 0 || page >= pageCount())
        return true;
    return call(pageRequest(Kind::read, page), {}, limits.readMilliseconds, cancel) ||
           (cancel && *cancel);
}

QImage ProcessEngine::drawPage(qint64 page, QSize pixelSize, QRectF region,
                               const std::atomic_bool* cancel) const {
    if (page < 0 || page >= pageCount() || pixelSize.isEmpty())
        return {};
    Request request = pageRequest(Kind::draw, page, region);
    request.width = pixelSize.width();
    request.height = pixelSize.height();
    return image(request, cancel);
}

QImage ProcessEngine::drawRows(qint64 page, QSize pixelSize, int top, int bottom,
                               const std::atomic_bool* cancel) const {
    if (page < 0 || page >= pageCount() || pixelSize.isEmpty() || top < 0 || bottom <= top ||
        bottom > pixelSize.height())
        return {};
    Request request = pageRequest(Kind::rows, page);
    request.width = pixelSize.width();
    request.height = pixelSize.height();
    request.top = top;
    request.bottom = bottom;
    return image(request, cancel);
}

QByteArray ProcessEngine::writeWithInk(const QList<InkStroke>& ink) const {
    const int strokes = SharedImage::fromBytes(InkStroke::encode(ink));
    if (strokes < 0)
        return {};
    const std::optional<Reply> reply =
        call(pageRequest(Kind::ink, 0), {}, limits.inkMilliseconds, nullptr, strokes);
    close(strokes);
    if (!reply || reply->fd < 0)
        return {};
    const QByteArray written =
        reply->answer.status == 0 ? SharedImage::toBytes(reply->fd, maximumPdfBytes) : QByteArray();
    close(reply->fd);
    return written;
}
