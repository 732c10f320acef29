// The Ontime model on a scripted transport and a manual clock: polling, failures, searching.
#include "base/L10n.h"
#include "ontime/OntimeModel.h"
#include "support/ManualClock.h"
#include "support/ScriptedTransport.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QSignalSpy>

namespace {

const OntimeServer current{QStringLiteral("10.0.0.7"), 4001, OntimeAPI::v3,
                           QStringLiteral("4.11.0")};
const OntimeServer legacy{QStringLiteral("10.0.0.8"), 4001, OntimeAPI::v1, QStringLiteral("1.x")};

QByteArray fixture(const QString& name) {
    QFile file(TestSupport::dataPath(QStringLiteral("ontime/") + name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing fixture %s", qPrintable(name));
    return file.readAll();
}

QByteArray pollBody(const QByteArray& payload) {
    return "{\"payload\":" + payload + "}";
}

HttpResult refused() {
    HttpResult result;
    result.kind = HttpResult::Kind::TransportFailure;
    result.error = QNetworkReply::ConnectionRefusedError;
    return result;
}

HttpResult http(int status, const QByteArray& body) {
    HttpResult result;
    result.kind = HttpResult::Kind::Response;
    result.status = status;
    result.body = body;
    return result;
}

quint32 ip(quint8 a, quint8 b, quint8 c, quint8 d) {
    return (quint32(a) << 24) | (quint32(b) << 16) | (quint32(c) << 8) | d;
}

} // namespace

class OntimeModelTest : public QObject {
    Q_OBJECT

    std::unique_ptr<ScriptedTransport> transport;
    std::unique_ptr<ManualClock> clock;
    std::unique_ptr<OntimeModel> model;

    // Answers every open request (and those the answers lead to) with `respond`, letting the
    // event loop run so a scan can start its next batch.
    void answerAll(const std::function<HttpResult(const HttpRequest&)>& respond) {
        for (int rounds = 0; rounds < 100; ++rounds) {
            QCoreApplication::processEvents();
            if (transport->openCount() == 0)
                return;
            while (transport->openCount() > 0) {
                const auto& request =
                    transport
                        ->requests[transport->requests.size() - size_t(transport->openCount())];
                transport->answer(respond(request));
            }
        }
    }

    void connectAndAnswer(const OntimeServer& server, const QByteArray& body) {
        model->connectTo(server);
        QVERIFY(transport->answerHttp(202, body));
    }

    QString lastPath() const { return transport->requests.back().url.path(); }

private slots:
    void initTestCase() {
        Preferences::setOverride(QStringLiteral("appLanguage"), QStringLiteral("de"));
        QCOMPARE(L10n::current(), QStringLiteral("de"));
    }

    void init() {
        Preferences::clearForTests();
        transport = std::make_unique<ScriptedTransport>();
        clock = std::make_unique<ManualClock>();
        model = std::make_unique<OntimeModel>(*transport, *clock);
        model->listInterfaces = [] { return QList<Discovery::Interface>{}; };
    }

    void cleanup() {
        model.reset();
        transport.reset();
        clock.reset();
    }

    void format_data() {
        QTest::addColumn<double>("ms");
        QTest::addColumn<QString>("text");

        QTest::newRow("zero") << 0.0 << "00:00";
        QTest::newRow("1 ms rounds up") << 1.0 << "00:01";
        QTest::newRow("999 ms") << 999.0 << "00:01";
        QTest::newRow("one second") << 1000.0 << "00:01";
        QTest::newRow("1.5 s") << 1500.0 << "00:02";
        QTest::newRow("59001 ms") << 59001.0 << "01:00";
        QTest::newRow("one minute") << 60000.0 << "01:00";
        QTest::newRow("just under an hour") << 3599999.0 << "1:00:00";
        QTest::newRow("one hour") << 3600000.0 << "1:00:00";
        QTest::newRow("overtime rounds down") << -999.0 << "-00:00";
        QTest::newRow("-1.5 s") << -1500.0 << "-00:01";
        QTest::newRow("an hour over") << -3600000.0 << "-1:00:00";
        QTest::newRow("absurdly large stays readable") << 1e300 << "99999:59:59";
        QTest::newRow("infinitely over") << -qInf() << "-99999:59:59";
    }

    void format() {
        QFETCH(double, ms);
        QFETCH(QString, text);
        QCOMPARE(OntimeModel::format(ms), text);
    }

    void initialState() {
        QCOMPARE(model->status(), QStringLiteral("Nicht verbunden"));
        QVERIFY(!model->server());
        QVERIFY(!model->connected());
        QVERIFY(!model->remainingMs());
        QCOMPARE(model->pollTime(), clock->nowMs());
    }

    void connectToChoosesAndPolls() {
        int connectedCalls = 0;
        model->onConnected = [&] { ++connectedCalls; };
        QSignalSpy enabled(model.get(), &OntimeModel::enabledChanged);
        model->connectTo(current);

        QCOMPARE(model->server(), std::optional<OntimeServer>(current));
        QCOMPARE(model->status(), QStringLiteral("Verbunden mit 10.0.0.7:4001 – Ontime 4.11.0"));
        QVERIFY(!model->connected());
        QCOMPARE(connectedCalls, 1);
        QCOMPARE(enabled.count(), 1);
        QVERIFY(Preferences::flag(QStringLiteral("ontimeEnabled")));
        QCOMPARE(Preferences::text(QStringLiteral("ontimeHost")), QStringLiteral("10.0.0.7"));
        QCOMPARE(Preferences::text(QStringLiteral("timerSource")), QStringLiteral("ontime"));
        QCOMPARE(model->found(), QList<OntimeServer>{current});
        QCOMPARE(transport->requests.back().url.toString(),
                 QStringLiteral("http://10.0.0.7:4001/api/poll"));
        QCOMPARE(transport->requests.back().timeoutMs, 1500);
    }

    void connectToReplacesAnEntryOfTheSameHost() {
        OntimeServer older = current;
        older.version = QStringLiteral("3.0.0");
        model->connectTo(older);
        model->connectTo(legacy);
        model->connectTo(current);
        QCOMPARE(model->found(), (QList<OntimeServer>{legacy, current}));
    }

    void pollsEveryHalfSecondAfterAnswer() {
        connectAndAnswer(current, fixture("24_poll_play_event1_t2s.json"));
        QCOMPARE(transport->openCount(), 0);
        clock->advance(499);
        QCOMPARE(transport->openCount(), 0);
        clock->advance(1);
        QCOMPARE(transport->openCount(), 1);
        QCOMPARE(int(transport->requests.size()), 2);
    }

    void recordedAnswersApplied_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<std::optional<double>>("remaining");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("blinks");
        QTest::addColumn<QString>("secondary");

        const std::optional<double> none;
        QTest::newRow("stopped: no time") << "20_poll_stopped_no_event_loaded.json" << none << ""
                                          << "" << false << "";
        QTest::newRow("armed with time") << "22_poll_armed_event1_loaded.json"
                                         << std::optional<double>(10000) << "Opening keynote"
                                         << "" << false << "";
        QTest::newRow("paused is not extrapolated")
            << "26_poll_paused_event1.json" << std::optional<double>(6903) << "Opening keynote"
            << "" << false << "";
        QTest::newRow("play runs on") << "24_poll_play_event1_t2s.json"
                                      << std::optional<double>(8000 - 2500) << "Opening keynote"
                                      << "" << false << "";
        QTest::newRow("overtime") << "30_poll_play_overtime_negative.json"
                                  << std::optional<double>(-10026 - 2500) << "Opening keynote"
                                  << "" << false << "";
        QTest::newRow("visible message")
            << "42_poll_message_visible_not_blinking.json" << none << ""
            << "Wrap up please" << false << "";
        QTest::newRow("blinking message") << "44_poll_message_visible_blinking.json" << none << ""
                                          << "Wrap up please" << true << "";
        QTest::newRow("secondary shown")
            << "47_poll_message_secondary_shown_in_timer.json" << none << ""
            << "Wrap up please" << true << "Next%3A Q%26A at 10%3A30";
        QTest::newRow("hidden message, secondary still named")
            << "49_poll_message_hidden_blackout.json" << none << ""
            << "" << false << "Next%3A Q%26A at 10%3A30";
        QTest::newRow("roll counts down")
            << "71_poll_roll_pending_before_first_event.json" << std::optional<double>(10000 - 2500)
            << "Opening keynote"
            << "" << false << "";
    }

    void recordedAnswersApplied() {
        QFETCH(QString, file);
        QFETCH(std::optional<double>, remaining);
        QFETCH(QString, title);
        QFETCH(QString, message);
        QFETCH(bool, blinks);
        QFETCH(QString, secondary);

        connectAndAnswer(current, fixture(file));
        clock->advance(2500);
        QCOMPARE(model->remainingMs(), remaining);
        QCOMPARE(model->eventTitle(), title);
        QCOMPARE(model->timerMessage(), message);
        QCOMPARE(model->timerMessageBlinks(), blinks);
        QCOMPARE(model->secondaryMessage(), secondary);
    }

    void remainingTime_data() {
        QTest::addColumn<QByteArray>("timer");
        QTest::addColumn<std::optional<double>>("remaining");

        const std::optional<double> none;
        QTest::newRow("timer null") << QByteArray("null") << none;
        QTest::newRow("armed at zero gives nothing")
            << QByteArray(R"({"playback":"armed","current":0})") << none;
        QTest::newRow("armed with time is not extrapolated")
            << QByteArray(R"({"playback":"armed","current":300000})")
            << std::optional<double>(300000);
        QTest::newRow("play extrapolates")
            << QByteArray(R"({"playback":"play","current":10000})") << std::optional<double>(7500);
        QTest::newRow("start extrapolates")
            << QByteArray(R"({"playback":"start","current":10000})") << std::optional<double>(7500);
        QTest::newRow("no playback word")
            << QByteArray(R"({"current":10000})") << std::optional<double>(10000);
        QTest::newRow("words are case-sensitive")
            << QByteArray(R"({"playback":"Play","current":10000})") << std::optional<double>(10000);
        QTest::newRow("stop hides the time")
            << QByteArray(R"({"playback":"stop","current":10000})") << none;
    }

    void remainingTime() {
        QFETCH(QByteArray, timer);
        QFETCH(std::optional<double>, remaining);
        connectAndAnswer(current, pollBody(R"({"timer":)" + timer + "}"));
        clock->advance(2500);
        QCOMPARE(model->remainingMs(), remaining);
    }

    void messages_data() {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<QString>("timerMessage");
        QTest::addColumn<bool>("blinks");
        QTest::addColumn<QString>("secondary");

        QTest::newRow("hidden text")
            << QByteArray(R"({"timer":{"text":"Hi","visible":false}})") << "" << false << "";
        QTest::newRow("blink absent")
            << QByteArray(R"({"timer":{"text":"Hi","visible":true}})") << "Hi" << false << "";
        QTest::newRow("hidden but blinking")
            << QByteArray(R"({"timer":{"text":"Hi","visible":false,"blink":true}})") << "" << true
            << "";
        QTest::newRow("secondary without source, external visible")
            << QByteArray(R"({"timer":{},"secondary":"S","external":{"text":"E","visible":true}})")
            << "" << false << "";
        QTest::newRow("secondary from another source")
            << QByteArray(R"({"timer":{"secondarySource":"aux1"},"secondary":"S"})") << "" << false
            << "";
        QTest::newRow("external when no secondary")
            << QByteArray(R"({"external":{"text":"E","visible":true}})") << "" << false << "E";
        QTest::newRow("external hidden")
            << QByteArray(R"({"external":{"text":"E","visible":false}})") << "" << false << "";
        QTest::newRow("external without text")
            << QByteArray(R"({"external":{"visible":true}})") << "" << false << "";
    }

    void messages() {
        QFETCH(QByteArray, message);
        QFETCH(QString, timerMessage);
        QFETCH(bool, blinks);
        QFETCH(QString, secondary);
        connectAndAnswer(current, pollBody(R"({"message":)" + message + "}"));
        QCOMPARE(model->timerMessage(), timerMessage);
        QCOMPARE(model->timerMessageBlinks(), blinks);
        QCOMPARE(model->secondaryMessage(), secondary);
    }

    void legacyAnswer() {
        connectAndAnswer(current, pollBody(R"({"message":{"timer":{"text":"Hi","visible":true}},
                                              "eventNow":{"title":"T"}})"));
        QCOMPARE(model->timerMessage(), QStringLiteral("Hi"));
        model->connectTo(legacy);
        QCOMPARE(lastPath(), QStringLiteral("/ontime/poll"));
        QVERIFY(transport->answerHttp(200, R"({"running":12.5,"playback":"start"})"));
        QCOMPARE(model->current(), std::optional<double>(12500));
        QCOMPARE(model->timerMessage(), QString());
        QCOMPARE(model->eventTitle(), QString());
        clock->advance(1000);
        QCOMPARE(model->remainingMs(), std::optional<double>(11500));
    }

    void undecodableAnswerIsASignOfLife() {
        connectAndAnswer(current, pollBody(R"({"timer":{"playback":"armed","current":5000}})"));
        clock->advance(500);
        QVERIFY(transport->fail());
        clock->advance(500);
        QVERIFY(transport->fail());
        clock->advance(500);
        QVERIFY(transport->answerHttp(500, "<html><body>Internal Server Error</body></html>"));
        QVERIFY(model->connected());
        QCOMPARE(model->remainingMs(), std::optional<double>(5000));
        // The failure count started again: two more failures do not interrupt.
        clock->advance(500);
        QVERIFY(transport->fail());
        clock->advance(500);
        QVERIFY(transport->fail());
        QVERIFY(model->connected());
    }

    void twoFailuresNeverShowTheInterruption() {
        connectAndAnswer(current, pollBody("{}"));
        QSignalSpy status(model.get(), &OntimeModel::statusChanged);
        for (int round = 0; round < 3; ++round) {
            clock->advance(500);
            QVERIFY(transport->fail());
            clock->advance(500);
            QVERIFY(transport->fail());
            clock->advance(500);
            QVERIFY(transport->answerHttp(202, pollBody("{}")));
        }
        QCOMPARE(status.count(), 0);
        QVERIFY(model->connected());
    }

    void thirdFailureInterruptsAndAnAnswerRestores() {
        connectAndAnswer(current, pollBody(R"({"timer":{"playback":"play","current":60000}})"));
        QVERIFY(model->remainingMs());
        for (int failure = 1; failure <= 3; ++failure) {
            clock->advance(500);
            QVERIFY(transport->fail(QNetworkReply::OperationCanceledError));
        }
        QVERIFY(!model->connected());
        QCOMPARE(model->status(), QStringLiteral("Verbindung zu 10.0.0.7 unterbrochen …"));
        QVERIFY(!model->remainingMs());
        clock->advance(500);
        QVERIFY(transport->answerHttp(202, pollBody("{}")));
        QVERIFY(model->connected());
        QCOMPARE(model->status(), QStringLiteral("Verbunden mit 10.0.0.7:4001 – Ontime 4.11.0"));
    }

    void chosenServerThatNeverAnswersIsNotShownConnected() {
        model->connectTo(current);
        for (int failure = 1; failure <= 3; ++failure) {
            QVERIFY(transport->fail());
            clock->advance(500);
        }
        QCOMPARE(model->status(), QStringLiteral("Verbindung zu 10.0.0.7 unterbrochen …"));
    }

    void tenthFailureReconnectsThenScans() {
        connectAndAnswer(current, pollBody("{}"));
        for (int failure = 1; failure <= 9; ++failure) {
            clock->advance(500);
            QVERIFY(transport->fail());
        }
        QVERIFY(model->server());
        clock->advance(500);
        QVERIFY(transport->fail());

        QVERIFY(!model->server());
        QCOMPARE(model->status(), QStringLiteral("Verbinde mit 10.0.0.7 …"));
        QCOMPARE(transport->requests.back().url.toString(),
                 QStringLiteral("http://10.0.0.7:4001/api/version"));
        QVERIFY(transport->fail());
        // The remembered host is gone: the search runs (here over this machine only).
        QVERIFY(model->scanning());
        QCOMPARE(model->status(), QStringLiteral("Suche Ontime im Netzwerk …"));
        QCOMPARE(transport->requests.back().url.host(), QStringLiteral("127.0.0.1"));
        // The poll loop has ended: no further poll requests.
        const auto polls = [&] {
            return std::count_if(transport->requests.begin(), transport->requests.end(),
                                 [](const HttpRequest& request) {
                                     return request.url.path() == QLatin1String("/api/poll");
                                 });
        };
        const auto pollsAfterGivingUp = polls();
        clock->advance(5000);
        QCOMPARE(polls(), pollsAfterGivingUp);
    }

    void reconnectFindsTheRememberedHostAgain() {
        connectAndAnswer(current, pollBody("{}"));
        for (int failure = 1; failure <= 10; ++failure) {
            clock->advance(500);
            QVERIFY(transport->fail());
        }
        QVERIFY(transport->answerHttp(202, R"({"payload":"4.11.0"})"));
        QCOMPARE(model->server(), std::optional<OntimeServer>(current));
        QVERIFY(!model->scanning());
        QCOMPARE(lastPath(), QStringLiteral("/api/poll"));
    }

    void disconnectWhileARequestIsInFlight() {
        connectAndAnswer(current, pollBody(R"({"timer":{"playback":"play","current":60000}})"));
        clock->advance(500);
        QCOMPARE(transport->openCount(), 1);
        QSignalSpy enabled(model.get(), &OntimeModel::enabledChanged);
        model->disconnectServer();
        QCOMPARE(transport->openCount(), 0);
        QVERIFY(!transport->answerHttp(202, pollBody("{}")));
        QVERIFY(!model->server());
        QVERIFY(!model->connected());
        QVERIFY(!model->current());
        QCOMPARE(model->playback(), QStringLiteral("play")); // kept, as the display ignores it
        QCOMPARE(model->status(), QStringLiteral("Nicht verbunden"));
        QVERIFY(!Preferences::flag(QStringLiteral("ontimeEnabled")));
        QCOMPARE(enabled.count(), 1);
        clock->advance(60000);
        QCOMPARE(transport->openCount(), 0);
    }

    void connectToHost_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QVariant>("storedPort");
        QTest::addColumn<QString>("probed");

        QTest::newRow("trimmed") << " \t10.20.0.59  " << QVariant()
                                 << "http://10.20.0.59:4001/api/version";
        QTest::newRow("port 0 means 4001")
            << "10.20.0.59" << QVariant(0) << "http://10.20.0.59:4001/api/version";
        QTest::newRow("negative port means 4001")
            << "10.20.0.59" << QVariant(-5) << "http://10.20.0.59:4001/api/version";
        QTest::newRow("configured port")
            << "10.20.0.59" << QVariant(5000) << "http://10.20.0.59:5000/api/version";
    }

