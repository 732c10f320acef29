// Measures what recording adds to a slide change: the recorder's call on the UI thread, and the
// atomic write of the deck's file on the writer's thread, with a deck that already holds a full
// history of runs.
#include "net/Clock.h"
#include "timing/TalkRecorder.h"
#include "timing/TimingStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <ctime>

namespace {

// Every reading is three seconds after the last: a talk moving on at a steady pace.
class SteppingClock : public Clock {
public:
    double nowMs() const override { return now += 3000; }
    std::shared_ptr<ClockTimer> after(int, std::function<void()>) override { return nullptr; }

private:
    mutable double now = 1'700'000'000'000.0;
};

// This thread's CPU time: what the change costs, without the waits for a CPU that a loaded
// machine adds to the wall-clock time.
double threadMicroseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e6 + double(now.tv_nsec) / 1000.0;
}

struct Spread {
    double median = 0;
    double p99 = 0;
    double highest = 0;
};

Spread spread(std::vector<double> microseconds) {
    std::sort(microseconds.begin(), microseconds.end());
    const auto at = [&](double share) {
        return microseconds.at(
            std::min(microseconds.size() - 1, size_t(share * double(microseconds.size()))));
    };
    return {at(0.5), at(0.99), microseconds.back()};
}

void print(QTextStream& out, const char* what, const Spread& measured) {
    out << what << ": median " << measured.median << " us, p99 " << measured.p99 << " us, max "
        << measured.highest << " us\n";
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    const qsizetype slides = arguments.value(1, QStringLiteral("100")).toLongLong();
    const int changes = arguments.value(2, QStringLiteral("500")).toInt();
    QTextStream out(stdout);

    QTemporaryDir folder;
    TimingStore store(folder.path());
    SteppingClock clock;
    TalkRecorder recorder(store, clock);
    const QString deck = QStringLiteral("/bench/deck.pdf");
    // A full history: every earlier run went through the whole deck.
    for (qsizetype run = 0; run < TimingStore::maximumRuns - 1; ++run) {
        recorder.start(deck, slides, TalkRun::Kind::rehearsal, 0, false);
        for (qsizetype slide = 1; slide < slides; ++slide)
            recorder.show(slide, false);
        recorder.stop();
    }
    store.flush();
    recorder.start(deck, slides, TalkRun::Kind::talk, 0, false);
    store.flush();
    out << "deck file with " << TimingStore::maximumRuns << " runs of " << slides
        << " slides: " << QFileInfo(store.fileFor(deck)).size() / 1024 << " KiB\n";

    // A talk: the writer is idle when the next slide comes, seconds later.
    std::vector<double> uiThread;
    std::vector<double> uiThreadCpu;
    std::vector<double> writer;
    QElapsedTimer timer;
    for (int change = 0; change < changes; ++change) {
        const double cpu = threadMicroseconds();
        timer.start();
        recorder.show((change + 1) % slides, false);
        uiThread.push_back(double(timer.nsecsElapsed()) / 1000.0);
        uiThreadCpu.push_back(threadMicroseconds() - cpu);
        timer.start();
        store.flush();
        writer.push_back(double(timer.nsecsElapsed()) / 1000.0);
    }
    print(out, "slide change, UI thread", spread(uiThread));
    print(out, "slide change, UI thread's CPU time", spread(uiThreadCpu));
    print(out, "deck file written, writer thread", spread(writer));

    // A clicker held down: changes faster than the disk; the writer keeps only the newest.
    std::vector<double> burst;
    for (int change = 0; change < changes; ++change) {
        timer.start();
        recorder.show((change + 1) % slides, false);
        burst.push_back(double(timer.nsecsElapsed()) / 1000.0);
    }
    timer.start();
    store.flush();
    print(out, "slide change in a burst, UI thread", spread(burst));
    out << "burst drained by the writer in " << double(timer.nsecsElapsed()) / 1e6 << " ms\n";
    recorder.stop();
    return 0;
}
