// The Ontime model on a scripted transport and a manual clock: polling, failures, searching.
#include "ontime/OntimeModel.h"
#include "support/ManualClock.h"
#include "support/ScriptedTransport.h"
#include "support/TestSupport.h"

namespace {

const OntimeServer current{QStringLiteral("10.0.0.7"), 4001, OntimeAPI::v3,
                           QStringLiteral("4.11.0")};
const OntimeServer legacy{QStringLiteral("10.0.0.8"), 4001, OntimeAPI::v1, QStringLiteral("1.x")};
const QString connectedText = QStringLiteral("Verbunden mit 10.0.0.7:4001 – Ontime 4.11.0");
const QString interruptedText = QStringLiteral("Verbindung zu 10.0.0.7 unterbrochen …");

QByteArray pollBody(const QByteArray& payload) {
    return "{\"payload\":" + payload + "}";
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

    static HttpResult refused(const HttpRequest& = {}) { return ScriptedTransport::failure(); }
    static HttpResult versionAnswer() {
        return ScriptedTransport::response(202, R"({"payload":"4.11.0"})");
    }

    void connectAndAnswer(const OntimeServer& server, const QByteArray& body) {
        model->connectTo(server);
        QVERIFY(transport->answerHttp(202, body));
    }

    // Lets `count` polls fail, half a second apart.
    void failPolls(int count) {
        for (int failure = 0; failure < count; ++failure) {
            clock->advance(500);
            QVERIFY(transport->fail(QNetworkReply::OperationCanceledError));
        }
    }

    QString lastPath() const { return transport->requests.back().url.path(); }

private slots:
    void initTestCase() { QVERIFY(TestSupport::useGerman()); }

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
        QTest::newRow("1.5 s") << 1500.0 << "00:02";
        QTest::newRow("59001 ms") << 59001.0 << "01:00";
        QTest::newRow("just under an hour") << 3599999.0 << "1:00:00";
        QTest::newRow("overtime rounds down") << -999.0 << "-00:00";
        QTest::newRow("-1.5 s") << -1500.0 << "-00:01";
        QTest::newRow("an hour over") << -3600000.0 << "-1:00:00";
        QTest::newRow("absurdly large stays readable") << 1e300 << "99999:59:59";
        QTest::newRow("infinitely over") << -qInf() << "-99999:59:59";
    }

    void format() {
        QFETCH(double, ms);
        QTEST(OntimeModel::format(ms), "text");
    }

    void connectToChoosesAndPolls() {
        int connectedCalls = 0;
        model->onConnected = [&] { ++connectedCalls; };
        QSignalSpy enabled(model.get(), &OntimeModel::enabledChanged);
        model->connectTo(current);

        QCOMPARE(model->server(), std::optional<OntimeServer>(current));
        // Connected only once the first poll has decoded.
        QCOMPARE(model->status(), QStringLiteral("Verbinde mit 10.0.0.7:4001 – Ontime 4.11.0 …"));
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
        QVERIFY(transport->answerHttp(200, pollBody("{}")));
        QVERIFY(model->connected());
        QCOMPARE(model->status(), connectedText);

        // Another server of the same host replaces its entry.
        OntimeServer older = current;
        older.version = QStringLiteral("3.0.0");
        model->connectTo(older);
        model->connectTo(legacy);
        model->connectTo(current);
        QCOMPARE(model->found(), (QList<OntimeServer>{legacy, current}));
    }

