// Stagetimer answers classified end to end through the real transport against the fake desktop app
// on loopback: bodies, stalls, refusals and the base that answers.
#include "FakeStagetimer.h"
#include "stagetimer/StagetimerModel.h"
#include "support/TestSupport.h"

#include <QElapsedTimer>

class TestStagetimerGet : public QObject {
    Q_OBJECT

    std::unique_ptr<FakeStagetimer> fake;
    std::unique_ptr<StagetimerModel> model;

    QString base() const { return QStringLiteral("http://127.0.0.1:%1/api/v1").arg(fake->port()); }

    template <class Payload> StagetimerModel::Result<Payload> fetch(const QString& path) {
        std::optional<StagetimerModel::Result<Payload>> result;
        const QString extra =
            path == QLatin1String("get_timer") ? QStringLiteral("&timer_id=6f1c0a2e9b") : QString();
        auto call = model->get<Payload>(
            path, base(), extra, [&](const StagetimerModel::Result<Payload>& r) { result = r; });
        if (!QTest::qWaitFor([&] { return result.has_value(); }, 8000))
            qFatal("no answer for %s", qPrintable(path));
        return *result;
    }

private slots:
    void initTestCase() { QVERIFY(TestSupport::useGerman()); }

    void init() {
        Preferences::clearForTests();
        fake = std::make_unique<FakeStagetimer>(QStringLiteral("ROOM1234"), QStringLiteral("KEY"));
        QVERIFY(fake->listen(QHostAddress::LocalHost, 0));
        model = std::make_unique<StagetimerModel>();
        model->setRoomID(QStringLiteral("ROOM1234"));
        model->setApiKey(QStringLiteral("KEY"));
    }

    void cleanup() {
        model.reset();
        fake.reset();
    }

    // The status codes alone are classified in the model's own test; here real answers.
    void classification_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("code"); // the earlier 404 stays when no HTTP answer came

        QTest::newRow("2xx with data") << "" << QString() << 200;
        QTest::newRow("2xx with null data and a message")
            << "null-data" << QString("Timer is being edited") << 200;
        QTest::newRow("2xx with a wrong type inside data loses the message")
            << "wrong-type" << QString("Unerwartete Antwort") << 200;
        QTest::newRow("2xx that is no JSON")
            << "garbage-body" << QString("Unerwartete Antwort") << 200;
        QTest::newRow("404 that is no JSON") << "404" << QString("Raum nicht gefunden") << 404;
        QTest::newRow("404 with a message") << "404-json" << QString("Room not found") << 404;
        QTest::newRow("500 with HTML") << "500-html" << QString("HTTP 500") << 500;
        QTest::newRow("503 with a message") << "503-json" << QString("Down for maintenance") << 503;
        QTest::newRow("bytes that are no HTTP")
            << "garbage" << QString("Server nicht erreichbar") << 404;
    }
    void classification() {
        QFETCH(QString, fault);
        QFETCH(QString, text);
        // A first answer with an odd code shows whether a failure left the code alone.
        QVERIFY(fake->setFault(QStringLiteral("404")));
        fetch<STStatus>(QStringLiteral("get_status"));
        QVERIFY(fake->setFault(fault));
        const auto result = fetch<STStatus>(QStringLiteral("get_status"));
        QCOMPARE(result.failure, text);
        QCOMPARE(result.succeeded(), text.isEmpty());
        QTEST(model->lastHTTPCode(), "code");
    }

    void payloads() {
        fake->setTimer(QStringLiteral("6f1c0a2e9b"), QStringLiteral("Keynote"));
        fake->setMessages({{false, QStringLiteral("Hidden")}, {true, QStringLiteral("Wrap up")}});
        QCOMPARE(fetch<STTimer>(QStringLiteral("get_timer")).payload->name,
                 QStringLiteral("Keynote"));
        QCOMPARE(fetch<STMessages>(QStringLiteral("get_all_messages")).payload->showingText(),
                 QStringLiteral("Wrap up"));
        QCOMPARE(fake->requestLog().last(),
                 QStringLiteral("/api/v1/get_all_messages?room_id=ROOM1234"));
    }

    void refusedConnection() {
        const QString address = base();
        fake.reset();
        std::optional<StagetimerModel::Result<STStatus>> result;
        auto call = model->get<STStatus>(QStringLiteral("get_status"), address, {},
                                         [&](const auto& r) { result = r; });
        QVERIFY(QTest::qWaitFor([&] { return result.has_value(); }, 5000));
        QCOMPARE(result->failure, QStringLiteral("Server nicht erreichbar"));
        QCOMPARE(model->lastHTTPCode(), 0);
    }

    // An app whose API answers only under "/v1": the "/api/v1" base gets an HTML 404 first.
    void connectsWhereTheApiAnswers() {
        fake->setPrefixes({QStringLiteral("/v1")});
        const QString address = QStringLiteral("127.0.0.1:%1").arg(fake->port());
        model->setServer(address);
        model->connectRoom();
        QVERIFY(QTest::qWaitFor([&] { return model->connected(); }, 5000));
        QCOMPARE(model->base(), QStringLiteral("http://%1/v1").arg(address));
        QCOMPARE(fake->requestLog().first(), QStringLiteral("/v1/get_status?room_id=ROOM1234"));
    }

    // A server that accepts and then says nothing is given up after four quiet seconds (Qt's
    // timer may fire a little early).
    void stalledServer() {
        QVERIFY(fake->setFault(QStringLiteral("stall")));
        QElapsedTimer elapsed;
        elapsed.start();
        const auto result = fetch<STStatus>(QStringLiteral("get_status"));
        QCOMPARE(result.failure, QStringLiteral("Server nicht erreichbar"));
        QVERIFY2(elapsed.elapsed() >= 3500 && elapsed.elapsed() < 6000,
                 qPrintable(QString::number(elapsed.elapsed())));
    }
};

ORVL_TEST_MAIN(TestStagetimerGet)
#include "tst_stagetimerget.moc"