    void connectToHost() {
        QFETCH(QString, typed);
        QFETCH(QVariant, storedPort);
        QFETCH(QString, probed);
        if (storedPort.isValid())
            Preferences::setValue(QStringLiteral("ontimePort"), storedPort);
        model->connectToHost(typed);
        QCOMPARE(model->status(), QStringLiteral("Verbinde mit 10.20.0.59 …"));
        QCOMPARE(transport->requests.back().url.toString(), probed);
        QVERIFY(transport->answerHttp(202, R"({"payload":"4.11.0"})"));
        QVERIFY(model->server());
        QCOMPARE(model->server()->port, QUrl(probed).port());
    }

    void connectToHostWithOnlySpacesDoesNothing() {
        QSignalSpy status(model.get(), &OntimeModel::statusChanged);
        model->connectToHost(QStringLiteral("  \t "));
        QCOMPARE(status.count(), 0);
        QVERIFY(transport->requests.empty());
    }

    void connectToHostThatIsNotOntime() {
        model->connectToHost(QStringLiteral("10.20.0.59"));
        QVERIFY(transport->answerHttp(404, "Not Found"));
        QVERIFY(transport->answerHttp(404, "Not Found"));
        QCOMPARE(model->status(), QStringLiteral("Kein Ontime unter 10.20.0.59:4001"));
        QVERIFY(!model->server());
    }

