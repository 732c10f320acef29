#include "engine/PageWorker.h"

#include "engine/Sandbox.h"
#include "engine/SharedImage.h"
#include "engine/WorkerProtocol.h"

#include <QDataStream>
#include <QIODevice>

#include <atomic>
#include <cstring>
#include <thread>
#include <utility>

#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

using namespace WorkerProtocol;

// Memory limits would stop the sanitizers, which reserve terabytes of address space up front.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool limitsApply = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool limitsApply = false;
#else
constexpr bool limitsApply = true;
#endif
#else
constexpr bool limitsApply = true;
#endif

void limit(qint64 addressSpace) {
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    if (addressSpace > 0 && limitsApply) {
        const rlimit memory{rlim_t(addressSpace), rlim_t(addressSpace)};
        setrlimit(RLIMIT_AS, &memory);
    }
}

// A worker whose program died mid-draw would draw on for nobody: it checks and leaves.
void watchParent() {
    const pid_t parent = getppid();
    std::thread([parent] {
        for (;;) {
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
            if (getppid() != parent)
                _exit(0);
        }
    }).detach();
}

// The strokes of an export never come near this.
constexpr qint64 maximumInkBytes = qint64(256) << 20;

// What this worker is confined by, told with every answer.
Sandbox::Mechanisms confinement = 0;

bool answer(Answer message, int fd = -1) {
    message.sandbox = confinement;
    return send(socketDescriptor, &message, sizeof message, fd);
}

bool answerBytes(Answer message, const QByteArray& bytes) {
    const int fd = SharedImage::fromBytes(bytes);
    const bool sent = answer(message, fd);
    if (fd >= 0)
        close(fd);
    return sent;
}

// The pixels end up in `target`, the program's buffer: drawn there, or copied there once.
bool answerImage(Answer message, const QImage& drawn, QImage& target) {
    message.status = 1;
    QImage image = drawn;
    if (!image.isNull() && image.format() != QImage::Format_RGB32 &&
        image.format() != QImage::Format_ARGB32)
        image = image.convertToFormat(QImage::Format_ARGB32);
    if (image.isNull() || target.isNull() || image.size() != target.size())
        return answer(message);
    if (image.constBits() != target.constBits()) {
        for (int y = 0; y < image.height(); ++y)
            std::memcpy(target.scanLine(y), image.constScanLine(y), size_t(image.width()) * 4);
    }
    message.status = 0;
    message.width = image.width();
    message.height = image.height();
    message.format = image.format();
    return answer(message);
}

} // namespace

