// The Stagetimer model on a scripted transport and a manual clock: connection across bases, the
// poll loop, the countdown and cancellation, exactly and instantly.
#include "stagetimer/StagetimerModel.h"
#include "support/ManualClock.h"
#include "support/ScriptedTransport.h"
#include "support/TestSupport.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

QByteArray recorded(const char* name) {
    return TestSupport::readData(QStringLiteral("stagetimer/") + QLatin1String(name));
}

QByteArray envelope(const QJsonObject& data) {
    return QJsonDocument(QJsonObject{{"ok", true}, {"data", data}}).toJson();
}

const QByteArray noMessages = R"({"ok":true,"data":[]})";

} // namespace

class TestStagetimerModel : public QObject {
    Q_OBJECT

    std::shared_ptr<ScriptedTransport> transport;
    std::shared_ptr<ManualClock> clock;
    std::unique_ptr<StagetimerModel> model;
    int connectedCalls = 0;

    void configure(const QString& server) {
        model->setRoomID(QStringLiteral("ROOM"));
        model->setApiKey(QStringLiteral("KEY"));
        model->setServer(server);
    }

    // The endpoint names requested from index `from` on.
    QStringList endpoints(size_t from = 0) const {
        QStringList names;
        for (size_t i = from; i < transport->requests.size(); ++i)
            names << transport->requests[i].url.path().section(QLatin1Char('/'), -1);
        return names;
    }

    QJsonObject runningStatus(const QString& timerID = QStringLiteral("T1")) const {
        const double server = clock->nowMs();
        return {{"timer_id", timerID},
                {"running", true},
                {"start", server - 1000},
                {"finish", server + 60000},
                {"server_time", server}};
    }

    void answerWith(const QString& answer) {
        if (answer == QLatin1String("ok"))
            QVERIFY(transport->answerHttp(200, envelope(runningStatus())));
        else if (answer == QLatin1String("unreachable"))
            QVERIFY(transport->fail());
        else if (answer == QLatin1String("500 message"))
            QVERIFY(transport->answerHttp(500, R"({"ok":false,"message":"Database down"})"));
        else if (answer == QLatin1String("404"))
            QVERIFY(transport->answerHttp(404, QByteArray()));
        else
            QVERIFY(transport->answerHttp(answer.toInt(), R"({"ok":false,"message":"Nope"})"));
    }

    // Connected to a desktop app; cycle 0 then waits for its messages request.
    void connectToApp() {
        configure(QStringLiteral("10.0.0.5:3000"));
        model->connectRoom();
        QVERIFY(transport->answerHttp(200, envelope(runningStatus())));
        QVERIFY(model->connected());
    }

    // Answers one whole poll cycle with a good status, and the name request if one follows.
    void answerGoodCycle(bool withMessages) {
        if (withMessages)
            QVERIFY(transport->answerHttp(200, noMessages));
        QVERIFY(transport->answerHttp(200, envelope(runningStatus())));
        if (transport->openCount() == 1 && endpoints().last() == QLatin1String("get_timer"))
            QVERIFY(transport->answerHttp(200, R"({"data":{"name":"N"}})"));
    }

private slots:
    void initTestCase() { QVERIFY(TestSupport::useGerman()); }

    void init() {
        Preferences::clearForTests();
        transport = std::make_shared<ScriptedTransport>();
        clock = std::make_shared<ManualClock>();
        model = std::make_unique<StagetimerModel>(transport, clock);
        connectedCalls = 0;
        model->onConnected = [this] { ++connectedCalls; };
    }

    void cleanup() { model.reset(); }