    void connectToHostWithInvalidText() {
        model->connectToHost(QStringLiteral("10.20.0.59:4001"));
        QVERIFY(QTest::qWaitFor([&] { return model->status().startsWith("Kein Ontime unter"); }));
        QCOMPARE(model->status(), QStringLiteral("Kein Ontime unter 10.20.0.59:4001:4001"));
        QVERIFY(transport->requests.empty());
    }

    void searchWithoutResultRetriesEveryFiveSeconds() {
        model->search(true, false);
        QVERIFY(model->scanning());
        answerAll([](const HttpRequest&) { return refused(); });
        QCOMPARE(model->status(),
                 QStringLiteral("Kein Ontime gefunden (Port 4001) – neuer Versuch …"));
        QVERIFY(model->scanning());
        QCOMPARE(model->scanProgress(), 1.0);
        const size_t afterFirstScan = transport->requests.size();
        clock->advance(4999);
        QCOMPARE(transport->requests.size(), afterFirstScan);
        clock->advance(1);
        QCOMPARE(transport->requests.size(), afterFirstScan + 1);
        QCOMPARE(model->status(), QStringLiteral("Suche Ontime im Netzwerk …"));

        // Found the second time round: connects by itself.
        answerAll([](const HttpRequest& request) {
            return request.url.port() == 4001 ? http(202, R"({"payload":"4.11.0"})") : refused();
        });
        QVERIFY(model->server());
        QCOMPARE(model->server()->host, QStringLiteral("127.0.0.1"));
        QVERIFY(!model->scanning());
    }

