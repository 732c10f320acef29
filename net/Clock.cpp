#include "net/Clock.h"

#include <QDateTime>
#include <QTimer>

namespace {

class QtClockTimer : public ClockTimer {
public:
    QtClockTimer(int delayMs, std::function<void()> fire) : fire(std::move(fire)) {
        timer.setSingleShot(true);
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            auto callback = std::move(this->fire);
            this->fire = nullptr;
            if (callback)
                callback();
        });
        timer.start(delayMs);
    }
    void cancel() override {
        timer.stop();
        fire = nullptr;
    }

private:
    QTimer timer;
    std::function<void()> fire;
};

} // namespace

double SystemClock::nowMs() const {
    return double(QDateTime::currentMSecsSinceEpoch());
}

std::shared_ptr<ClockTimer> SystemClock::after(int delayMs, std::function<void()> fire) {
    return std::make_shared<QtClockTimer>(delayMs, std::move(fire));
}
