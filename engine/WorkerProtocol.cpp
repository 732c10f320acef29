#include "engine/WorkerProtocol.h"

#include <cerrno>
#include <cstring>

#include <sys/socket.h>
#include <unistd.h>

namespace WorkerProtocol {

bool send(int socket, const void* data, size_t bytes, int fd) {
    iovec part{const_cast<void*>(data), bytes};
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    if (fd >= 0) {
        message.msg_control = control;
        message.msg_controllen = sizeof(control);
        cmsghdr* header = CMSG_FIRSTHDR(&message);
        header->cmsg_level = SOL_SOCKET;
        header->cmsg_type = SCM_RIGHTS;
        header->cmsg_len = CMSG_LEN(sizeof(int));
        std::memcpy(CMSG_DATA(header), &fd, sizeof(int));
    }
    for (;;) {
        const ssize_t sent = sendmsg(socket, &message, MSG_NOSIGNAL);
        if (sent == ssize_t(bytes))
            return true;
        if (sent < 0 && errno == EINTR)
            continue;
        return false;
    }
}

ssize_t receive(int socket, void* buffer, size_t bytes, int* fd) {
    *fd = -1;
    iovec part{buffer, bytes};
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    message.msg_control = control;
    message.msg_controllen = sizeof(control);
    ssize_t received = 0;
    do
        received = recvmsg(socket, &message, MSG_CMSG_CLOEXEC);
    while (received < 0 && errno == EINTR);
    for (cmsghdr* header = CMSG_FIRSTHDR(&message); header;
         header = CMSG_NXTHDR(&message, header)) {
        if (header->cmsg_level != SOL_SOCKET || header->cmsg_type != SCM_RIGHTS)
            continue;
        const size_t count = (header->cmsg_len - CMSG_LEN(0)) / sizeof(int);
        for (size_t i = 0; i < count; ++i) {
            int passed = -1;
            std::memcpy(&passed, CMSG_DATA(header) + i * sizeof(int), sizeof(int));
            if (*fd < 0)
                *fd = passed;
            else
                close(passed);
        }
    }
    // A truncated packet or descriptor list is not one the protocol sends.
    if (received > 0 && (message.msg_flags & (MSG_TRUNC | MSG_CTRUNC))) {
        if (*fd >= 0)
            close(*fd);
        *fd = -1;
        return -1;
    }
    return received;
}

} // namespace WorkerProtocol