    void settingsDropSpacesAndTabs_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::newRow("spaces and tabs") << " \tROOM 1\t " << QString("ROOM 1");
        QTest::newRow("line breaks stay") << "ROOM\n " << QString("ROOM\n");
        QTest::newRow("only spaces") << "   " << QString();
    }
    void settingsDropSpacesAndTabs() {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        QSignalSpy changes(model.get(), &StagetimerModel::settingsChanged);
        model->setRoomID(typed);
        model->setApiKey(typed);
        model->setServer(typed);
        QCOMPARE(Preferences::text("stagetimerRoom"), stored);
        QCOMPARE(model->apiKey(), stored);
        QCOMPARE(model->server(), stored);
        QCOMPARE(changes.count(), 3);
    }

    // Without room and key, or with an address that cannot be one, nothing is sent.
    void connectRefusedBeforeSending_data() {
        QTest::addColumn<QString>("room");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("status");
        const QString missing = QStringLiteral("Bitte Raum-ID und API-Key eingeben");
        QTest::newRow("key missing") << "ROOM" << QString() << QString() << missing;
        QTest::newRow("room missing") << QString() << "KEY" << QString() << missing;
        QTest::newRow("a space in the address") << "ROOM" << QString("KEY") << "stage pc:3000"
                                                << "Stagetimer: Ungültige Adresse";
    }
    void connectRefusedBeforeSending() {
        QFETCH(QString, room);
        QFETCH(QString, key);
        QFETCH(QString, server);
        model->setRoomID(room);
        model->setApiKey(key);
        model->setServer(server);
        model->connectRoom();
        for (int base = 0; base < 3; ++base)
            clock->advance(0);
        QTEST(model->status(), "status");
        QVERIFY(!model->connecting());
        QVERIFY(transport->requests.empty());
        QCOMPARE(clock->pendingWakeups(), 0);
    }

    void connectionAttempt_data() {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("base"); // empty: the attempt fails
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QString>("status");

        const QString app = "127.0.0.1:3000";
        const QString wrongKey = "Stagetimer: API-Key ungültig";
        QTest::newRow("cloud") << QString() << "https://api.stagetimer.io/v1" << QStringList{"ok"}
                               << "Verbunden mit stagetimer.io";
        QTest::newRow("404 then the /v1 base answers")
            << app << "http://127.0.0.1:3000/v1" << QStringList{"404", "ok"}
            << "Verbunden mit 127.0.0.1:3000";
        QTest::newRow("full URL answers unchanged")
            << "http://10.0.0.5:3000/" << QString("http://10.0.0.5:3000") << QStringList{"ok"}
            << "Verbunden mit http://10.0.0.5:3000/";
        QTest::newRow("401 stops at once") << app << "" << QStringList{"401"} << wrongKey;
        QTest::newRow("403 stops at once") << app << "" << QStringList{"403"} << wrongKey;
        QTest::newRow("429 stops the bases, tried again later")
            << app << "" << QStringList{"429"}
            << "Stagetimer: Zu viele Anfragen – kurz warten – neuer Versuch …";
        QTest::newRow("unreachable, 404, unreachable keeps the 404 text")
            << app << "" << QStringList{"unreachable", "404", "unreachable"}
            << "Stagetimer: Raum nicht gefunden – neuer Versuch …";
        QTest::newRow("500 message then 404 keeps the 500 message")
            << app << "" << QStringList{"500 message", "404", "unreachable"}
            << "Stagetimer: Database down – neuer Versuch …";
        QTest::newRow("404 then 401 stops with the key text")
            << app << "" << QStringList{"404", "401"} << wrongKey;
        QTest::newRow("all unreachable")
            << app << "" << QStringList{"unreachable", "unreachable", "unreachable"}
            << "Stagetimer: Server nicht erreichbar – neuer Versuch …";
    }
    void connectionAttempt() {
        QFETCH(QString, server);
        QFETCH(QStringList, answers);
        QFETCH(QString, base);
        configure(server);
        model->connectRoom();
        QVERIFY(model->connecting());
        QCOMPARE(model->status(), QStringLiteral("Verbinde mit Stagetimer …"));
        for (const QString& answer : answers)
            answerWith(answer);

        QCOMPARE(int(transport->requests.size()), answers.size() + (base.isEmpty() ? 0 : 1));
        for (int i = 0; i < answers.size(); ++i)
            QCOMPARE(endpoints().at(i), QStringLiteral("get_status"));
        QTEST(model->status(), "status");
        const bool succeeded = !base.isEmpty();
        // Only a refused key ends the trying; anything else is tried again later.
        const bool retries = !succeeded && !model->status().contains("API-Key");
        QCOMPARE(model->connecting(), retries);
        QCOMPARE(model->connected(), succeeded);
        // The console says "nicht erreichbar" for a link tried again, never for a refused key.
        QCOMPARE(model->trouble(), retries ? LinkTrouble::unreachable : LinkTrouble::none);
        QCOMPARE(Preferences::flag("stagetimerEnabled"), succeeded);
        QCOMPARE(connectedCalls, succeeded ? 1 : 0);
        if (succeeded) {
            QCOMPARE(model->base(), base);
            QCOMPARE(Preferences::text("timerSource"), QStringLiteral("stagetimer"));
            // Polling goes to the base that answered.
            QVERIFY(
                transport->requests.back().url.toString().startsWith(base + "/get_all_messages"));
        } else {
            QCOMPARE(transport->openCount(), 0);
            QCOMPARE(clock->pendingWakeups(), retries ? 1 : 0);
        }
    }

    // Status every 1.5 s, messages every other cycle, the timer's name once per timer ID and
    // again after a failed request.
    void pollScheduleAndTimerName() {
        connectToApp();
        QCOMPARE(endpoints(1), QStringList{"get_all_messages"});
        QVERIFY(transport->answerHttp(200, noMessages));
        QVERIFY(transport->answerHttp(200, envelope(runningStatus("T1"))));
        QVERIFY(transport->fail());
        QCOMPARE(model->timerName(), QString());

        clock->advance(1499);
        QCOMPARE(transport->requests.size(), size_t(4));
        clock->advance(1);
        QVERIFY(transport->answerHttp(200, envelope(runningStatus("T1"))));
        QCOMPARE(transport->requests.back().url.query(),
                 QStringLiteral("room_id=ROOM&timer_id=T1"));
        QVERIFY(transport->answerHttp(200, R"({"data":{"name":"Keynote"}})"));
        QCOMPARE(model->timerName(), QStringLiteral("Keynote"));

        clock->advance(1500);
        answerGoodCycle(true);
        QCOMPARE(model->timerName(), QStringLiteral("Keynote"));
        clock->advance(1500);
        QVERIFY(transport->answerHttp(200, envelope(runningStatus("T2"))));
        QVERIFY(transport->answerHttp(200, R"({"data":{}})"));
        QCOMPARE(endpoints(1), (QStringList{"get_all_messages", "get_status", "get_timer",
                                            "get_status", "get_timer", "get_all_messages",
                                            "get_status", "get_status", "get_timer"}));
        QCOMPARE(model->timerName(), QString());
        QCOMPARE(model->namedTimerID(), QStringLiteral("T2"));
    }

    void threeFailedPollsThenRecovery() {
        connectToApp();
        const QString connectedText = model->status();
        QVERIFY(transport->answerHttp(200, noMessages));
        QVERIFY(transport->fail());
        clock->advance(1500);
        QVERIFY(transport->fail());
        QVERIFY(model->connected());
        QCOMPARE(model->status(), connectedText);
        QVERIFY(model->remainingMs());

        clock->advance(1500);
        QVERIFY(transport->fail()); // messages: not counted
        QVERIFY(transport->answerHttp(500, R"({"message":"Database down"})"));
        QVERIFY(!model->connected());
        QVERIFY(!model->remainingMs());
        QCOMPARE(model->status(), QStringLiteral("Stagetimer: Database down"));

        clock->advance(1500);
        QVERIFY(transport->answerHttp(404, QByteArray()));
        QCOMPARE(model->status(), QStringLiteral("Stagetimer: Raum nicht gefunden"));

        clock->advance(1500);
        answerGoodCycle(true);
        QVERIFY(model->connected());
        QCOMPARE(model->status(), connectedText);

        // The count starts again after a good status.
        for (int failure = 0; failure < 2; ++failure) {
            clock->advance(1500);
            if (transport->openCount() == 1 && endpoints().last() == "get_all_messages")
                QVERIFY(transport->answerHttp(200, noMessages));
            QVERIFY(transport->fail());
        }
        QVERIFY(model->connected());
    }

    // Without a link nothing of the room stays on screen; back, the name is asked for again.
    void lostLinkForgetsMessageAndName() {
        const QByteArray showing = R"({"ok":true,"data":[{"showing":true,"text":"Hurry"}]})";
        connectToApp();
        QVERIFY(transport->answerHttp(200, showing));
        QVERIFY(transport->answerHttp(200, envelope(runningStatus("T1"))));
        QVERIFY(transport->answerHttp(200, R"({"data":{"name":"Keynote"}})"));
        QCOMPARE(model->message(), QStringLiteral("Hurry"));
        QCOMPARE(model->timerName(), QStringLiteral("Keynote"));
        for (int failure = 0; failure < 3; ++failure) {
            clock->advance(1500);
            if (endpoints().last() == "get_all_messages")
                QVERIFY(transport->answerHttp(200, showing));
            QVERIFY(transport->fail());
        }
        QVERIFY(!model->connected());
        QCOMPARE(model->message(), QString());
        QCOMPARE(model->timerName(), QString());
        QCOMPARE(model->trouble(), LinkTrouble::lost);

        clock->advance(1500);
        QVERIFY(transport->answerHttp(200, showing));
        QCOMPARE(model->message(), QString());
        QVERIFY(transport->answerHttp(200, envelope(runningStatus("T1"))));
        QVERIFY(model->connected());
        QCOMPARE(model->trouble(), LinkTrouble::none);
        QCOMPARE(endpoints().last(), QStringLiteral("get_timer"));
    }

    // A failed attempt is tried again, ever more slowly, until the room answers.
    void failedAttemptTriesAgainLater() {
        configure(QStringLiteral("10.0.0.5:3000"));
        model->connectRoom();
        for (const int delay : {2000, 4000, 8000, 16000, 30000, 30000}) {
            while (transport->openCount() > 0)
                QVERIFY(transport->fail());
            QVERIFY(model->connecting());
            QCOMPARE(model->status(),
                     QStringLiteral("Stagetimer: Server nicht erreichbar – neuer Versuch …"));
            const size_t before = transport->requests.size();
            clock->advance(delay - 1);
            QCOMPARE(transport->requests.size(), before);
            clock->advance(1);
            QCOMPARE(transport->requests.size(), before + 1);
        }
        QVERIFY(transport->answerHttp(200, envelope(runningStatus())));
        QVERIFY(model->connected());
        QVERIFY(!model->connecting());
        QCOMPARE(connectedCalls, 1);
    }

    // The API key is a secret: no status or log line repeats it, even when a server does.
    void apiKeyIsNeverRepeated() {
        static QStringList logged;
        logged.clear();
        const QtMessageHandler previous = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext&, const QString& text) { logged << text; });
        const QString key = QStringLiteral("S3CRET-4711");
        configure(QStringLiteral("10.0.0.5:3000"));
        model->setApiKey(key);
        model->connectRoom();
        const QByteArray echo = R"({"ok":false,"message":"no room for Bearer S3CRET-4711"})";
        QStringList statuses;
        for (const int code : {500, 404, 200, 401}) {
            while (transport->openCount() > 0) {
                QVERIFY(transport->answerHttp(code, echo));
                statuses << model->status();
            }
            clock->advance(30000);
        }
        model->setApiKey(key + QStringLiteral("\n"));
        model->connectRoom();
        clock->advance(0);
        statuses << model->status();
        qInstallMessageHandler(previous);
        QVERIFY(statuses.contains(
            QStringLiteral("Stagetimer: no room for Bearer … – neuer Versuch …")));
        for (const QString& text : statuses + logged)
            QVERIFY2(!text.contains(key), qPrintable(text));
    }

    void countdown_data() {
        QTest::addColumn<double>("skew");
        QTest::newRow("clocks agree") << 0.0;
        QTest::newRow("server 60 s ahead") << 60000.0;
        QTest::newRow("server 60 s behind") << -60000.0;
    }
    void countdown() {
        QFETCH(double, skew);
        configure(QStringLiteral("10.0.0.5:3000"));
        model->connectRoom();
        const double serverNow = clock->nowMs() + skew;
        QVERIFY(transport->answerHttp(200, envelope({{"running", true},
                                                     {"finish", serverNow + 60000},
                                                     {"server_time", serverNow}})));
        QCOMPARE(model->remainingMs(), 60000.0);
        QCOMPARE(model->clockOffset(), skew);
        clock->advance(10000);
        QCOMPARE(model->remainingMs(), 50000.0);
        clock->advance(55000);
        QCOMPARE(model->remainingMs(), -5000.0);
        QVERIFY(!model->paused());
    }

    void stoppedTimer_data() {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<std::optional<double>>("remaining");
        QTest::addColumn<bool>("paused");
        using Ms = std::optional<double>;
        QTest::newRow("paused keeps the time left at the pause")
            << QByteArray(R"({"running":false,"start":1000,"pause":31000,"finish":91000})")
            << Ms(60000) << true;
        QTest::newRow("stopped shows start to finish")
            << QByteArray(R"({"running":false,"start":1000,"pause":0,"finish":91000})") << Ms(90000)
            << false;
        QTest::newRow("running absent counts as stopped")
            << QByteArray(R"({"start":1000,"finish":91000})") << Ms(90000) << false;
        QTest::newRow("no finish")
            << QByteArray(R"({"running":true,"start":1000})") << Ms() << false;
        QTest::newRow("stopped without start")
            << QByteArray(R"({"running":false,"finish":5})") << Ms() << false;
    }
    void stoppedTimer() {
        QFETCH(QByteArray, data);
        QFETCH(std::optional<double>, remaining);
        configure(QStringLiteral("10.0.0.5:3000"));
        model->connectRoom();
        QVERIFY(transport->answerHttp(200, "{\"data\":" + data + "}"));
        QCOMPARE(model->remainingMs(), remaining);
        clock->advance(5000);
        QCOMPARE(model->remainingMs(), remaining);
        QTEST(model->paused(), "paused");
    }

    void messages_data() {
        QTest::addColumn<QList<QByteArray>>("answers");
        QTest::addColumn<QString>("shown");
        QTest::newRow("recorded list shape")
            << QList<QByteArray>{recorded("get_all_messages.json")} << "Two minutes left";
        QTest::newRow("none showing clears")
            << QList<QByteArray>{recorded("get_all_messages.json"),
                                 R"({"data":[{"showing":false,"text":"Go"}]})"}
            << "";
        QTest::newRow("failed request keeps the message")
            << QList<QByteArray>{recorded("get_all_messages.json"), "<html>"} << "Two minutes left";
    }
    void messages() {
        QFETCH(QList<QByteArray>, answers);
        connectToApp();
        for (const QByteArray& answer : answers) {
            QCOMPARE(endpoints().last(), QStringLiteral("get_all_messages"));
            QVERIFY(transport->answerHttp(200, answer));
            answerGoodCycle(false);
            clock->advance(1500);
            answerGoodCycle(false);
            clock->advance(1500);
        }
        QTEST(model->message(), "shown");
    }

    void disconnectWhileBusy_data() {
        QTest::addColumn<int>("stage");
        QTest::newRow("during the connection attempt") << 0;
        QTest::newRow("while messages are asked for") << 1;
        QTest::newRow("while the status is asked for") << 2;
        QTest::newRow("while the timer name is asked for") << 3;
        QTest::newRow("while sleeping") << 4;
    }
    void disconnectWhileBusy() {
        QFETCH(int, stage);
        configure(QStringLiteral("10.0.0.5:3000"));
        model->connectRoom();
        const QList<QByteArray> answers{envelope(runningStatus()), noMessages,
                                        envelope(runningStatus()), R"({"data":{"name":"N"}})"};
        for (int i = 0; i < stage; ++i)
            QVERIFY(transport->answerHttp(200, answers.at(i)));
        QSignalSpy statusChanges(model.get(), &StagetimerModel::statusChanged);

        model->disconnectRoom();
        QCOMPARE(transport->openCount(), 0);
        QVERIFY(!transport->answerHttp(200, envelope(runningStatus())));
        clock->advance(10000);
        QVERIFY(!transport->answerHttp(200, envelope(runningStatus())));
        QCOMPARE(statusChanges.count(), 1);
        QCOMPARE(model->status(), QStringLiteral("Nicht verbunden"));
        QVERIFY(!model->connected() && !model->connecting());
        QVERIFY(!Preferences::flag("stagetimerEnabled"));
        QVERIFY(!model->remainingMs());
        QVERIFY(model->timerName().isEmpty() && model->message().isEmpty());
    }

    void reconnectDropsTheOldAttempt() {
        configure(QStringLiteral("10.0.0.5:3000"));
        model->connectRoom();
        model->setServer(QString());
        model->connectRoom();
        QCOMPARE(transport->openCount(), 1);
        QVERIFY(transport->answerHttp(401, QByteArray()));
        QCOMPARE(model->status(), QStringLiteral("Stagetimer: API-Key ungültig"));
        QCOMPARE(transport->requests.back().url.host(), QStringLiteral("api.stagetimer.io"));
    }

    void startAtLaunch_data() {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("connects");
        QTest::newRow("enabled with room and key") << true << "KEY" << true;
        QTest::newRow("not enabled") << false << "KEY" << false;
        QTest::newRow("enabled without key") << true << "" << false;
    }
    void startAtLaunch() {
        QFETCH(bool, enabled);
        QFETCH(QString, key);
        QFETCH(bool, connects);
        Preferences::setValue("stagetimerEnabled", enabled);
        model->setRoomID("ROOM");
        model->setApiKey(key);
        model->start();
        QCOMPARE(model->connecting(), connects);
        QCOMPARE(transport->requests.size(), size_t(connects ? 1 : 0));
        QCOMPARE(model->status(), connects ? QStringLiteral("Verbinde mit Stagetimer …")
                                           : QStringLiteral("Nicht verbunden"));
    }

    // Answers the transport layer sees that the fake server cannot send.
    void unusualAnswers_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("tooLarge");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("code");
        const int http = int(HttpResult::Kind::Response);
        const int other = int(HttpResult::Kind::NonHttpResponse);
        const int failure = int(HttpResult::Kind::TransportFailure);
        QTest::newRow("transport failure keeps the last code")
            << failure << 0 << QByteArray() << false << "Server nicht erreichbar" << 404;
        QTest::newRow("no HTTP answer with a message")
            << other << 0 << QByteArray(R"({"message":"Hi"})") << false << "Hi" << 0;
        QTest::newRow("no HTTP answer without a message")
            << other << 0 << QByteArray() << false << "HTTP 0" << 0;
        QTest::newRow("2xx body cut at the limit")
            << http << 200 << QByteArray() << true << "Unerwartete Antwort" << 200;
        QTest::newRow("204 without a body")
            << http << 204 << QByteArray() << false << "Unerwartete Antwort" << 204;
        QTest::newRow("ok false with data is a success")
            << http << 200 << QByteArray(R"({"ok":false,"data":{}})") << false << "" << 200;
        QTest::newRow("redirect code") << http << 302 << QByteArray() << false << "HTTP 302" << 302;
    }
    void unusualAnswers() {
        QFETCH(int, kind);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(bool, tooLarge);
        QFETCH(QString, text);
        configure(QString());
        std::optional<StagetimerModel::Result<STStatus>> result;
        auto keep = [&](const StagetimerModel::Result<STStatus>& r) { result = r; };
        auto first = model->get<STStatus>("get_status", StagetimerApi::cloudBase, {}, keep);
        QVERIFY(transport->answerHttp(404, QByteArray()));
        QCOMPARE(model->lastHTTPCode(), 404);

        auto second = model->get<STStatus>("get_status", StagetimerApi::cloudBase, {}, keep);
        HttpResult answer;
        answer.kind = HttpResult::Kind(kind);
        answer.status = status;
        answer.body = body;
        answer.bodyTooLarge = tooLarge;
        QVERIFY(transport->answer(answer));
        QVERIFY(result);
        QCOMPARE(result->succeeded(), text.isEmpty());
        QCOMPARE(result->failure, text);
        QTEST(model->lastHTTPCode(), "code");
    }
};

ORVL_TEST_MAIN(TestStagetimerModel)
#include "tst_stagetimermodel.moc"
