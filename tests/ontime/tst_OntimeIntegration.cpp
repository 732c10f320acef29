// The Ontime model over real HTTP and the real clock against the fake server on loopback.
#include "FakeOntimeServer.h"
#include "ontime/OntimeModel.h"
#include "support/TestSupport.h"

#include <QElapsedTimer>

class OntimeIntegrationTest : public QObject {
    Q_OBJECT

    std::unique_ptr<FakeOntimeServer> server;
    std::unique_ptr<OntimeModel> model;
    quint16 port = 0;

    void setState(const QString& query) { server->setState(QUrlQuery(query)); }

    QString connectedText() const {
        return QStringLiteral("Verbunden mit 127.0.0.1:%1 – Ontime 4.11.0").arg(port);
    }

private slots:
    void initTestCase() { QVERIFY(TestSupport::useGerman()); }

    void init() {
        Preferences::clearForTests();
        server = std::make_unique<FakeOntimeServer>(FakeOntimeServer::Options{});
        QVERIFY(server->listen(QHostAddress::LocalHost, 0));
        port = server->port();
        Preferences::setValue(QStringLiteral("ontimePort"), port);
        model = std::make_unique<OntimeModel>();
        // This machine only, whatever the test host's interfaces.
        model->listInterfaces = [] { return QList<Discovery::Interface>{}; };
        model->search(true, false);
        QTRY_VERIFY_WITH_TIMEOUT(model->connected(), 4000);
        QCOMPARE(model->status(), connectedText());
        QCOMPARE(model->server()->host, QStringLiteral("127.0.0.1"));
    }

    void cleanup() {
        model.reset();
        server.reset();
    }

    // Error pages and bodies cut at the limit are signs of life: polling goes on, connected.
    void misbehavingAnswersKeepTheConnection_data() {
        QTest::addColumn<QString>("misbehave");
        QTest::newRow("an error page") << "500";
        QTest::newRow("an endless body") << "endless";
    }

    void misbehavingAnswersKeepTheConnection() {
        QFETCH(QString, misbehave);
        setState(QStringLiteral("playback=armed&current=30000"));
        QTRY_COMPARE_WITH_TIMEOUT(model->playback(), QStringLiteral("armed"), 2000);
        setState(QStringLiteral("misbehave=") + misbehave);
        const int before = server->requestCount(QStringLiteral("api/poll"));
        QTRY_VERIFY_WITH_TIMEOUT(server->requestCount(QStringLiteral("api/poll")) >= before + 3,
                                 4000);
        QVERIFY(model->connected());
        QCOMPARE(model->status(), connectedText());
        QCOMPARE(model->remainingMs(), std::optional<double>(30000));
    }

    void interruptionAndRecovery() {
        server->close();
        QElapsedTimer sinceStop;
        sinceStop.start();
        QTRY_COMPARE_WITH_TIMEOUT(model->status(),
                                  QStringLiteral("Verbindung zu 127.0.0.1 unterbrochen …"), 4000);
        QVERIFY(!model->connected());
        QVERIFY(!model->remainingMs());
        // Refused connections fail at once: three polls half a second apart.
        QVERIFY2(sinceStop.elapsed() < 3000, qPrintable(QString::number(sinceStop.elapsed())));

        QVERIFY(server->listen(QHostAddress::LocalHost, port));
        QTRY_COMPARE_WITH_TIMEOUT(model->status(), connectedText(), 3000);
        QVERIFY(model->connected());
    }
};

ORVL_TEST_MAIN(OntimeIntegrationTest)
#include "tst_OntimeIntegration.moc"
