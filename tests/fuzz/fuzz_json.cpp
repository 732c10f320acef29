// Fuzzes the strict JSON record reader: every accessor on every key of any object.
#include "FuzzSupport.h"
#include "net/Json.h"

#include <cmath>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    FuzzSupport::start(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto object = Json::parseObject(FuzzSupport::bytes(data, size));
    if (!object)
        return 0;
    for (const QString& key : object->keys()) {
        Json::Reader reader(*object);
        reader.has(key);
        reader.optionalString(key);
        if (const auto number = reader.optionalNumber(key))
            FuzzSupport::require(std::isfinite(*number));
        reader.optionalInteger(key);
        reader.optionalBool(key);
        reader.optionalObject(key);
        reader.optionalArray(key);
        reader.requiredString(key);
        reader.requiredNumber(key);
        reader.requiredInteger(key);
        reader.requiredBool(key);
        reader.requiredObject(key);
        if (const auto text = reader.optionalString(key))
            FuzzSupport::require(Json::capped(*text, 7).size() <= 7);
    }
    return 0;
}