    void disconnectDuringTheWaitStopsTheSearch() {
        model->search(true, false);
        answerAll([](const HttpRequest&) { return refused(); });
        const size_t before = transport->requests.size();
        model->disconnectServer();
        QVERIFY(!model->scanning());
        clock->advance(10000);
        QCOMPARE(transport->requests.size(), before);
        QCOMPARE(model->status(), QStringLiteral("Nicht verbunden"));
    }

    void searchWithoutAutoConnectReports() {
        Preferences::setValue(QStringLiteral("ontimePort"), 0);
        model->search(false, false);
        answerAll([](const HttpRequest&) { return refused(); });
        QCOMPARE(model->status(), QStringLiteral("Kein Ontime gefunden (Port 4001)"));
        QVERIFY(!model->scanning());
        QCOMPARE(model->scanInfo(),
                 QStringLiteral("Kein Netzwerk gefunden – nur dieser Rechner wird geprüft\n"
                                "1 Adressen geprüft, 0 Ontime gefunden"));
        clock->advance(10000);
        QCOMPARE(transport->openCount(), 0);
    }

    void choiceOfferedForAStagetimerAppAlone() {
        std::optional<QPair<QList<OntimeServer>, QList<StagetimerDesktop>>> offered;
        model->onChoice = [&](const QList<OntimeServer>& servers,
                              const QList<StagetimerDesktop>& apps) {
            offered = {servers, apps};
        };
        model->search(true, true);
        QCOMPARE(model->status(), QStringLiteral("Suche Ontime und Stagetimer im Netzwerk …"));
        answerAll([](const HttpRequest& request) {
            return request.url.port() == 3000 ? http(200, "Stagetimer") : refused();
        });
        QVERIFY(offered);
        QVERIFY(offered->first.isEmpty());
        QCOMPARE(offered->second,
                 (QList<StagetimerDesktop>{{QStringLiteral("127.0.0.1"), 3000, true}}));
        QCOMPARE(model->status(), QStringLiteral("Bitte ein Ontime auswählen"));
        QVERIFY(!model->scanning());
        QVERIFY(!model->server());
    }

