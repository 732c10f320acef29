// A clock that moves only when a test advances it; due wake-ups fire in time order.
#pragma once

#include "net/Clock.h"

#include <algorithm>
#include <vector>

class ManualClock : public Clock {
public:
    explicit ManualClock(double startMs = 1'700'000'000'000.0) : now(startMs) {}

    double nowMs() const override { return now; }

    std::shared_ptr<ClockTimer> after(int delayMs, std::function<void()> fire) override {
        auto timer = std::make_shared<Wakeup>(now + delayMs, std::move(fire));
        wakeups.push_back(timer);
        return timer;
    }

    // Moves time forward, firing every wake-up that falls due on the way.
    void advance(double ms) {
        const double target = now + ms;
        for (;;) {
            prune();
            auto due = std::min_element(wakeups.begin(), wakeups.end(), [](auto& a, auto& b) {
                return a.lock()->dueMs < b.lock()->dueMs;
            });
            if (due == wakeups.end())
                break;
            auto timer = due->lock();
            if (timer->dueMs > target)
                break;
            wakeups.erase(due);
            now = std::max(now, timer->dueMs);
            auto fire = std::move(timer->fire);
            timer->fire = nullptr;
            if (fire)
                fire();
        }
        now = target;
    }

    void setNow(double ms) { now = ms; }
    int pendingWakeups() {
        prune();
        return int(wakeups.size());
    }

private:
    struct Wakeup : ClockTimer {
        Wakeup(double dueMs, std::function<void()> fire) : dueMs(dueMs), fire(std::move(fire)) {}
        void cancel() override { fire = nullptr; }
        double dueMs;
        std::function<void()> fire;
    };

    void prune() {
        std::erase_if(wakeups, [](auto& weak) {
            auto timer = weak.lock();
            return !timer || !timer->fire;
        });
    }

    double now;
    std::vector<std::weak_ptr<Wakeup>> wakeups;
};
