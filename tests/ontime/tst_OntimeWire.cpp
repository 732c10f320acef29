// Decoding of recorded Ontime answers and of hand-made edge cases; the server record and URLs.
#include "ontime/OntimeWire.h"
#include "support/TestSupport.h"

#include <QFile>

class OntimeWireTest : public QObject {
    Q_OBJECT

    static QByteArray fixture(const QString& name) {
        QFile file(TestSupport::dataPath(QStringLiteral("ontime/") + name));
        if (!file.open(QIODevice::ReadOnly))
            qFatal("missing fixture %s", qPrintable(name));
        return file.readAll();
    }

private slots:
    void recordedPollAnswers_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("playback");
        QTest::addColumn<std::optional<double>>("current");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("messageText");
        QTest::addColumn<QString>("secondarySource");

        const std::optional<double> none;
        QTest::newRow("fresh server, stopped") << "02_api_poll_demo_initial.json"
                                               << "stop" << none << ""
                                               << ""
                                               << "";
        QTest::newRow("stopped, nothing loaded") << "20_poll_stopped_no_event_loaded.json"
                                                 << "stop" << none << ""
                                                 << ""
                                                 << "";
        QTest::newRow("armed") << "22_poll_armed_event1_loaded.json"
                               << "armed" << std::optional<double>(10000) << "Opening keynote"
                               << ""
                               << "";
        QTest::newRow("play") << "24_poll_play_event1_t2s.json"
                              << "play" << std::optional<double>(8000) << "Opening keynote"
                              << ""
                              << "";
        QTest::newRow("pause") << "26_poll_paused_event1.json"
                               << "pause" << std::optional<double>(6903) << "Opening keynote"
                               << ""
                               << "";
        QTest::newRow("play resumed") << "29_poll_play_resumed.json"
                                      << "play" << std::optional<double>(5989) << "Opening keynote"
                                      << ""
                                      << "";
        QTest::newRow("overtime is negative")
            << "30_poll_play_overtime_negative.json"
            << "play" << std::optional<double>(-10026) << "Opening keynote"
            << ""
            << "";
        QTest::newRow("message visible") << "42_poll_message_visible_not_blinking.json"
                                         << "stop" << none << ""
                                         << "Wrap up please"
                                         << "";
        QTest::newRow("message blinking") << "44_poll_message_visible_blinking.json"
                                          << "stop" << none << ""
                                          << "Wrap up please"
                                          << "";
        QTest::newRow("secondary shown in timer") << "47_poll_message_secondary_shown_in_timer.json"
                                                  << "stop" << none << ""
                                                  << "Wrap up please"
                                                  << "secondary";
        QTest::newRow("message hidden") << "49_poll_message_hidden_blackout.json"
                                        << "stop" << none << ""
                                        << "Wrap up please"
                                        << "secondary";
        QTest::newRow("roll before first event")
            << "71_poll_roll_pending_before_first_event.json"
            << "roll" << std::optional<double>(10000) << "Opening keynote"
            << ""
            << "";
    }

    void recordedPollAnswers() {
        QFETCH(QString, file);
        QFETCH(QString, playback);
        QFETCH(std::optional<double>, current);
        QFETCH(QString, title);
        QFETCH(QString, messageText);
        QFETCH(QString, secondarySource);

        const auto decoded = PollResponse::decode(fixture(file));
        QVERIFY(decoded);
        const RuntimeData& data = decoded->payload;
        QVERIFY(data.clock);
        QVERIFY(data.timer);
        QCOMPARE(data.timer->playback.value_or(QString()), playback);
        QCOMPARE(data.timer->current, current);
        QCOMPARE(data.eventNow ? data.eventNow->title.value_or(QString()) : QString(), title);
        QVERIFY(data.message && data.message->timer);
        QCOMPARE(data.message->timer->text.value_or(QString()), messageText);
        QCOMPARE(data.message->timer->secondarySource.value_or(QString()), secondarySource);
        QVERIFY(!data.message->external);
    }

    void otherRecordedAnswers_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("version");
        QTest::addColumn<bool>("legacyInfo");
        QTest::addColumn<bool>("poll");

        QTest::newRow("version answer") << "00_api_version.json" << true << false << false;
        QTest::newRow("legacy path gone: 400 text")
            << "03_legacy_ontime_info.txt" << false << false << false;
        QTest::newRow("legacy path gone: redirect page")
            << "90_legacy_ontime_info_with_ui_build.txt" << false << false << false;
        QTest::newRow("500 with a JSON message")
            << "80_api_start_with_nothing_loaded.json" << false << false << false;
        QTest::newRow("a poll answer is no version")
            << "24_poll_play_event1_t2s.json" << false << false << true;
    }

    void otherRecordedAnswers() {
        QFETCH(QString, file);
        QFETCH(bool, version);
        QFETCH(bool, legacyInfo);
        QFETCH(bool, poll);
        const QByteArray body = fixture(file);
        QCOMPARE(VersionResponse::decode(body).has_value(), version);
        QCOMPARE(LegacyInfo::decode(body).has_value(), legacyInfo);
        QCOMPARE(PollResponse::decode(body).has_value(), poll);
    }

    void versionText() {
        QCOMPARE(VersionResponse::decode(fixture("00_api_version.json"))->payload,
                 QStringLiteral("4.11.0"));
    }

    void decodingRules_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("decodes");

        QTest::newRow("timer null") << QByteArray(R"({"payload":{"timer":null}})") << true;
        QTest::newRow("clock as text") << QByteArray(R"({"payload":{"clock":"12:00"}})") << false;
        QTest::newRow("payload missing") << QByteArray(R"({"other":1})") << false;
        QTest::newRow("payload null") << QByteArray(R"({"payload":null})") << false;
        QTest::newRow("empty payload") << QByteArray(R"({"payload":{}})") << true;
        QTest::newRow("playback as number")
            << QByteArray(R"({"payload":{"timer":{"playback":3}}})") << false;
        QTest::newRow("visible as text")
            << QByteArray(R"({"payload":{"message":{"timer":{"visible":"yes"}}}})") << false;
        QTest::newRow("external as text")
            << QByteArray(R"({"payload":{"message":{"external":"x"}}})") << false;
        QTest::newRow("unknown keys ignored")
            << QByteArray(R"({"payload":{"ping":1,"timer":{"phase":"danger"}},"x":[1]})") << true;
        QTest::newRow("top level array") << QByteArray("[1]") << false;
        QTest::newRow("not JSON") << QByteArray("<html></html>") << false;
    }

    void decodingRules() {
        QFETCH(QByteArray, body);
        QFETCH(bool, decodes);
        QCOMPARE(PollResponse::decode(body).has_value(), decodes);
    }

    void timerNullIsAbsent() {
        const auto decoded = PollResponse::decode(R"({"payload":{"timer":null,"eventNow":null}})");
        QVERIFY(decoded);
        QVERIFY(!decoded->payload.timer);
        QVERIFY(!decoded->payload.eventNow);
    }

    void versionAndInfoRules_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("version");
        QTest::addColumn<bool>("legacyInfo");

        QTest::newRow("payload as number") << QByteArray(R"({"payload":4})") << false << false;
        QTest::newRow("serverPort integral")
            << QByteArray(R"({"serverPort":4001})") << false << true;
        QTest::newRow("serverPort fractional")
            << QByteArray(R"({"serverPort":4001.5})") << false << false;
        QTest::newRow("serverPort as text")
            << QByteArray(R"({"serverPort":"4001"})") << false << false;
    }

    void versionAndInfoRules() {
        QFETCH(QByteArray, body);
        QFETCH(bool, version);
        QFETCH(bool, legacyInfo);
        QCOMPARE(VersionResponse::decode(body).has_value(), version);
        QCOMPARE(LegacyInfo::decode(body).has_value(), legacyInfo);
    }

    void legacyPoll() {
        const auto decoded = LegacyPoll::decode(R"({"running":12.5,"playback":"start"})");
        QVERIFY(decoded);
        QCOMPARE(decoded->running, std::optional<double>(12.5));
        QCOMPARE(decoded->playback, std::optional<QString>(QStringLiteral("start")));
        QVERIFY(!LegacyPoll::decode(R"({"running":"12"})"));
    }

    void labelUsesEnDash() {
        const OntimeServer legacy{QStringLiteral("10.20.0.59"), 4001, OntimeAPI::v1,
                                  QStringLiteral("1.x")};
        QCOMPARE(legacy.label(), QStringLiteral("10.20.0.59:4001 \u2013 Ontime 1.x"));
    }

    void equalityIsMemberwise() {
        const OntimeServer a{QStringLiteral("10.0.0.2"), 4001, OntimeAPI::v3,
                             QStringLiteral("4.11.0")};
        OntimeServer otherVersion = a;
        otherVersion.version = QStringLiteral("4.10.0");
        OntimeServer otherApi = a;
        otherApi.api = OntimeAPI::v1;
        QVERIFY(a == OntimeServer(a));
        QVERIFY(a != otherVersion);
        QVERIFY(a != otherApi);
        QCOMPARE(qHash(a), qHash(OntimeServer(a)));
    }

    void urls_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("url");

        QTest::newRow("address") << "10.20.0.59"
                                 << "http://10.20.0.59:4001/api/version";
        QTest::newRow("name") << "ontime.local"
                              << "http://ontime.local:4001/api/version";
        QTest::newRow("surrounding space") << " 10.20.0.59"
                                           << "";
        QTest::newRow("port inside the host") << "10.20.0.59:4001"
                                              << "";
        QTest::newRow("slash leads elsewhere") << "evil/x"
                                               << "";
        QTest::newRow("user info leads elsewhere") << "user@evil"
                                                   << "";
        QTest::newRow("empty") << ""
                               << "";
    }

    void urls() {
        QFETCH(QString, host);
        QFETCH(QString, url);
        const auto built = ontimeUrl(host, 4001, QStringLiteral("api/version"));
        QCOMPARE(built ? built->toString() : QString(), url);
    }
};

ORVL_TEST_MAIN(OntimeWireTest)
#include "tst_OntimeWire.moc"