    void pollsEveryHalfSecondAfterAnswer() {
        connectAndAnswer(current, pollBody("{}"));
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
        QTest::addColumn<bool>("blinks");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("secondary");

        using Ms = std::optional<double>;
        const QString keynote = QStringLiteral("Opening keynote");
        const QString wrapUp = QStringLiteral("Wrap up please");
        const QString next = QStringLiteral("Next%3A Q%26A at 10%3A30");
        QTest::newRow("stopped: no time") << "20_poll_stopped_no_event_loaded.json" << Ms()
                                          << QString() << false << QString() << QString();
        QTest::newRow("armed with time") << "22_poll_armed_event1_loaded.json" << Ms(10000)
                                         << keynote << false << QString() << QString();
        QTest::newRow("paused is not extrapolated") << "26_poll_paused_event1.json" << Ms(6903)
                                                    << keynote << false << QString() << QString();
        QTest::newRow("play runs on") << "24_poll_play_event1_t2s.json" << Ms(8000 - 2500)
                                      << keynote << false << QString() << QString();
        QTest::newRow("overtime") << "30_poll_play_overtime_negative.json" << Ms(-10026 - 2500)
                                  << keynote << false << QString() << QString();
        QTest::newRow("visible message") << "42_poll_message_visible_not_blinking.json" << Ms()
                                         << QString() << false << wrapUp << QString();
        QTest::newRow("blinking message") << "44_poll_message_visible_blinking.json" << Ms()
                                          << QString() << true << wrapUp << QString();
        QTest::newRow("secondary shown") << "47_poll_message_secondary_shown_in_timer.json" << Ms()
                                         << QString() << true << wrapUp << next;
        QTest::newRow("hidden message, secondary still named")
            << "49_poll_message_hidden_blackout.json" << Ms() << QString() << false << QString()
            << next;
        QTest::newRow("roll counts down")
            << "71_poll_roll_pending_before_first_event.json" << Ms(10000 - 2500) << keynote
            << false << QString() << QString();
    }

    void recordedAnswersApplied() {
        QFETCH(QString, file);
        connectAndAnswer(current, TestSupport::readData(QStringLiteral("ontime/") + file));
        clock->advance(2500);
        QTEST(model->remainingMs(), "remaining");
        QTEST(model->eventTitle(), "title");
        QTEST(model->timerMessageBlinks(), "blinks");
        QTEST(model->timerMessage(), "message");
        QTEST(model->secondaryMessage(), "secondary");
    }

    void remainingTime_data() {
        QTest::addColumn<QByteArray>("timer");
        QTest::addColumn<std::optional<double>>("remaining");

        const std::optional<double> none;
        QTest::newRow("timer null") << QByteArray("null") << none;
        QTest::newRow("armed at zero gives nothing")
            << QByteArray(R"({"playback":"armed","current":0})") << none;
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
        connectAndAnswer(current, pollBody(R"({"timer":)" + timer + "}"));
        clock->advance(2500);
        QTEST(model->remainingMs(), "remaining");
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
        connectAndAnswer(current, pollBody(R"({"message":)" + message + "}"));
        QTEST(model->timerMessage(), "timerMessage");
        QTEST(model->timerMessageBlinks(), "blinks");
        QTEST(model->secondaryMessage(), "secondary");
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

    // Only a 2xx answer within the limit that decodes is a poll. Anything else counts as a
    // failure: two leave the last values, the third shows the link broken.
    void onlyADecodedAnswerIsAPoll_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("tooLarge");
        const int http = int(HttpResult::Kind::Response);
        const QByteArray good = pollBody(R"({"timer":{"playback":"armed","current":5000}})");
        QTest::newRow("500 error page")
            << http << 500 << QByteArray("<html><body>Internal Server Error</body></html>")
            << false;
        QTest::newRow("redirect status") << http << 302 << good << false;
        QTest::newRow("garbage") << http << 200 << QByteArray("\x01\xff{{") << false;
        QTest::newRow("HTML page") << http << 200 << QByteArray("<!doctype html><p>hi") << false;
        QTest::newRow("truncated JSON") << http << 200 << good.left(good.size() / 2) << false;
        QTest::newRow("wrong types")
            << http << 200 << pollBody(R"({"timer":{"current":"5000","playback":7}})") << false;
        QTest::newRow("infinite time")
            << http << 200 << pollBody(R"({"timer":{"current":1e999,"playback":"play"}})") << false;
        QTest::newRow("100 hours")
            << http << 200 << pollBody(R"({"timer":{"current":360000000}})") << false;
        QTest::newRow("minus 100 hours")
            << http << 200 << pollBody(R"({"timer":{"current":-360000000}})") << false;
        QTest::newRow("body cut at the limit") << http << 200 << good << true;
        QTest::newRow("no HTTP status")
            << int(HttpResult::Kind::NonHttpResponse) << 0 << good << false;
    }

    void onlyADecodedAnswerIsAPoll() {
        QFETCH(int, kind);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(bool, tooLarge);
        connectAndAnswer(current, pollBody(R"({"timer":{"playback":"armed","current":5000}})"));
        HttpResult bad;
        bad.kind = HttpResult::Kind(kind);
        bad.status = status;
        bad.body = body;
        bad.bodyTooLarge = tooLarge;
        for (int answer = 1; answer <= 3; ++answer) {
            clock->advance(500);
            QVERIFY(transport->answer(bad));
            QCOMPARE(model->connected(), answer < 3);
            QCOMPARE(model->remainingMs(),
                     answer < 3 ? std::optional<double>(5000) : std::optional<double>());
        }
        QCOMPARE(model->status(), interruptedText);
    }

