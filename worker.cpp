// The page worker: one opened deck, drawn with MuPDF for the program that started it. It is never
// run by hand; the program passes its socket and cancel flag as descriptors 3 and 4.
#include "engine/MupdfEngine.h"
#include "engine/PageWorker.h"

#include <malloc.h>

#include <cstring>

int main(int argc, char** argv) {
    // A 4K photo page allocates and frees a scaled copy of its image (25-35 MB) on every draw.
    // By default glibc maps it afresh or trims it off the heap's top, so each draw faults it in
    // again: 10-15 ms at 4K. Kept on the heap, it is reused; 40 MB held back costs no more memory
    // than before after 200 slides at 4K.
    mallopt(M_MMAP_THRESHOLD, 40 << 20);
    mallopt(M_TRIM_THRESHOLD, 40 << 20);
    qint64 addressSpace = 0;
    if (argc == 3 && std::strcmp(argv[1], "--address-space") == 0)
        addressSpace = std::strtoll(argv[2], nullptr, 10);
    return PageWorker::serve(
        [](int fd, const QString& name, const QString& password, OpenStatus* status) {
            return std::unique_ptr<PageEngine>(MupdfEngine::open(fd, name, password, status));
        },
        addressSpace);
}
