// The production transport against a hostile server on loopback: a body without end, a redirect
// loop and a compressed bomb each end as a bounded, well-defined result.
#include "net/Http.h"
#include "support/TestSupport.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

class HttpLimitsTest : public QObject {
    Q_OBJECT

    // What the server reports per request it served.
    struct Served {
        QString path;
        QString accept;
        qint64 sent = 0;
    };

    QProcess server;
    QList<Served> served;
    quint16 port = 0;

    void startServer(const QString& scenario) {
        server.start(QStringLiteral("python3"),
                     {QStringLiteral(HOSTILE_SERVER), "--scenario", scenario, "--lifetime", "60",
                      "--connections", "20"});
        QVERIFY(server.waitForStarted());
        QVERIFY(QTest::qWaitFor([&] { return server.canReadLine(); }, 30000));
        const QString line = QString::fromUtf8(server.readLine()).trimmed();
        QVERIFY2(line.startsWith(QLatin1String("listening ")), qPrintable(line));
        port = quint16(line.section(QLatin1Char(' '), 1).toUInt());
    }

    void readServed() {
        while (server.canReadLine()) {
            const QJsonObject record = QJsonDocument::fromJson(server.readLine()).object();
            served.append({record.value("path").toString(), record.value("accept").toString(),
                           qint64(record.value("sent").toDouble())});
        }
    }

private slots:
    void cleanup() {
        server.kill();
        server.waitForFinished();
        served.clear();
    }

    void hostileAnswersEndBounded_data() {
        QTest::addColumn<QString>("scenario");
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("tooLarge");
        QTest::addColumn<int>("requests");
        // The body limit is 1 MiB; what the kernel's socket buffers hold on top is a few MiB.
        QTest::newRow("endless chunked body: the connection is closed at the limit")
            << "endless" << int(HttpResult::Kind::Response) << true << 1;
        QTest::newRow("redirect loop: two redirects, then a failure")
            << "redirect" << int(HttpResult::Kind::TransportFailure) << false << 3;
        QTest::newRow("gzip bomb: asked for identity and left compressed")
            << "gzip" << int(HttpResult::Kind::Response) << false << 1;
    }

    void hostileAnswersEndBounded() {
        QFETCH(QString, scenario);
        QFETCH(int, kind);
        QFETCH(bool, tooLarge);
        QFETCH(int, requests);
        startServer(scenario);

        NetworkHttpTransport transport;
        HttpRequest request;
        request.url = QUrl(QStringLiteral("http://127.0.0.1:%1/api/poll").arg(port));
        request.maxBodyBytes = 1 << 20;
        std::optional<HttpResult> result;
        const auto call = transport.get(request, [&](const HttpResult& done) { result = done; });
        QVERIFY(QTest::qWaitFor([&] { return result.has_value(); }, 60000));
        QCOMPARE(int(result->kind), kind);
        QCOMPARE(result->bodyTooLarge, tooLarge);
        QVERIFY(result->body.size() <= request.maxBodyBytes);

        // The server logs a request once its connection has ended.
        QVERIFY(QTest::qWaitFor(
            [&] {
                readServed();
                return served.size() >= requests;
            },
            60000));
        QTest::qWait(200);
        readServed();
        QCOMPARE(served.size(), requests);
        for (const Served& one : served) {
            QCOMPARE(one.accept, QStringLiteral("identity"));
            QVERIFY2(one.sent < 16 << 20, qPrintable(QString::number(one.sent)));
        }
    }
};

ORVL_TEST_MAIN(HttpLimitsTest)
#include "tst_httplimits.moc"
