// Base addresses, request addresses and headers of the Stagetimer requests.
#include "stagetimer/StagetimerApi.h"
#include "support/TestSupport.h"

#include <QSslConfiguration>
#include <QSslSocket>

class TestStagetimerApi : public QObject {
    Q_OBJECT

private slots:
    void candidates_data() {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QStringList>("bases");

        QTest::newRow("empty is the cloud") << "" << QStringList{"https://api.stagetimer.io/v1"};
        QTest::newRow("desktop app IP:Port tries /api/v1 first and itself last")
            << "192.168.1.20:3000"
            << QStringList{"http://192.168.1.20:3000/api/v1", "http://192.168.1.20:3000/v1",
                           "http://192.168.1.20:3000"};
        QTest::newRow("host name") << "studio.local"
                                   << QStringList{"http://studio.local/api/v1",
                                                  "http://studio.local/v1", "http://studio.local"};
        QTest::newRow("bare form keeps a trailing slash")
            << "10.0.0.5:3000/"
            << QStringList{"http://10.0.0.5:3000//api/v1", "http://10.0.0.5:3000//v1",
                           "http://10.0.0.5:3000/"};
        QTest::newRow("full URL is tried unchanged first")
            << "http://10.0.0.5:3000"
            << QStringList{"http://10.0.0.5:3000", "http://10.0.0.5:3000/api/v1",
                           "http://10.0.0.5:3000/v1"};
        QTest::newRow("full URL loses one trailing slash")
            << "https://timer.example/"
            << QStringList{"https://timer.example", "https://timer.example/api/v1",
                           "https://timer.example/v1"};
        QTest::newRow("full URL with two slashes loses only one")
            << "https://timer.example//"
            << QStringList{"https://timer.example/", "https://timer.example//api/v1",
                           "https://timer.example//v1"};
        QTest::newRow("capital scheme counts as a bare address")
            << "HTTP://10.0.0.5:3000"
            << QStringList{"http://HTTP://10.0.0.5:3000/api/v1", "http://HTTP://10.0.0.5:3000/v1",
                           "http://HTTP://10.0.0.5:3000"};
    }
    void candidates() {
        QFETCH(QString, server);
        QTEST(StagetimerApi::candidates(server), "bases");
    }

    // What goes on the wire: the URL as the transport encodes it.
    void requestAddress_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<QString>("room");
        QTest::addColumn<QString>("extra");

        const QByteArray base = "http://127.0.0.1:3000/api/v1/";
        QTest::newRow("status") << "get_status" << base + "get_status?room_id=ROOM1234"
                                << "ROOM1234" << QString();
        QTest::newRow("ampersand and equals in a room ID stay unencoded")
            << "get_status" << base + "get_status?room_id=a&b=c"
            << "a&b=c" << QString();
        QTest::newRow("spaces and umlauts are encoded")
            << "get_status" << base + "get_status?room_id=B%C3%BChne%201"
            << "Bühne 1" << QString();
        QTest::newRow("query characters stay")
            << "get_status" << base + "get_status?room_id=a-._~!$'()*+,;:@/?z"
            << "a-._~!$'()*+,;:@/?z" << QString();
        QTest::newRow("hash, percent, quote and brackets are encoded")
            << "get_status" << base + "get_status?room_id=%23%25%22%5B%5D"
            << "#%\"[]" << QString();
        QTest::newRow("timer ID appended as received")
            << "get_timer" << base + "get_timer?room_id=R&timer_id=6f1c/0a+2e"
            << "R" << QString("&timer_id=6f1c/0a+2e");
        QTest::newRow("empty room")
            << "get_all_messages" << base + "get_all_messages?room_id=" << QString() << QString();
    }
    void requestAddress() {
        QFETCH(QString, path);
        QFETCH(QString, room);
        QFETCH(QString, extra);
        StagetimerApi::RequestProblem problem;
        const auto request = StagetimerApi::request(
            StagetimerApi::address("http://127.0.0.1:3000/api/v1", path, room, extra), "K",
            &problem);
        QVERIFY(request);
        QTEST(request->url.toEncoded(), "wire");
    }

    void header_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QByteArray>("value");
        QTest::newRow("key") << "abc123" << QByteArray("Bearer abc123");
        QTest::newRow("empty key keeps the space") << "" << QByteArray("Bearer ");
    }
    void header() {
        QFETCH(QString, key);
        QFETCH(QByteArray, value);
        StagetimerApi::RequestProblem problem;
        const auto request = StagetimerApi::request(
            StagetimerApi::cloudBase + "/get_status?room_id=R", key, &problem);
        QVERIFY(request);
        using Header = QPair<QByteArray, QByteArray>;
        QCOMPARE(request->headers, QList<Header>{Header("Authorization", value)});
        QCOMPARE(request->timeoutMs, 4000);
    }

    void refusedRequest_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("problem");
        using Problem = StagetimerApi::RequestProblem;
        QTest::newRow("space in the host") << "http://stage pc:3000/get_status?room_id=R"
                                           << QString("K") << int(Problem::InvalidAddress);
        QTest::newRow("no host") << "http:///get_status?room_id=R" << QString("K")
                                 << int(Problem::InvalidAddress);
        QTest::newRow("line break in the key cannot add a header")
            << "http://h/get_status?room_id=R" << QString("K\r\nX-Evil: 1")
            << int(Problem::InvalidKey);
    }
    void refusedRequest() {
        QFETCH(QString, address);
        QFETCH(QString, key);
        StagetimerApi::RequestProblem found;
        QVERIFY(!StagetimerApi::request(address, key, &found));
        QTEST(int(found), "problem");
    }

    // The cloud base is HTTPS: without a TLS back end and the system's certificates every cloud
    // request would fail. Nothing is contacted here.
    void tlsIsAvailable() {
        QVERIFY2(QSslSocket::supportsSsl(), "install libssl3");
        QVERIFY2(!QSslConfiguration::systemCaCertificates().isEmpty(), "install ca-certificates");
    }
};

ORVL_TEST_MAIN(TestStagetimerApi)
#include "tst_stagetimerapi.moc"
