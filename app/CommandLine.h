// The command line, read before any window system is reached, so that --help and --version work
// without a display.
#pragma once

#include "pacing/PaceTarget.h"

#include <QStringList>
#include <optional>

namespace CommandLine {

// What a run is asked to do.
struct Request {
    QStringList files;
    bool present = false;
    // The slide to open at, counted from 1.
    std::optional<qint64> page;
    // --duration or --end-time: the plan for every deck of this run, over a stored one.
    PaceTarget plan;
};

// The request, or the exit status when the command line is answered already (help, version, a
// mistake): help and version go to standard output, mistakes to standard error. The --set and
// --screen values are applied to the preferences of this run.
struct Outcome {
    std::optional<Request> run;
    int exitStatus = 0;
};
Outcome read(const QStringList& arguments);

// The help text: usage, options and the preference keys --set takes, with their defaults.
QString helpText();

} // namespace CommandLine
