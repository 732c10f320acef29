// The page worker: one opened deck, drawn with MuPDF for the program that started it. It is never
// run by hand; the program passes its socket and cancel flag as descriptors 3 and 4.
#include "document/MupdfEngine.h"
#include "document/PageWorker.h"

#include <cstring>

int main(int argc, char** argv) {
    qint64 addressSpace = 0;
    if (argc == 3 && std::strcmp(argv[1], "--address-space") == 0)
        addressSpace = std::strtoll(argv[2], nullptr, 10);
    return PageWorker::serve(MupdfEngine::factory().open, addressSpace);
}
