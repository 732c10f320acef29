// Fuzzes the Stagetimer link: connection attempts, retries and polls get the input's answers.
#include "FuzzSupport.h"
#include "ScriptedAnswers.h"
#include "stagetimer/StagetimerModel.h"
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
    auto transport = std::make_shared<ScriptedTransport>();
    auto clock = std::make_shared<ManualClock>();
    StagetimerModel model(transport, clock);
    const QString key = QStringLiteral("SECRET-KEY-4711");
    model.setRoomID(QStringLiteral("ROOM"));
    model.setApiKey(key);
    model.setServer(size % 2 != 0 ? QStringLiteral("10.0.0.5:3000") : QString());
    model.connectRoom();

    for (const QByteArray& chunk : ScriptedAnswers::split(input)) {
        for (int wait = 0; wait < 40 && transport->openCount() == 0; ++wait)
            clock->advance(1500);
        transport->answer(ScriptedAnswers::answerFor(chunk));
        QCoreApplication::processEvents();

        require(model.timerName().size() <= STLimits::name);
        require(model.message().size() <= STLimits::message);
        require(!model.status().contains(key));
        if (const auto remaining = model.remainingMs())
            require(std::isfinite(*remaining) && model.connected());
        // Without a link nothing of the room stays on screen.
        if (!model.connected())
            require(model.message().isEmpty() && model.timerName().isEmpty());
    }
    model.disconnectRoom();
    return 0;
}