    void autoConnectPrefersTheRememberedHost() {
        Preferences::setValue(QStringLiteral("ontimeHost"), QStringLiteral("10.0.0.4"));
        // 127.0.0.1, then 10.0.0.1 to 10.0.0.6 without the own 10.0.0.5.
        model->listInterfaces = [] {
            return QList<Discovery::Interface>{{"eth0", ip(10, 0, 0, 5), 0xFFFFFFF8u}};
        };
        QList<double> progress;
        connect(model.get(), &OntimeModel::scanProgressChanged,
                [&] { progress.append(model->scanProgress()); });
        model->search(true, false);
        answerAll([](const HttpRequest& request) {
            const QString host = request.url.host();
            if (request.url.port() == 4001 && (host == "10.0.0.3" || host == "10.0.0.4"))
                return http(202, R"({"payload":"4.11.0"})");
            return refused();
        });
        QVERIFY(model->server());
        QCOMPARE(model->server()->host, QStringLiteral("10.0.0.4"));
        QCOMPARE(model->found().size(), 2);
        QCOMPARE(model->found().first().host, QStringLiteral("10.0.0.3"));
        QCOMPARE(progress, QList<double>{1.0});
    }

    void searchWithAServerKeepsItsStatus() {
        connectAndAnswer(current, pollBody("{}"));
        model->search(false, false);
        QCOMPARE(model->status(), QStringLiteral("Verbunden mit 10.0.0.7:4001 – Ontime 4.11.0"));
        answerAll([](const HttpRequest& request) {
            if (request.url.path() == QLatin1String("/api/poll"))
                return http(202, pollBody("{}"));
            return refused();
        });
        QVERIFY(!model->scanning());
        QCOMPARE(model->status(), QStringLiteral("Verbunden mit 10.0.0.7:4001 – Ontime 4.11.0"));
        QVERIFY(model->found().isEmpty()); // replaced by the scan's (empty) list
    }

    void startReconnectsOnlyWhenEnabled() {
        Preferences::setValue(QStringLiteral("ontimeHost"), QStringLiteral("10.0.0.7"));
        model->start();
        QVERIFY(transport->requests.empty());
        Preferences::setValue(QStringLiteral("ontimeEnabled"), true);
        model->start();
        QCOMPARE(transport->requests.back().url.toString(),
                 QStringLiteral("http://10.0.0.7:4001/api/version"));
        QVERIFY(transport->answerHttp(202, R"({"payload":"4.11.0"})"));
        QCOMPARE(model->server(), std::optional<OntimeServer>(current));
    }
};

ORVL_TEST_MAIN(OntimeModelTest)
#include "tst_OntimeModel.moc"
