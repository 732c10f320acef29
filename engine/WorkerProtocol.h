// The messages between the program and a page worker process: one request or answer per packet
// on a SOCK_SEQPACKET socket; bulk data (pixels, page tables, texts) travels as a memfd with it.
#pragma once

#include <QtGlobal>

#include <sys/types.h>

namespace WorkerProtocol {

// The worker's end of its socket and the shared cancel flag, as the worker process sees them.
constexpr int socketDescriptor = 3;
constexpr int cancelDescriptor = 4;

// ink: the strokes come as a memfd with the request; the new PDF goes back as one.
enum class Kind : quint32 { open = 1, draw, rows, notes, text, read, metadata, ink, navigation };

struct Request {
    quint64 id = 0;
    Kind kind = Kind::open;
    qint64 page = 0;
    qint32 width = 0;
    qint32 height = 0;
    qint32 top = 0;
    qint32 bottom = 0;
    double x = 0, y = 0, w = 1, h = 1; // region, 0..1 page coordinates
    // The draw's buffer (its descriptor comes with the packet), never reused for another one.
    quint64 buffer = 0;
    // Bytes of payload that follow in the same packet (open: path and password; the deck's
    // descriptor comes with it).
    quint32 payload = 0;
};

struct Answer {
    quint64 id = 0;
    qint32 status = 0; // OpenStatus for open; 0 = image, 1 = no image, for draws
    qint32 width = 0;
    qint32 height = 0;
    qint32 format = 0;   // QImage::Format of the pixels in the memfd
    quint32 sandbox = 0; // Sandbox::Mechanisms the worker is confined by
};

// Largest packet either side sends or accepts.
constexpr size_t maximumPacket = 16 * 1024;

// One packet with an optional descriptor; false when the peer is gone.
bool send(int socket, const void* data, size_t bytes, int fd = -1);
// One packet into `buffer`: its length, 0 at end of stream, -1 on error. A descriptor that came
// with it is stored in `fd` (else -1); the caller owns it.
ssize_t receive(int socket, void* buffer, size_t bytes, int* fd);

} // namespace WorkerProtocol
