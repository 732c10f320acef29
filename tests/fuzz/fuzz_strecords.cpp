// Fuzzes the decoding of every Stagetimer answer envelope and payload.
#include "FuzzSupport.h"
#include "stagetimer/STRecords.h"

#include <cmath>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    FuzzSupport::start(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray body = FuzzSupport::bytes(data, size);
    if (const auto status = STResponse<STStatus>::decode(body); status && status->data) {
        for (const auto& instant : {status->data->start, status->data->finish, status->data->pause,
                                    status->data->serverTime})
            FuzzSupport::require(!instant || std::isfinite(*instant));
    }
    STResponse<STTimer>::decode(body);
    if (const auto messages = STResponse<STMessages>::decode(body); messages && messages->data)
        messages->data->showingText();
    return 0;
}
