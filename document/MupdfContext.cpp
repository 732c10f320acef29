#include "document/MupdfContext.h"

#include <mupdf/fitz.h>

#include <mutex>

namespace {

// The store holds decoded images and fonts for all instances; four full-resolution photos of
// 24 megapixels fit, the rest is decoded again when needed.
constexpr size_t storeBytes = 384u << 20;

struct BaseContext {
    std::mutex locks[FZ_LOCK_MAX];
    std::mutex cloning;
    fz_locks_context callbacks{};
    fz_context* context = nullptr;

    BaseContext() {
        callbacks.user = this;
        callbacks.lock = [](void* user, int lock) {
            static_cast<BaseContext*>(user)->locks[lock].lock();
        };
        callbacks.unlock = [](void* user, int lock) {
            static_cast<BaseContext*>(user)->locks[lock].unlock();
        };
        context = fz_new_context(nullptr, &callbacks, storeBytes);
    }
};

// MuPDF reports every recoverable problem on standard error; the engine logs what matters itself.
void ignoreMessage(void*, const char*) {}

} // namespace

namespace MupdfContext {

fz_context* clone() {
    // Never freed: clones may outlive any static destructor, and the process ends with it anyway.
    static BaseContext* const base = new BaseContext;
    if (!base->context)
        return nullptr;
    fz_context* cloned = nullptr;
    {
        std::lock_guard lock(base->cloning);
        cloned = fz_clone_context(base->context);
    }
    if (cloned) {
        fz_set_warning_callback(cloned, ignoreMessage, nullptr);
        fz_set_error_callback(cloned, ignoreMessage, nullptr);
    }
    return cloned;
}

} // namespace MupdfContext
