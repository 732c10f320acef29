// The real Stagetimer model, transport and clock against the fake desktop app in its own process.
#include "base/L10n.h"
#include "stagetimer/StagetimerModel.h"
#include "support/TestSupport.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>

class TestStagetimerLink : public QObject {
    Q_OBJECT

    QProcess fake;
    quint16 port = 0;
    QNetworkAccessManager control;

    void startFake(quint16 wanted) {
        fake.start(QStringLiteral(FAKE_STAGETIMER),
                   {"--host", "127.0.0.1", "--port", QString::number(wanted), "--room", "Bühne 1",
                    "--key", "KEY"});
        QVERIFY(fake.waitForStarted());
        QVERIFY(QTest::qWaitFor([&] { return fake.canReadLine(); }, 5000));
        const QString line = QString::fromUtf8(fake.readLine()).trimmed();
        QVERIFY2(line.startsWith(QLatin1String("listening 127.0.0.1:")), qPrintable(line));
        port = quint16(line.section(QLatin1Char(':'), -1).toUInt());
    }

    void command(const QString& pathAndQuery) {
        QNetworkReply* reply = control.get(QNetworkRequest(
            QUrl(QStringLiteral("http://127.0.0.1:%1/control/").arg(port) + pathAndQuery)));
        QVERIFY(QTest::qWaitFor([&] { return reply->isFinished(); }, 5000));
        QCOMPARE(reply->readAll(), QByteArray("ok"));
        reply->deleteLater();
    }

    static bool near(std::optional<double> value, double expected, double slack) {
        return value && std::abs(*value - expected) <= slack;
    }

private slots:
    void initTestCase() {
        QVERIFY(TestSupport::useGerman());
        Preferences::clearForTests();
    }

    void cleanupTestCase() {
        fake.kill();
        fake.waitForFinished();
    }

    void followsTheRoom() {
        startFake(0);
        // The room's clock runs a minute ahead; the countdown must not care.
        command("skew?ms=60000");
        command("timer?state=running&ms=120000&id=T42&name=Keynote");
        command("message?text=Two%20minutes%20left");

        StagetimerModel model;
        const QString address = QStringLiteral("127.0.0.1:%1").arg(port);
        model.setRoomID(QStringLiteral("Bühne 1"));
        model.setApiKey(QStringLiteral("KEY"));
        model.setServer(address);
        model.connectRoom();
        QVERIFY(QTest::qWaitFor([&] { return model.connected(); }, 5000));
        QCOMPARE(model.status(), QStringLiteral("Verbunden mit ") + address);
        QCOMPARE(model.base(), QStringLiteral("http://%1/api/v1").arg(address));
        QVERIFY2(near(model.remainingMs(), 120000, 500),
                 qPrintable(QString::number(*model.remainingMs())));

        QVERIFY(QTest::qWaitFor([&] { return !model.timerName().isEmpty(); }, 3000));
        QCOMPARE(model.timerName(), QStringLiteral("Keynote"));
        QCOMPARE(model.message(), QStringLiteral("Two minutes left"));

        const double before = *model.remainingMs();
        QTest::qWait(1000);
        QVERIFY(near(model.remainingMs(), before - 1000, 300));

        command("timer?state=paused&ms=30000");
        QVERIFY(QTest::qWaitFor([&] { return model.paused(); }, 3000));
        QCOMPARE(model.remainingMs(), 30000.0);

        // Three failed polls (refused at once) make the link report the lost server.
        fake.kill();
        QVERIFY(fake.waitForFinished());
        QVERIFY(QTest::qWaitFor([&] { return !model.connected(); }, 8000));
        QCOMPARE(model.status(), QStringLiteral("Stagetimer: Server nicht erreichbar"));
        QVERIFY(!model.remainingMs());

        startFake(port);
        QVERIFY(QTest::qWaitFor([&] { return model.connected(); }, 5000));
        QCOMPARE(model.status(), QStringLiteral("Verbunden mit ") + address);
        QVERIFY(near(model.remainingMs(), 10 * 60 * 1000, 2000));
    }
};

ORVL_TEST_MAIN(TestStagetimerLink)
#include "tst_stagetimerlink.moc"
