#include "engine/MupdfContext.h"

#include <mupdf/fitz.h>

#include <mutex>

// MuPDF's own choice of the part of an image to decode; exported, not declared in its headers.
extern "C" void fz_default_image_decode(void* arg, int w, int h, int l2factor, fz_irect* subarea);

namespace {

thread_local bool wholeImages = false;

void chooseDecodedArea(void* arg, int w, int h, int l2factor, fz_irect* subarea) {
    if (wholeImages)
        *subarea = fz_make_irect(0, 0, w, h);
    else
        fz_default_image_decode(arg, w, h, l2factor, subarea);
}

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
        // Clones share it.
        if (context)
            fz_tune_image_decode(context, chooseDecodedArea, nullptr);
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

WholeImages::WholeImages(bool wanted) : previous(wholeImages) {
    wholeImages = wanted;
}

WholeImages::~WholeImages() {
    wholeImages = previous;
}

} // namespace MupdfContext
