// Decoding of the Stagetimer records: optional fields, null as absent, a wrong type loses the
// answer.
#include "stagetimer/STRecords.h"
#include "support/TestSupport.h"

namespace {

QByteArray recorded(const char* name) {
    return TestSupport::readData(QStringLiteral("stagetimer/") + QLatin1String(name));
}

} // namespace

class TestSTRecords : public QObject {
    Q_OBJECT

private slots:
    void envelope_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("decodes");
        QTest::addColumn<bool>("hasData");
        QTest::addColumn<QString>("message");

        QTest::newRow("recorded running status")
            << recorded("get_status_running.json") << true << true << "Playback status loaded";
        QTest::newRow("data null keeps the message")
            << QByteArray(R"({"ok":false,"message":"Editing","data":null})") << true << false
            << "Editing";
        QTest::newRow("ok false with data still carries data")
            << QByteArray(R"({"ok":false,"data":{}})") << true << true << "";
        QTest::newRow("wrong type inside data loses everything")
            << QByteArray(R"({"message":"kept?","data":{"running":"yes"}})") << false << false
            << "";
        QTest::newRow("message as a number")
            << QByteArray(R"({"message":5})") << false << false << "";
        QTest::newRow("ok as a string")
            << QByteArray(R"({"ok":"true","data":{}})") << false << false << "";
        QTest::newRow("data as an array") << QByteArray(R"({"data":[]})") << false << false << "";
        QTest::newRow("empty body") << QByteArray() << false << false << "";
        QTest::newRow("not JSON") << QByteArray("<html>Cannot GET</html>") << false << false << "";
        QTest::newRow("top level array") << QByteArray("[{}]") << false << false << "";
    }
    void envelope() {
        QFETCH(QByteArray, body);
        const auto response = STResponse<STStatus>::decode(body);
        QTEST(response.has_value(), "decodes");
        if (!response)
            return;
        QTEST(response->data.has_value(), "hasData");
        QTEST(response->message.value_or(QString()), "message");
    }

    void status() {
        const auto response = STResponse<STStatus>::decode(recorded("get_status_paused.json"));
        QVERIFY(response && response->data);
        const STStatus& status = *response->data;
        QCOMPARE(status.timerID, QStringLiteral("6f1c0a2e9b"));
        QCOMPARE(status.running, false);
        QCOMPARE(status.start, 1795601100000.0);
        QCOMPARE(status.finish, 1795601700000.0);
        QCOMPARE(status.pause, 1795601100000.0);
        QCOMPARE(status.serverTime, 1795601702118.0);
    }

    void nullFieldsAreAbsent() {
        const auto response = STResponse<STStatus>::decode(
            R"({"data":{"timer_id":null,"running":null,"finish":1.5,"pause":null}})");
        QVERIFY(response && response->data);
        QVERIFY(!response->data->timerID && !response->data->running && !response->data->pause);
        QCOMPARE(response->data->finish, 1.5);
    }

    void timer_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("decodes");
        QTest::addColumn<QString>("name");
        QTest::newRow("recorded timer with many extra keys")
            << recorded("get_timer.json") << true << "Keynote";
        QTest::newRow("name null") << QByteArray(R"({"data":{"name":null}})") << true << "";
        QTest::newRow("name a number") << QByteArray(R"({"data":{"name":7}})") << false << "";
    }
    void timer() {
        QFETCH(QByteArray, body);
        const auto response = STResponse<STTimer>::decode(body);
        QTEST(response.has_value(), "decodes");
        if (response)
            QTEST(response->data->name.value_or(QString()), "name");
    }

    void messages_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("decodes");
        QTest::addColumn<QString>("showing");

        QTest::newRow("recorded list directly in data")
            << recorded("get_all_messages.json") << true << "Two minutes left";
        QTest::newRow("list under messages")
            << QByteArray(R"({"data":{"messages":[{"showing":true,"text":"Wrap up"}]}})") << true
            << "Wrap up";
        QTest::newRow("first showing wins")
            << QByteArray(R"({"data":[{"showing":true,"text":"A"},{"showing":true,"text":"B"}]})")
            << true << "A";
        QTest::newRow("none showing")
            << QByteArray(R"({"data":[{"text":"A"},{"showing":false}]})") << true << "";
        QTest::newRow("showing without text")
            << QByteArray(R"({"data":[{"showing":true},{"showing":true,"text":"B"}]})") << true
            << "";
        QTest::newRow("messages absent") << QByteArray(R"({"data":{}})") << true << "";
        QTest::newRow("messages null") << QByteArray(R"({"data":{"messages":null}})") << true << "";
        QTest::newRow("showing as a string")
            << QByteArray(R"({"data":[{"showing":"yes","text":"A"}]})") << false << "";
        QTest::newRow("element not an object") << QByteArray(R"({"data":["A"]})") << false << "";
        QTest::newRow("messages an object")
            << QByteArray(R"({"data":{"messages":{"text":"A"}}})") << false << "";
        QTest::newRow("data a string") << QByteArray(R"({"data":"A"})") << false << "";
    }
    void messages() {
        QFETCH(QByteArray, body);
        const auto response = STResponse<STMessages>::decode(body);
        QTEST(response.has_value(), "decodes");
        if (response)
            QTEST(response->data->showingText(), "showing");
    }
};

ORVL_TEST_MAIN(TestSTRecords)
#include "tst_strecords.moc"
