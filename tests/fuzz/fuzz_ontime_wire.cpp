// Fuzzes the decoding of every Ontime answer.
#include "FuzzSupport.h"
#include "ontime/OntimeWire.h"

#include <cmath>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    FuzzSupport::start(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray body = FuzzSupport::bytes(data, size);
    if (const auto version = VersionResponse::decode(body))
        FuzzSupport::require(version->payload.size() <= OntimeLimits::version);
    LegacyInfo::decode(body);
    if (const auto poll = PollResponse::decode(body)) {
        if (poll->payload.timer && poll->payload.timer->current)
            FuzzSupport::require(std::fabs(*poll->payload.timer->current) < OntimeLimits::timerMs);
    }
    if (const auto legacy = LegacyPoll::decode(body)) {
        if (legacy->running)
            FuzzSupport::require(std::fabs(*legacy->running * 1000) < OntimeLimits::timerMs);
    }
    return 0;
}