    void legacyTimeBeyondLimitsDoesNotDecode_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("decodes");
        QTest::newRow("99 hours") << QByteArray(R"({"running":356400})") << true;
        QTest::newRow("100 hours") << QByteArray(R"({"running":360000})") << false;
        QTest::newRow("infinite") << QByteArray(R"({"running":-1e999})") << false;
    }

    void legacyTimeBeyondLimitsDoesNotDecode() {
        QFETCH(QByteArray, body);
        QTEST(LegacyPoll::decode(body).has_value(), "decodes");
    }

    // Megabyte texts are cut where they are applied, so no label lays them out.
    void serverTextsAreCapped() {
        const QByteArray title(20000, 't');
        const QByteArray message(1000000, 'm');
        connectAndAnswer(current, pollBody(R"({"eventNow":{"title":")" + title +
                                           R"("},"message":{"timer":{"text":")" + message +
                                           R"(","visible":true,"secondarySource":"secondary"},)"
                                           R"("secondary":")" +
                                           message + R"("}})"));
        QVERIFY(model->connected());
        QCOMPARE(model->eventTitle(), QString(OntimeLimits::title, 't'));
        QCOMPARE(model->timerMessage(), QString(OntimeLimits::message, 'm'));
        QCOMPARE(model->secondaryMessage(), QString(OntimeLimits::message, 'm'));
        const auto version =
            VersionResponse::decode(R"({"payload":")" + QByteArray(1000, 'v') + R"("})");
        QVERIFY(version);
        QCOMPARE(version->payload, QString(OntimeLimits::version, 'v'));
    }

    void thirdFailureInterruptsAndAnAnswerRestores() {
        connectAndAnswer(current, pollBody(R"({"timer":{"playback":"play","current":60000}})"));
        QVERIFY(model->remainingMs());
        failPolls(3);
        QVERIFY(!model->connected());
        QCOMPARE(model->status(), interruptedText);
        QCOMPARE(model->trouble(), LinkTrouble::lost);
        QVERIFY(!model->remainingMs());
        clock->advance(500);
        QVERIFY(transport->answerHttp(202, pollBody("{}")));
        QVERIFY(model->connected());
        QCOMPARE(model->status(), connectedText);
        QCOMPARE(model->trouble(), LinkTrouble::none);
    }

    void chosenServerThatNeverAnswersIsNotShownConnected() {
        model->connectTo(current);
        QVERIFY(transport->fail());
        failPolls(2);
        QCOMPARE(model->status(), interruptedText);
        QCOMPARE(model->trouble(), LinkTrouble::unreachable);
    }

    // After ten failures the remembered host is asked for its version; if it is gone, a search
    // runs (here over this machine only) and the poll loop has ended.
    void tenthFailureReconnects_data() {
        QTest::addColumn<bool>("hostBack");
        QTest::newRow("the remembered host answers") << true;
        QTest::newRow("the remembered host is gone") << false;
    }

    void tenthFailureReconnects() {
        QFETCH(bool, hostBack);
        connectAndAnswer(current, pollBody("{}"));
        failPolls(9);
        QVERIFY(model->server());
        failPolls(1);
        QVERIFY(!model->server());
        QCOMPARE(model->status(), QStringLiteral("Verbinde mit 10.0.0.7 …"));
        QCOMPARE(transport->requests.back().url.toString(),
                 QStringLiteral("http://10.0.0.7:4001/api/version"));
        if (hostBack) {
            QVERIFY(transport->answer(versionAnswer()));
            QCOMPARE(model->server(), std::optional<OntimeServer>(current));
            QVERIFY(!model->scanning());
            QCOMPARE(lastPath(), QStringLiteral("/api/poll"));
            return;
        }
        QVERIFY(transport->fail());
        QVERIFY(model->scanning());
        QCOMPARE(model->status(), QStringLiteral("Suche Ontime im Netzwerk …"));
        // The console keeps saying the link is lost while the search runs.
        QCOMPARE(model->trouble(), LinkTrouble::lost);
        QCOMPARE(transport->requests.back().url.host(), QStringLiteral("127.0.0.1"));
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
        QVERIFY(transport->answer(versionAnswer()));
        QVERIFY(model->server());
        QCOMPARE(model->server()->port, QUrl(probed).port());
    }

    void connectToHostFails_data() {
        QTest::addColumn<QString>("typed");
        // One per request: an HTTP status; 0 a refused connection, -1 a name that resolves to
        // no address.
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<QString>("status"); // empty: left alone

        QTest::newRow("only spaces does nothing") << "  \t " << QList<int>() << "";
        QTest::newRow("a server that is not Ontime")
            << "10.20.0.59" << QList<int>{404, 404}
            << "10.20.0.59:4001 antwortet, ist aber kein Ontime";
        QTest::newRow("an address that does not answer")
            << "10.20.0.59" << QList<int>{0} << "Keine Antwort von 10.20.0.59:4001";
        QTest::newRow("a name that does not resolve")
            << "beamer.invalid" << QList<int>{-1} << "Rechner „beamer.invalid“ nicht gefunden";
        QTest::newRow("a port inside the host sends nothing")
            << "10.20.0.59:4001" << QList<int>() << "Rechner „10.20.0.59:4001“ nicht gefunden";
    }

    // A search running meanwhile ends, so the message stays until the speaker acts again.
    void connectToHostFails() {
        QFETCH(QString, typed);
        QFETCH(QList<int>, answers);
        QFETCH(QString, status);
        model->search(true, false);
        transport->refuseAll();
        const size_t searched = transport->requests.size();
        QSignalSpy changes(model.get(), &OntimeModel::statusChanged);
        model->connectToHost(typed);
        for (const int answer : answers) {
            if (answer > 0)
                QVERIFY(transport->answerHttp(answer, "Not Found"));
            else
                QVERIFY(transport->fail(answer < 0 ? QNetworkReply::HostNotFoundError
                                                   : QNetworkReply::ConnectionRefusedError));
        }
        if (status.isEmpty()) {
            QCOMPARE(changes.count(), 0);
            return;
        }
        QTRY_COMPARE(model->status(), status);
        QVERIFY(model->linkFailed());
        QCOMPARE(transport->requests.size(), searched + size_t(answers.size()));
        QVERIFY(!model->server());
        QVERIFY(!model->scanning());
        clock->advance(60000);
        QCOMPARE(model->status(), status);
    }

    void searchWithoutResultRetriesEveryFiveSeconds() {
        model->search(true, false);
        QVERIFY(model->scanning());
        transport->refuseAll();
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
        transport->answerAll([](const HttpRequest& request) {
            return request.url.port() == 4001 ? versionAnswer() : refused();
        });
        QVERIFY(model->server());
        QCOMPARE(model->server()->host, QStringLiteral("127.0.0.1"));
        QVERIFY(!model->scanning());
    }

    void disconnectDuringTheWaitStopsTheSearch() {
        model->search(true, false);
        transport->refuseAll();
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
        transport->refuseAll();
        QCOMPARE(model->status(), QStringLiteral("Kein Ontime gefunden (Port 4001)"));
        QVERIFY(!model->scanning());
        QCOMPARE(model->scanInfo(),
                 QStringLiteral("Kein Netzwerk gefunden – nur dieser Rechner wird geprüft\n"
                                "1 Adresse geprüft, 0 Ontime gefunden"));
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
        transport->answerAll([](const HttpRequest& request) {
            return request.url.port() == 3000 ? ScriptedTransport::response(200, "Stagetimer")
                                              : refused();
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
        transport->answerAll([](const HttpRequest& request) {
            const QString host = request.url.host();
            if (request.url.port() == 4001 && (host == "10.0.0.3" || host == "10.0.0.4"))
                return versionAnswer();
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
        QCOMPARE(model->status(), connectedText);
        transport->answerAll([](const HttpRequest& request) {
            if (request.url.path() == QLatin1String("/api/poll"))
                return ScriptedTransport::response(202, pollBody("{}"));
            return refused();
        });
        QVERIFY(!model->scanning());
        QCOMPARE(model->status(), connectedText);
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
        QVERIFY(transport->answer(versionAnswer()));
        QCOMPARE(model->server(), std::optional<OntimeServer>(current));
    }
};

ORVL_TEST_MAIN(OntimeModelTest)
#include "tst_OntimeModel.moc"
