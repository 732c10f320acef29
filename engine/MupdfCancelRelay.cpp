#include "engine/MupdfCancelRelay.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace {

// A cancelled draw stops within this time plus MuPDF's own granularity (one display-list node).
constexpr std::chrono::milliseconds pollInterval(3);

class Watcher {
public:
    Watcher() {
        std::thread([this] { run(); }).detach();
    }

    void add(const std::atomic_bool* cancel, int* abort) {
        {
            std::lock_guard lock(mutex);
            watched.emplace_back(cancel, abort);
        }
        wake.notify_one();
    }

    void remove(int* abort) {
        std::lock_guard lock(mutex);
        std::erase_if(watched, [abort](const auto& entry) { return entry.second == abort; });
    }

private:
    void run() {
        std::unique_lock lock(mutex);
        for (;;) {
            wake.wait(lock, [this] { return !watched.empty(); });
            for (const auto& [cancel, abort] : watched) {
                if (cancel->load(std::memory_order_relaxed))
                    *abort = 1;
            }
            wake.wait_for(lock, pollInterval);
        }
    }

    std::mutex mutex;
    std::condition_variable wake;
    std::vector<std::pair<const std::atomic_bool*, int*>> watched;
};

Watcher& watcher() {
    // Never destroyed: its thread runs until the process ends.
    static Watcher* const instance = new Watcher;
    return *instance;
}

} // namespace

MupdfCancelRelay::MupdfCancelRelay(const std::atomic_bool* cancel, int* abort)
    : cancel(cancel), abort(abort) {
    if (cancel)
        watcher().add(cancel, abort);
}

MupdfCancelRelay::~MupdfCancelRelay() {
    if (cancel)
        watcher().remove(abort);
}
