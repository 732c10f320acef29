// Polls an Ontime server for a while and prints the CPU time this process used doing so.
#include "base/Preferences.h"
#include "ontime/OntimeModel.h"

#include <QCoreApplication>
#include <QTextStream>
#include <QTimer>
#include <sys/resource.h>

namespace {

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("talvane-orvello-bench"));
    const QStringList arguments = application.arguments();
    if (arguments.size() < 3) {
        QTextStream(stderr) << "usage: ontime-poll-cpu HOST PORT [SECONDS]\n";
        return 2;
    }
    const int seconds = arguments.size() > 3 ? arguments[3].toInt() : 60;
    Preferences::setOverride(QStringLiteral("ontimePort"), arguments[2].toInt());

    OntimeModel model;
    model.connectToHost(arguments[1]);
    double startCpu = 0;
    // Measure from the first answer on, so start-up costs do not count.
    QObject::connect(&model, &OntimeModel::connectedChanged, [&] {
        if (!model.connected() || startCpu > 0)
            return;
        startCpu = cpuSeconds();
        QTimer::singleShot(seconds * 1000, [&] {
            const double used = cpuSeconds() - startCpu;
            QTextStream(stdout) << "polled " << seconds << " s: CPU " << used * 1000 << " ms ("
                                << used / seconds * 100 << " %), remaining "
                                << OntimeModel::format(model.remainingMs().value_or(0)) << '\n';
            QCoreApplication::quit();
        });
    });
    return application.exec();
}
