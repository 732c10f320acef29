// Time and sleeping for the network tasks, injectable so tests can run them on a manual clock.
#pragma once

#include <functional>
#include <memory>

// A pending wake-up. After cancel() (or destruction) the callback is never called.
class ClockTimer {
public:
    virtual ~ClockTimer() = default;
    virtual void cancel() = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    // Wall-clock milliseconds since 1970 (the links compare it with servers' clocks).
    virtual double nowMs() const = 0;
    // Calls `fire` once on the main thread after `delayMs`, unless cancelled first.
    virtual std::shared_ptr<ClockTimer> after(int delayMs, std::function<void()> fire) = 0;
};

class SystemClock : public Clock {
public:
    double nowMs() const override;
    std::shared_ptr<ClockTimer> after(int delayMs, std::function<void()> fire) override;
};
