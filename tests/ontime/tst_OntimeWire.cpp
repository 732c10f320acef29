// Decoding of recorded Ontime answers and of hand-made edge cases; the server URLs.
#include "ontime/OntimeWire.h"
#include "support/TestSupport.h"

class OntimeWireTest : public QObject {
    Q_OBJECT

    static QByteArray recorded(const char* name) {
        return TestSupport::readData(QStringLiteral("ontime/") + QLatin1String(name));
    }

private slots:
    // Each body against every decoder, so that none of them is too lenient.
    void decoders_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("version");
        QTest::addColumn<bool>("legacyInfo");
        QTest::addColumn<bool>("poll");

        QTest::newRow("recorded version answer")
            << recorded("00_api_version.json") << true << false << false;
        QTest::newRow("recorded poll answer is no version")
            << recorded("24_poll_play_event1_t2s.json") << false << false << true;
        QTest::newRow("legacy path gone: 400 text")
            << recorded("03_legacy_ontime_info.txt") << false << false << false;
        QTest::newRow("legacy path gone: redirect page")
            << recorded("90_legacy_ontime_info_with_ui_build.txt") << false << false << false;
        QTest::newRow("500 with a JSON message")
            << recorded("80_api_start_with_nothing_loaded.json") << false << false << false;
        QTest::newRow("version payload as number")
            << QByteArray(R"({"payload":4})") << false << false << false;
        QTest::newRow("serverPort integral")
            << QByteArray(R"({"serverPort":4001})") << false << true << false;
        QTest::newRow("serverPort fractional")
            << QByteArray(R"({"serverPort":4001.5})") << false << false << false;
        QTest::newRow("serverPort as text")
            << QByteArray(R"({"serverPort":"4001"})") << false << false << false;
        QTest::newRow("timer null")
            << QByteArray(R"({"payload":{"timer":null}})") << false << false << true;
        QTest::newRow("clock as text")
            << QByteArray(R"({"payload":{"clock":"12:00"}})") << false << false << false;
        QTest::newRow("payload missing") << QByteArray(R"({"other":1})") << false << false << false;
        QTest::newRow("payload null")
            << QByteArray(R"({"payload":null})") << false << false << false;
        QTest::newRow("empty payload") << QByteArray(R"({"payload":{}})") << false << false << true;
        QTest::newRow("playback as number")
            << QByteArray(R"({"payload":{"timer":{"playback":3}}})") << false << false << false;
        QTest::newRow("visible as text")
            << QByteArray(R"({"payload":{"message":{"timer":{"visible":"yes"}}}})") << false
            << false << false;
        QTest::newRow("external as text")
            << QByteArray(R"({"payload":{"message":{"external":"x"}}})") << false << false << false;
        QTest::newRow("unknown keys ignored")
            << QByteArray(R"({"payload":{"ping":1,"timer":{"phase":"danger"}},"x":[1]})") << false
            << false << true;
        QTest::newRow("top level array") << QByteArray("[1]") << false << false << false;
        QTest::newRow("not JSON") << QByteArray("<html></html>") << false << false << false;
    }

    void decoders() {
        QFETCH(QByteArray, body);
        QTEST(VersionResponse::decode(body).has_value(), "version");
        QTEST(LegacyInfo::decode(body).has_value(), "legacyInfo");
        QTEST(PollResponse::decode(body).has_value(), "poll");
    }

    void versionText() {
        QCOMPARE(VersionResponse::decode(recorded("00_api_version.json"))->payload,
                 QStringLiteral("4.11.0"));
    }

    void legacyPoll() {
        const auto decoded = LegacyPoll::decode(R"({"running":12.5,"playback":"start"})");
        QVERIFY(decoded);
        QCOMPARE(decoded->running, std::optional<double>(12.5));
        QCOMPARE(decoded->playback, std::optional<QString>(QStringLiteral("start")));
        QVERIFY(!LegacyPoll::decode(R"({"running":"12"})"));
    }

    void urls_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QUrl>("url");

        QTest::newRow("address") << "10.20.0.59" << QUrl("http://10.20.0.59:4001/api/version");
        QTest::newRow("name") << "ontime.local" << QUrl("http://ontime.local:4001/api/version");
        QTest::newRow("surrounding space") << " 10.20.0.59" << QUrl();
        QTest::newRow("port inside the host") << "10.20.0.59:4001" << QUrl();
        QTest::newRow("slash leads elsewhere") << "evil/x" << QUrl();
        QTest::newRow("user info leads elsewhere") << "user@evil" << QUrl();
        QTest::newRow("empty") << "" << QUrl();
    }

    void urls() {
        QFETCH(QString, host);
        QTEST(ontimeUrl(host, 4001, QStringLiteral("api/version")).value_or(QUrl()), "url");
    }
};

ORVL_TEST_MAIN(OntimeWireTest)
#include "tst_OntimeWire.moc"
