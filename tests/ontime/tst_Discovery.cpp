// The scan's address plan, report and ordering, the probes, and the scan's batching and queueing.
#include "FakeOntimeServer.h"
#include "ontime/Discovery.h"
#include "support/ScriptedTransport.h"
#include "support/TestSupport.h"

namespace {

quint32 ip(const char* dotted) {
    const QStringList parts = QString::fromLatin1(dotted).split(QLatin1Char('.'));
    return (parts[0].toUInt() << 24) | (parts[1].toUInt() << 16) | (parts[2].toUInt() << 8) |
           parts[3].toUInt();
}

quint32 prefix(int bits) {
    return bits == 0 ? 0 : ~quint32(0) << (32 - bits);
}

HttpResult httpAnswer(int status, const QByteArray& body) {
    return ScriptedTransport::response(status, body);
}

// Probes 127.0.0.1:`port` over real HTTP and waits for the outcome.
std::optional<OntimeServer> probeLoopback(quint16 port, bool scanning = false) {
    NetworkHttpTransport transport;
    bool called = false;
    std::optional<OntimeServer> result;
    const Operation probe = Discovery::probe(QStringLiteral("127.0.0.1"), port,
                                             scanning ? Discovery::scanSession(transport)
                                                      : Discovery::session(transport),
                                             [&](std::optional<OntimeServer> found) {
                                                 called = true;
                                                 result = found;
                                             });
    if (!QTest::qWaitFor([&] { return called; }, 5000))
        qFatal("the probe of port %d never finished", port);
    return result;
}

} // namespace

class DiscoveryTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(TestSupport::useGerman()); }

    void acceptedInterfaces_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<quint32>("address");
        QTest::addColumn<bool>("up");
        QTest::addColumn<bool>("loopback");
        QTest::addColumn<bool>("accepted");

        QTest::newRow("ethernet en") << "en0" << ip("192.168.1.23") << true << false << true;
        QTest::newRow("ethernet eth") << "eth0" << ip("10.0.0.5") << true << false << true;
        QTest::newRow("predictable name") << "enp3s0" << ip("10.0.0.5") << true << false << true;
        QTest::newRow("wifi") << "wlp2s0" << ip("10.0.0.5") << true << false << true;
        QTest::newRow("bridge") << "bridge0" << ip("10.0.0.5") << true << false << true;
        QTest::newRow("down") << "eth0" << ip("10.0.0.5") << false << false << false;
        QTest::newRow("loopback flag") << "eth0" << ip("10.0.0.5") << true << true << false;
        QTest::newRow("lo") << "lo" << ip("127.0.0.1") << true << true << false;
        QTest::newRow("link-local") << "eth0" << ip("169.254.10.3") << true << false << false;
        QTest::newRow("docker") << "docker0" << ip("172.17.0.1") << true << false << false;
        QTest::newRow("container link") << "veth12ab" << ip("172.17.0.1") << true << false << false;
        QTest::newRow("vm bridge") << "virbr0" << ip("192.168.122.1") << true << false << false;
        QTest::newRow("vpn tunnel") << "tun0" << ip("10.8.0.2") << true << false << false;
        QTest::newRow("macOS tunnel") << "utun3" << ip("10.8.0.2") << true << false << false;
        QTest::newRow("docker network bridge")
            << "br-1a2b" << ip("172.18.0.1") << true << false << false;
    }

    void acceptedInterfaces() {
        QFETCH(QString, name);
        QFETCH(quint32, address);
        QFETCH(bool, up);
        QFETCH(bool, loopback);
        QTEST(Discovery::acceptsInterface(name, address, up, loopback), "accepted");
    }

    void plan_data() {
        QTest::addColumn<QList<Discovery::Interface>>("interfaces");
        QTest::addColumn<int>("total");
        QTest::addColumn<QStringList>("head");
        QTest::addColumn<QString>("last");
        QTest::addColumn<QStringList>("lines");

        QTest::newRow("no network: this machine only")
            << QList<Discovery::Interface>{} << 1 << QStringList{"127.0.0.1"} << "127.0.0.1"
            << QStringList{"Kein Netzwerk gefunden – nur dieser Rechner wird geprüft"};
        QTest::newRow("/24 without own address")
            << QList<Discovery::Interface>{{"en0", ip("192.168.1.23"), prefix(24)}} << 254
            << QStringList{"127.0.0.1", "192.168.1.1", "192.168.1.2"} << "192.168.1.254"
            << QStringList{"en0 192.168.1.23: 192.168.1.1 – 192.168.1.254"};
        QTest::newRow("/16 cut to its /20, own /24 first")
            << QList<Discovery::Interface>{{"eth0", ip("10.1.2.3"), prefix(16)}} << 4094
            << QStringList{"127.0.0.1", "10.1.2.0", "10.1.2.1", "10.1.2.2", "10.1.2.4"}
            << "10.1.15.254" << QStringList{"eth0 10.1.2.3: 10.1.0.1 – 10.1.15.254"};
        QTest::newRow("/32 adds nothing")
            << QList<Discovery::Interface>{{"eth0", ip("10.9.9.9"), prefix(32)}} << 1
            << QStringList{"127.0.0.1"} << "127.0.0.1" << QStringList{};
        QTest::newRow("/31 adds nothing")
            << QList<Discovery::Interface>{{"eth0", ip("10.9.9.8"), prefix(31)}} << 1
            << QStringList{"127.0.0.1"} << "127.0.0.1" << QStringList{};
        QTest::newRow("/30: two neighbours at most")
            << QList<Discovery::Interface>{{"wlan0", ip("10.9.9.5"), prefix(30)}} << 2
            << QStringList{"127.0.0.1", "10.9.9.6"} << "10.9.9.6"
            << QStringList{"wlan0 10.9.9.5: 10.9.9.5 – 10.9.9.6"};
        QTest::newRow("two interfaces, in system order")
            << QList<Discovery::Interface>{{"eth0", ip("10.0.0.5"), prefix(29)},
                                           {"wlan0", ip("10.0.1.2"), prefix(30)}}
            << 7 << QStringList{"127.0.0.1", "10.0.0.1", "10.0.0.2", "10.0.0.3",
                                "10.0.0.4",  "10.0.0.6", "10.0.1.1"}
            << "10.0.1.1"
            << QStringList{"eth0 10.0.0.5: 10.0.0.1 – 10.0.0.6",
                           "wlan0 10.0.1.2: 10.0.1.1 – 10.0.1.2"};
    }

    void plan() {
        QFETCH(QList<Discovery::Interface>, interfaces);
        QFETCH(int, total);
        QFETCH(QStringList, head);

        const Discovery::ScanPlan plan = Discovery::plan(interfaces);
        QCOMPARE(plan.addresses.size(), total);
        QCOMPARE(plan.addresses.mid(0, head.size()), head);
        QTEST(plan.addresses.last(), "last");
        QTEST(plan.reportLines, "lines");
        QCOMPARE(QSet<QString>(plan.addresses.begin(), plan.addresses.end()).size(), total);
    }

    void planStaysInsideTheBlock() {
        const Discovery::Interface interface { "eth0", ip("10.1.2.3"), prefix(8) };
        const Discovery::ScanPlan plan = Discovery::plan({interface});
        for (const QString& address : plan.addresses.mid(1)) {
            const quint32 value = ip(address.toLatin1());
            QCOMPARE(value & 0xFFFFF000u, ip("10.1.0.0"));
            QVERIFY(value != interface.ip);
        }
        // The own /24 comes first (inside a /20 its .0 and .255 are hosts too), then the rest.
        QCOMPARE(plan.addresses[255], QStringLiteral("10.1.2.255"));
        QCOMPARE(plan.addresses[256], QStringLiteral("10.1.0.1"));
    }

    void sortsNumerically() {
        QList<OntimeServer> servers;
        for (int last = 11; last >= 2; --last)
            servers.append({QStringLiteral("10.0.0.%1").arg(last), 4001, OntimeAPI::v3, "4"});
        servers.append({QStringLiteral("10.0.0.2"), 4001, OntimeAPI::v1, "1.x"});
        Discovery::sortByHost(servers);
        QCOMPARE(servers.first().host, QStringLiteral("10.0.0.2"));
        QCOMPARE(servers.first().api, OntimeAPI::v3); // stable for equal hosts
        QCOMPARE(servers[1].api, OntimeAPI::v1);
        QCOMPARE(servers[2].host, QStringLiteral("10.0.0.3"));
        QCOMPARE(servers.last().host, QStringLiteral("10.0.0.11"));
    }

    void stagetimerPage_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("says");

        QTest::newRow("any case") << QByteArray("<title>STAGETIMER</title>") << true;
        QTest::newRow("json") << QByteArray(R"({"message":"Stagetimer API"})") << true;
        QTest::newRow("other page") << QByteArray("<title>Router</title>") << false;
        QTest::newRow("mention after 400 bytes")
            << QByteArray(400, ' ') + QByteArray("stagetimer") << false;
        QTest::newRow("mention before an invalid byte beyond 400")
            << QByteArray("stagetimer") + QByteArray(390, ' ') + QByteArray("\xff") << true;
        QTest::newRow("invalid UTF-8") << QByteArray("stagetimer \xc0\xaf") << false;
        QTest::newRow("400th byte cuts a character")
            << QByteArray("stagetimer") + QByteArray(389, ' ') + QByteArray("\xc3\xa9") << false;
        QTest::newRow("character ends at byte 400")
            << QByteArray("stagetimer") + QByteArray(388, ' ') + QByteArray("\xc3\xa9") << true;
    }

    void stagetimerPage() {
        QFETCH(QByteArray, body);
        QTEST(Discovery::mentionsStagetimer(body), "says");
    }

    // The probe's decisions, request by request.
    void probeSteps_data() {
        QTest::addColumn<QList<HttpResult>>("answers");
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<QString>("label");

        const HttpResult refused = ScriptedTransport::failure();
        QTest::newRow("closed port: one request")
            << QList<HttpResult>{refused} << QStringList{"/api/version"} << "";
        QTest::newRow("current server")
            << QList<HttpResult>{httpAnswer(202, R"({"payload":"4.11.0"})")}
            << QStringList{"/api/version"} << "10.0.0.7:4001 – Ontime 4.11.0";
        QTest::newRow("404 twice: nothing after two requests")
            << QList<HttpResult>{httpAnswer(404, "no"), httpAnswer(404, "no")}
            << QStringList{"/api/version", "/ontime/info"} << "";
        QTest::newRow("non-JSON 200 goes on to the legacy path")
            << QList<HttpResult>{httpAnswer(200, "<html/>"), httpAnswer(200, R"({"serverPort":1})")}
            << QStringList{"/api/version", "/ontime/info"} << "10.0.0.7:4001 – Ontime 1.x";
        QTest::newRow("payload as number falls back")
            << QList<HttpResult>{httpAnswer(202, R"({"payload":4})"), httpAnswer(404, "")}
            << QStringList{"/api/version", "/ontime/info"} << "";
        QTest::newRow("legacy info on an error status counts not")
            << QList<HttpResult>{httpAnswer(404, ""), httpAnswer(500, R"({"serverPort":4001})")}
            << QStringList{"/api/version", "/ontime/info"} << "";
    }

    void probeSteps() {
        QFETCH(QList<HttpResult>, answers);

        ScriptedTransport transport;
        std::optional<std::optional<OntimeServer>> outcome;
        const Operation probe =
            Discovery::probe(QStringLiteral("10.0.0.7"), 4001, Discovery::session(transport),
                             [&](std::optional<OntimeServer> server) { outcome = server; });
        for (const HttpResult& answer : answers)
            QVERIFY(transport.answer(answer));
        QVERIFY(outcome);
        QTEST(*outcome ? (*outcome)->label() : QString(), "label");
        QStringList sent;
        for (const HttpRequest& request : transport.requests)
            sent.append(request.url.path());
        QTEST(sent, "paths");
        QCOMPARE(transport.requests.front().timeoutMs, 1500);
    }

    void invalidHostSendsNothing() {
        ScriptedTransport transport;
        bool called = false;
        std::optional<OntimeServer> result;
        const Operation probe =
            Discovery::probe(QStringLiteral("10.0.0.7 "), 4001, Discovery::session(transport),
                             [&](std::optional<OntimeServer> server) {
                                 called = true;
                                 result = server;
                             });
        QVERIFY(!called); // never inside the call
        QVERIFY(QTest::qWaitFor([&] { return called; }, 5000));
        QVERIFY(!result);
        QVERIFY(transport.requests.empty());
    }

    void cancelledProbeNeverAnswers() {
        ScriptedTransport transport;
        bool called = false;
        Operation probe =
            Discovery::probe(QStringLiteral("10.0.0.7"), 4001, Discovery::session(transport),
                             [&](std::optional<OntimeServer>) { called = true; });
        probe->cancel();
        QCOMPARE(transport.openCount(), 0);
        QVERIFY(!transport.answerHttp(202, R"({"payload":"4"})"));
        QVERIFY(!called);
    }

    void stagetimerProbe_data() {
        QTest::addColumn<QList<HttpResult>>("answers");
        QTest::addColumn<int>("requests");
        QTest::addColumn<int>("found"); // 0 none, 1 old app, 2 current app

        const HttpResult refused = ScriptedTransport::failure();
        QTest::newRow("v1 answers") << QList<HttpResult>{httpAnswer(200, "Stagetimer")} << 1 << 2;
        QTest::newRow("404 mentioning it counts")
            << QList<HttpResult>{httpAnswer(404, "stagetimer: no route")} << 1 << 2;
        QTest::newRow("only v0") << QList<HttpResult>{httpAnswer(404, "Cannot GET"),
                                                      httpAnswer(200, "stageTimer v0")}
                                 << 2 << 1;
        QTest::newRow("neither") << QList<HttpResult>{httpAnswer(200, "x"), httpAnswer(200, "y")}
                                 << 2 << 0;
        QTest::newRow("refused: v0 is still asked")
            << QList<HttpResult>{refused, refused} << 2 << 0;
    }

    void stagetimerProbe() {
        QFETCH(QList<HttpResult>, answers);
        QFETCH(int, found);

        ScriptedTransport transport;
        std::optional<std::optional<StagetimerDesktop>> outcome;
        const Operation probe = Discovery::probeStagetimer(
            QStringLiteral("10.0.0.8"), 3000, Discovery::scanSession(transport),
            [&](std::optional<StagetimerDesktop> app) { outcome = app; });
        for (const HttpResult& answer : answers)
            QVERIFY(transport.answer(answer));
        QVERIFY(outcome);
        QTEST(int(transport.requests.size()), "requests");
        QCOMPARE(transport.requests.front().url.toString(),
                 QStringLiteral("http://10.0.0.8:3000/api/v1/"));
        QCOMPARE(transport.requests.front().timeoutMs, 800);
        QCOMPARE(transport.requests.front().maxBodyBytes, 400);
        const int kind = !*outcome ? 0 : (*outcome)->apiV1 ? 2 : 1;
        QCOMPARE(kind, found);
        if (*outcome)
            QCOMPARE(**outcome, (StagetimerDesktop{QStringLiteral("10.0.0.8"), 3000, found == 2}));
    }

    // Against the fake server over real HTTP on loopback.
    void probeFakeServer_data() {
        QTest::addColumn<int>("generation"); // -1: nothing listens on the port
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("versionRequests");
        QTest::addColumn<int>("infoRequests");

        QTest::newRow("current") << 3 << "127.0.0.1:%1 – Ontime 4.11.0" << 1 << 0;
        QTest::newRow("legacy keeps the probed port") << 1 << "127.0.0.1:%1 – Ontime 1.x" << 1 << 1;
        QTest::newRow("web server that is not Ontime") << 0 << "" << 1 << 1;
        QTest::newRow("closed port") << -1 << "" << 0 << 0;
    }

    void probeFakeServer() {
        QFETCH(int, generation);
        QFETCH(QString, label);
        FakeOntimeServer::Options options;
        options.generation = std::max(generation, 0);
        options.legacyServerPort = 9999;
        FakeOntimeServer server(options);
        QVERIFY(server.listen(QHostAddress::LocalHost, 0));
        const quint16 port = server.port();
        if (generation < 0)
            server.close();
        const std::optional<OntimeServer> result = probeLoopback(port);
        QCOMPARE(result ? result->label() : QString(), label.isEmpty() ? label : label.arg(port));
        QTEST(server.requestCount(QStringLiteral("api/version")), "versionRequests");
        QTEST(server.requestCount(QStringLiteral("ontime/info")), "infoRequests");
    }

    // A peer that drips bytes forever is cut off by the request's deadline.
    void probeGivesUpOnADrippingPeer() {
        FakeOntimeServer server({});
        QVERIFY(server.listen(QHostAddress::LocalHost, 0));
        server.setState(QUrlQuery(QStringLiteral("misbehave=drip")));
        QVERIFY(!probeLoopback(server.port(), true));
    }

    // A redirect to another address (here another port) is not followed.
    void probeIgnoresRedirectsElsewhere() {
        FakeOntimeServer elsewhere({});
        QVERIFY(elsewhere.listen(QHostAddress::LocalHost, 0));
        FakeOntimeServer redirecting({});
        QVERIFY(redirecting.listen(QHostAddress::LocalHost, 0));
        QUrlQuery state;
        state.addQueryItem(QStringLiteral("misbehave"), QStringLiteral("redirect"));
        state.addQueryItem(QStringLiteral("location"),
                           QStringLiteral("http://127.0.0.1:%1/api/version").arg(elsewhere.port()));
        redirecting.setState(state);
        QVERIFY(!probeLoopback(redirecting.port()));
        QCOMPARE(elsewhere.requestCount(QStringLiteral("api/version")), 0);
    }

    void scanBatchesAndQueues() {
        ScriptedTransport transport;
        QList<int> progressCalls;
        std::optional<Discovery::ScanResult> result;
        // 127.0.0.1 plus a /24 without the own address: 254 addresses, two batches.
        const Operation scan = Discovery::scan(
            4001, 3000,
            [&](int done, int total, const QList<OntimeServer>&) {
                QCOMPARE(total, 254);
                progressCalls.append(done);
            },
            [&](Discovery::ScanResult scanned) { result = scanned; }, transport,
            {{"eth0", ip("10.0.0.5"), prefix(24)}});

        QCOMPARE(progressCalls, QList<int>{0});
        // One request per host at a time: the Ontime probe first, the app probe waits.
        QCOMPARE(transport.openCount(), 128);
        QSet<QString> hosts;
        for (const HttpRequest& request : transport.requests) {
            hosts.insert(request.url.host());
            QCOMPARE(request.url.port(), 4001);
        }
        QCOMPARE(hosts.size(), 128);
        QVERIFY(hosts.contains(QStringLiteral("127.0.0.1")));

        // Ontime on 10.0.0.9, an app on 10.0.0.10; everything else refuses.
        transport.answerAll([](const HttpRequest& request) {
            const QString host = request.url.host();
            if (host == QLatin1String("10.0.0.9") && request.url.path() == "/api/version")
                return httpAnswer(202, R"({"payload":"4.11.0"})");
            if (host == QLatin1String("10.0.0.10") && request.url.port() == 3000)
                return httpAnswer(200, "Stagetimer");
            return ScriptedTransport::failure();
        });
        QVERIFY(QTest::qWaitFor([&] { return result.has_value(); }, 5000));
        QCOMPARE(progressCalls, (QList<int>{0, 128}));

        QCOMPARE(result->servers.size(), 1);
        QCOMPARE(result->servers.first().host, QStringLiteral("10.0.0.9"));
        QCOMPARE(result->stagetimers,
                 (QList<StagetimerDesktop>{{QStringLiteral("10.0.0.10"), 3000, true}}));
        QVERIFY(result->info.endsWith(
            QStringLiteral("254 Adressen geprüft, 1 Ontime gefunden, 1 Stagetimer gefunden")));
        // Ontime probe: one request; app probe: two (v1, v0); 10.0.0.10 answered v1 at once.
        QCOMPARE(int(transport.requests.size()), 254 * 3 - 1);
    }

    void cancelledScanStopsEverything() {
        ScriptedTransport transport;
        int progressCalls = 0;
        bool finished = false;
        Operation scan = Discovery::scan(
            4001, 3000, [&](int, int, const QList<OntimeServer>&) { ++progressCalls; },
            [&](Discovery::ScanResult) { finished = true; }, transport,
            {{"eth0", ip("10.0.0.5"), prefix(24)}});
        QVERIFY(transport.openCount() > 0);
        scan->cancel();
        QCOMPARE(transport.openCount(), 0);
        QVERIFY(!transport.answerHttp(202, "{}"));
        QTest::qWait(20);
        QCOMPARE(progressCalls, 1);
        QVERIFY(!finished);
        QCOMPARE(int(transport.requests.size()), 128);
    }
};

ORVL_TEST_MAIN(DiscoveryTest)
#include "tst_Discovery.moc"