namespace PageWorker {

int serve(const Opener& open, qint64 addressSpace) {
    signal(SIGPIPE, SIG_IGN);
    limit(addressSpace);
    void* const flag =
        mmap(nullptr, sizeof(std::atomic_bool), PROT_READ, MAP_SHARED, cancelDescriptor, 0);
    if (flag == MAP_FAILED || !Sandbox::keepDescriptors({socketDescriptor}))
        return 2;
    const auto* const cancel = static_cast<const std::atomic_bool*>(flag);
    const std::optional<Sandbox::Mechanisms> confined = Sandbox::confine();
    if (!confined) {
        qWarning("page worker: a sandbox mechanism this system offers failed; it reads no file");
        return 3;
    }
    confinement = *confined;
    watchParent();

    std::unique_ptr<PageEngine> engine;
    alignas(Request) char packet[maximumPacket];
    for (;;) {
        int passed = -1;
        const ssize_t received = receive(socketDescriptor, packet, sizeof packet, &passed);
        // The draw's buffer, closed once the answer is out.
        const std::unique_ptr<int, void (*)(int*)> buffer(&passed, [](int* fd) {
            if (*fd >= 0)
                close(*fd);
        });
        if (received <= 0)
            return 0;
        if (size_t(received) < sizeof(Request))
            return 2;
        Request request;
        std::memcpy(&request, packet, sizeof request);
        if (request.payload != size_t(received) - sizeof request)
            return 2;
        Answer reply;
        reply.id = request.id;
        bool sent = false;
        if (request.kind == Kind::open) {
            QByteArray payload(packet + sizeof request, qsizetype(request.payload));
            QDataStream stream(payload);
            QString path;
            QString password;
            stream >> path >> password;
            OpenStatus status = OpenStatus::damaged;
            // The deck comes with the request; the engine owns it from here.
            const int deck = std::exchange(passed, -1);
            engine = deck >= 0 ? open(deck, path, password, &status) : nullptr;
            if (!engine) {
                reply.status = qint32(status == OpenStatus::ok ? OpenStatus::damaged : status);
                sent = answer(reply);
            } else {
                reply.status = qint32(OpenStatus::ok);
                QByteArray table;
                QDataStream out(&table, QIODevice::WriteOnly);
                const qint64 count = engine->pageCount();
                out << count;
                for (qint64 page = 0; page < count; ++page)
                    out << engine->pageSize(page) << engine->pageLabel(page);
                out << engine->wasRepaired();
                sent = answerBytes(reply, table);
            }
        } else if (!engine) {
            reply.status = 1;
            sent = answer(reply);
        } else if (request.kind == Kind::draw || request.kind == Kind::rows) {
            const QSize size(request.width, request.height);
            const QSize expected(request.width, request.kind == Kind::rows
                                                    ? request.bottom - request.top
                                                    : request.height);
            // The first image of that size the engine asks for is the program's buffer.
            uchar* const pixels = passed >= 0
                                      ? SharedImage::workerMapping(request.buffer, passed,
                                                                   SharedImage::bytesFor(expected))
                                      : nullptr;
            QImage target = pixels ? QImage(pixels, expected.width(), expected.height(),
                                            qsizetype(expected.width()) * 4, QImage::Format_RGB32)
                                   : QImage();
            bool handed = target.isNull();
            engine->setImageAllocator(
                [&target, &handed, pixels](QSize wanted, QImage::Format format) {
                    if (handed || wanted != target.size())
                        return QImage(wanted, format);
                    handed = true;
                    return QImage(pixels, wanted.width(), wanted.height(), target.bytesPerLine(),
                                  format);
                });
            const QImage drawn =
                request.kind == Kind::draw
                    ? engine->drawPage(request.page, size,
                                       QRectF(request.x, request.y, request.w, request.h), cancel)
                    : engine->drawRows(request.page, size, request.top, request.bottom, cancel);
            engine->setImageAllocator({});
            sent = answerImage(reply, drawn, target);
        } else if (request.kind == Kind::read) {
            engine->readPage(request.page, cancel);
            sent = answer(reply);
        } else if (request.kind == Kind::ink) {
            const std::optional<QList<InkStroke>> ink =
                passed >= 0 ? InkStroke::decode(SharedImage::toBytes(passed, maximumInkBytes))
                            : std::nullopt;
            const QByteArray written = ink ? engine->writeWithInk(*ink) : QByteArray();
            reply.status = written.isEmpty() ? 1 : 0;
            sent = written.isEmpty() ? answer(reply) : answerBytes(reply, written);
        } else if (request.kind == Kind::metadata) {
            sent = answerBytes(reply, engine->metadata());
        } else if (request.kind == Kind::navigation) {
            sent = answerBytes(reply, engine->navigation(request.page).toBytes());
        } else if (request.kind == Kind::media) {
            QByteArray bytes;
            QDataStream out(&bytes, QIODevice::WriteOnly);
            out << engine->pageMedia(request.page);
            sent = answerBytes(reply, bytes);
        } else if (request.kind == Kind::mediaFile) {
            // The file's bytes stay in the memfd they were decoded into: no copy crosses.
            const int file = engine->mediaFile(request.page, request.entry);
            reply.status = file >= 0 ? 0 : 1;
            sent = answer(reply, file);
            if (file >= 0)
                close(file);
        } else if (request.kind == Kind::notes || request.kind == Kind::text) {
            QByteArray bytes;
            QDataStream out(&bytes, QIODevice::WriteOnly);
            if (request.kind == Kind::notes)
                out << engine->noteTexts(request.page);
            else
                out << engine->regionText(request.page,
                                          QRectF(request.x, request.y, request.w, request.h));
            sent = answerBytes(reply, bytes);
        } else {
            return 2;
        }
        if (!sent)
            return 0;
    }
}

} // namespace PageWorker
