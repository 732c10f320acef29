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

    // The countdown runs on between polls: within half a second of the server's, all along.
    void followsTheCountdown() {
        setState(QStringLiteral("playback=play&current=60000&title=Keynote"));
        QElapsedTimer sinceSet;
        sinceSet.start();
        QTRY_COMPARE_WITH_TIMEOUT(model->playback(), QStringLiteral("play"), 2000);
        QCOMPARE(model->eventTitle(), QStringLiteral("Keynote"));
        for (int sample = 0; sample < 6; ++sample) {
            QTest::qWait(250);
            const auto remaining = model->remainingMs();
            QVERIFY(remaining);
            const double expected = 60000 - double(sinceSet.elapsed());
            QVERIFY2(std::abs(*remaining - expected) < 500,
                     qPrintable(QStringLiteral("%1 vs %2").arg(*remaining).arg(expected)));
        }
    }

    void pauseOvertimeAndMessages() {
        setState(QStringLiteral("playback=pause&current=42000"));
        QTRY_COMPARE_WITH_TIMEOUT(model->playback(), QStringLiteral("pause"), 2000);
        QCOMPARE(model->remainingMs(), std::optional<double>(42000));

        setState(QStringLiteral("playback=play&current=-2000"));
        QTRY_VERIFY_WITH_TIMEOUT(model->remainingMs() && *model->remainingMs() < -2000, 2000);
        QCOMPARE(OntimeModel::format(*model->remainingMs()).left(4), QStringLiteral("-00:"));

        setState(QStringLiteral("message=Wrap up&blink=1&secondary=Q%26A next&source=secondary"));
        QTRY_COMPARE_WITH_TIMEOUT(model->timerMessage(), QStringLiteral("Wrap up"), 2000);
        QVERIFY(model->timerMessageBlinks());
        QCOMPARE(model->secondaryMessage(), QStringLiteral("Q&A next"));
    }

    // Error pages, garbage and bodies cut at the limit are no polls: the link shows broken, and
    // recovers once the server answers properly again.
    void misbehavingAnswersBreakTheConnection_data() {
        QTest::addColumn<QString>("misbehave");
        QTest::newRow("an error page") << "500";
        QTest::newRow("garbage") << "garbage";
        QTest::newRow("an endless body") << "endless";
    }

    void misbehavingAnswersBreakTheConnection() {
        QFETCH(QString, misbehave);
        setState(QStringLiteral("playback=play&current=30000"));
        QTRY_COMPARE_WITH_TIMEOUT(model->playback(), QStringLiteral("play"), 2000);
        setState(QStringLiteral("misbehave=") + misbehave);
        QTRY_COMPARE_WITH_TIMEOUT(model->status(),
                                  QStringLiteral("Verbindung zu 127.0.0.1 unterbrochen …"), 6000);
        QVERIFY(!model->connected());
        QVERIFY(!model->remainingMs());
        setState(QStringLiteral("misbehave="));
        QTRY_VERIFY_WITH_TIMEOUT(model->connected(), 6000);
    }

    void interruptionAndRecovery() {
        server->close();
        QTRY_COMPARE_WITH_TIMEOUT(model->status(),
                                  QStringLiteral("Verbindung zu 127.0.0.1 unterbrochen …"), 4000);
        QVERIFY(!model->connected());
        QVERIFY(!model->remainingMs());

        QVERIFY(server->listen(QHostAddress::LocalHost, port));
        QTRY_COMPARE_WITH_TIMEOUT(model->status(), connectedText(), 3000);
        QVERIFY(model->connected());
    }
};

ORVL_TEST_MAIN(OntimeIntegrationTest)
#include "tst_OntimeIntegration.moc"
