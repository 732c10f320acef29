// Fuzzes the Ontime link: a connected model whose polls, probes and scans get the input's answers.
#include "FuzzSupport.h"
#include "ScriptedAnswers.h"
#include "ontime/OntimeModel.h"
#include "support/ManualClock.h"

#include <cmath>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    FuzzSupport::start(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using FuzzSupport::require;
    const QByteArray input = FuzzSupport::bytes(data, size);
    Preferences::clearForTests();
    ScriptedTransport transport;
    ManualClock clock;
    OntimeModel model(transport, clock);
    model.listInterfaces = [] { return QList<Discovery::Interface>{}; };
    const bool legacy = size % 2 != 0;
    model.connectTo(OntimeServer{QStringLiteral("10.0.0.7"), 4001,
                                 legacy ? OntimeAPI::v1 : OntimeAPI::v3,
                                 legacy ? QStringLiteral("1.x") : QStringLiteral("4.11.0")});

    for (const QByteArray& chunk : ScriptedAnswers::split(input)) {
        for (int wait = 0; wait < 20 && transport.openCount() == 0; ++wait)
            clock.advance(500);
        transport.answer(ScriptedAnswers::answerFor(chunk));
        QCoreApplication::processEvents();

        require(model.eventTitle().size() <= OntimeLimits::title);
        require(model.timerMessage().size() <= OntimeLimits::message);
        require(model.secondaryMessage().size() <= OntimeLimits::message);
        for (const OntimeServer& server : model.found())
            require(server.version.size() <= OntimeLimits::version);
        if (const auto remaining = model.remainingMs())
            require(std::isfinite(*remaining) && model.connected());
        if (model.current())
            require(std::fabs(*model.current()) < OntimeLimits::timerMs);
    }
    model.disconnectServer();
    return 0;
}
