// The remote control on loopback with a fake host: the switch, the control desk's HTTP API and
// OSC (sent with liblo's own client), phones over WebSocket, slide pictures, and hostile clients:
// wrong, missing and old tokens, garbage, oversized and slow requests, floods of connections and
// frames, and a phone that never reads.
#include "remote/RemoteControl.h"
#include "support/ManualClock.h"
#include "support/TestSupport.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QUdpSocket>
#include <QUrlQuery>
#include <QWebSocket>
#include <lo/lo.h>

namespace {

struct Answer {
    int status = 0;
    QByteArray body;
    QByteArray type;
};

struct Command {
    RemoteCommand command;
    int slideIndex;
    bool operator==(const Command&) const = default;
};

RemoteState deck(int index, int count = 9) {
    RemoteState state;
    state.slideIndex = index;
    state.slideCount = count;
    state.presenting = true;
    state.talkTime = QStringLiteral("03:00");
    state.remainingSeconds = 180;
    state.notesHtml = QStringLiteral("<p>Folie %1</p>").arg(index + 1);
    state.currentPage = index;
    state.nextPage = index + 1 < count ? index + 1 : -1;
    state.deckGeneration = 1;
    return state;
}

// Limits that a test can run into quickly; the rate is high enough not to get in the way
// unless a test means it to.
RemoteControl::Limits quickLimits() {
    RemoteControl::Limits limits;
    limits.guard.burst = 10'000;
    limits.oscGuard.burst = 10'000;
    limits.guard.failuresBeforeBan = 1000;
    limits.listener.connections = 24;
    limits.listener.connectionsPerAddress = 8;
    limits.listener.requestMs = 300;
    limits.listener.idleMs = 300;
    limits.listener.lifetimeMs = 3000;
    limits.phones.phones = 4;
    limits.phones.backlogBytes = 256 << 10;
    return limits;
}

// A WebSocket opening handshake written by hand, for a phone that then never reads.
QByteArray handshake(quint16 port, const QByteArray& token) {
    return "GET /phone?token=" + token +
           " HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(port) +
           "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
           "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n";
}

bool closedByServer(QTcpSocket& socket) {
    return socket.state() == QAbstractSocket::UnconnectedState || socket.waitForDisconnected(0);
}

} // namespace

class TestRemoteControl : public QObject {
    Q_OBJECT

    std::shared_ptr<ManualClock> clock;
    std::unique_ptr<RemoteControl> remote;
    QList<Command> commands;
    QNetworkAccessManager network;
    QList<std::pair<qint64, QSize>> pictures;

    RemoteSettings loopback() {
        RemoteSettings settings;
        settings.enabled = true;
        settings.interfaceName = QStringLiteral("lo");
        settings.httpPort = 0;
        settings.oscPort = 0;
        return settings;
    }

    QByteArray token() const {
        return QUrlQuery(QUrl(remote->status().address))
            .queryItemValue(QStringLiteral("token"))
            .toUtf8();
    }
    quint16 port() const { return remote->status().httpPort; }

    Answer get(const QString& pathAndQuery,
               const QList<std::pair<QByteArray, QByteArray>>& headers = {},
               const QByteArray& verb = "GET") {
        QNetworkRequest request(
            QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port()).arg(pathAndQuery)));
        for (const auto& [name, value] : headers)
            request.setRawHeader(name, value);
        QNetworkReply* reply = network.sendCustomRequest(request, verb);
        QSignalSpy finished(reply, &QNetworkReply::finished);
        if (!reply->isFinished())
            finished.wait(10'000);
        Answer answer{reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
                      reply->readAll(),
                      reply->header(QNetworkRequest::ContentTypeHeader).toByteArray()};
        reply->deleteLater();
        return answer;
    }

    QString withToken(const QString& path) const {
        return path + QStringLiteral("?token=") + QString::fromLatin1(token());
    }

    void sendOsc(const char* path, const QByteArray& token, std::optional<int> slide = {}) {
        const QByteArray port = QByteArray::number(remote->status().oscPort);
        lo_address target = lo_address_new("127.0.0.1", port.constData());
        lo_message message = lo_message_new();
        lo_message_add_string(message, token.constData());
        if (slide)
            lo_message_add_int32(message, *slide);
        QCOMPARE(lo_send_message(target, path, message) > 0, true);
        lo_message_free(message);
        lo_address_free(target);
    }

    std::unique_ptr<QWebSocket> phone(const QByteArray& token, QList<QJsonObject>* received,
                                      const QString& path = QStringLiteral("/phone")) {
        auto socket = std::make_unique<QWebSocket>();
        connect(socket.get(), &QWebSocket::textMessageReceived, this,
                [received](const QString& text) {
                    received->append(QJsonDocument::fromJson(text.toUtf8()).object());
                });
        socket->open(QUrl(QStringLiteral("ws://127.0.0.1:%1%2?token=%3")
                              .arg(port())
                              .arg(path, QString::fromLatin1(token))));
        return socket;
    }

    static QJsonObject lastOfType(const QList<QJsonObject>& messages, const QString& type) {
        for (auto it = messages.rbegin(); it != messages.rend(); ++it) {
            if (it->value(QStringLiteral("type")).toString() == type)
                return *it;
        }
        return {};
    }

private slots:
    void initTestCase() { QVERIFY(TestSupport::useGerman()); }

    void init() {
        clock = std::make_shared<ManualClock>();
        remote = std::make_unique<RemoteControl>(clock, quickLimits());
        commands.clear();
        pictures.clear();
        connect(remote.get(), &RemoteControl::commandReceived,
                [this](RemoteCommand command, int index) {
                    commands.append({command, index});
                });
        remote->setState(deck(0));
        remote->setImageProvider(
            [this](qint64 page, QSize pixels, std::function<void(QImage)> done) {
                pictures.append({page, pixels});
                QImage picture(pixels, QImage::Format_RGB32);
                picture.fill(Qt::darkCyan);
                QTimer::singleShot(0, [picture, done] { done(picture); });
            });
        remote->applySettings(loopback());
        QVERIFY(remote->status().listening);
        network.clearConnectionCache();
    }

    void cleanup() { remote.reset(); }

    void theSwitchOpensAndClosesBothPorts() {
        const RemoteStatus on = remote->status();
        QVERIFY(
            on.address.startsWith(QStringLiteral("http://127.0.0.1:%1/?token=").arg(on.httpPort)));
        QCOMPARE(token().size(), 32);
        QVERIFY(on.oscPort != 0);
        QCOMPARE(
            remote->automationState().keys(),
            (QStringList{"address", "clients", "controlling", "httpPort", "listening", "oscPort"}));

        QSignalSpy changed(remote.get(), &RemoteControl::statusChanged);
        remote->setEnabled(false);
        QCOMPARE(changed.size(), 1);
        QVERIFY(!remote->status().listening);
        QVERIFY(remote->status().address.isEmpty());
        // Closed at once: the same ports can be taken again right away.
        QTcpServer tcp;
        QVERIFY(tcp.listen(QHostAddress::LocalHost, on.httpPort));
        QUdpSocket udp;
        QVERIFY(udp.bind(QHostAddress::LocalHost, on.oscPort));
        tcp.close();
        udp.close();

        // On again: a fresh token; the old one opens nothing.
        const QByteArray oldToken = QUrlQuery(QUrl(on.address)).queryItemValue("token").toUtf8();
        remote->setEnabled(true);
        QVERIFY(remote->status().listening);
        QVERIFY(token() != oldToken);
        QCOMPARE(get(QStringLiteral("/api/v1/next?token=") + oldToken).status, 401);
        QCOMPARE(get(QStringLiteral("/?token=") + oldToken).status, 401);
        QVERIFY(commands.isEmpty());
    }

    void aTakenPortIsReported() {
        QTcpServer squatter;
        QVERIFY(squatter.listen(QHostAddress::LocalHost));
        RemoteSettings settings = loopback();
        settings.httpPort = squatter.serverPort();
        remote->applySettings(settings);
        QVERIFY(!remote->status().listening);
        QCOMPARE(remote->problem(),
                 QStringLiteral("Port %1 ist belegt").arg(squatter.serverPort()));
        settings.interfaceName = QStringLiteral("nosuch0");
        remote->applySettings(settings);
        QCOMPARE(remote->problem(),
                 QStringLiteral("Keine Netzwerkschnittstelle für die Fernbedienung"));
    }

    void controlDeskCommandsOverHttp() {
        const QByteArray bearer = "Bearer " + token();
        QCOMPARE(get(withToken("/api/v1/next")).status, 200);
        QCOMPARE(
            get(QStringLiteral("/api/v1/previous"), {{"Authorization", bearer}}, "POST").status,
            200);
        QCOMPARE(get(QStringLiteral("/api/v1/black"), {{"X-Orvello-Token", token()}}).status, 200);
        QCOMPARE(get(withToken("/api/v1/goto/9")).status, 200);
        QCOMPARE(get(withToken("/api/v1/goto/10")).status, 400); // the deck has 9
        for (const char* path : {"/api/v1/white", "/api/v1/show", "/api/v1/start", "/api/v1/stop"})
            QCOMPARE(get(withToken(QLatin1String(path))).status, 200);
        QCOMPARE(commands, (QList<Command>{{RemoteCommand::Next, -1},
                                           {RemoteCommand::Previous, -1},
                                           {RemoteCommand::Black, -1},
                                           {RemoteCommand::GoTo, 8},
                                           {RemoteCommand::White, -1},
                                           {RemoteCommand::Show, -1},
                                           {RemoteCommand::Start, -1},
                                           {RemoteCommand::Stop, -1}}));

        remote->setState(deck(4));
        const Answer state = get(withToken("/api/v1/state"));
        QCOMPARE(state.status, 200);
        QCOMPARE(state.type, QByteArray("application/json"));
        const QJsonObject json = QJsonDocument::fromJson(state.body).object();
        QCOMPARE(json.value("slide").toInt(), 5);
        QCOMPARE(json.value("count").toInt(), 9);
        QCOMPARE(json.value("blanking").toString(), QStringLiteral("none"));
        QCOMPARE(json.value("presenting").toBool(), true);
        QCOMPARE(json.value("talkTime").toString(), QStringLiteral("03:00"));
        QCOMPARE(json.value("remaining").toInt(), 180);
    }

    void theApiRefusesEverythingElse() {
        QCOMPARE(get(QStringLiteral("/api/v1/next")).status, 401);
        QCOMPARE(get(QStringLiteral("/api/v1/next?token=")).status, 401);
        QCOMPARE(
            get(QStringLiteral("/api/v1/next"), {{"Authorization", "Basic " + token()}}).status,
            401);
        QCOMPARE(get(QStringLiteral("/api/v1/state")).status, 401);
        QCOMPARE(get(QStringLiteral("/")).status, 401);
        QCOMPARE(get(QStringLiteral("/phone.js")).status, 401);
        for (const char* path : {"/api/v1/quit", "/api/v1/open", "/api/v1/settings", "/api/v1/",
                                 "/../../etc/passwd", "/api/v1/goto/0", "/index.html"})
            QCOMPARE(get(withToken(QLatin1String(path))).status, 404);
        QCOMPARE(get(withToken("/api/v1/next"), {}, "PUT").status, 405);
        QCOMPARE(get(withToken("/api/v1/next"), {}, "DELETE").status, 405);
        QVERIFY(commands.isEmpty());
    }

    void repeatedFailuresIgnoreTheAddressForAWhile() {
        RemoteControl::Limits limits = quickLimits();
        limits.guard.failuresBeforeBan = 5;
        remote = std::make_unique<RemoteControl>(clock, limits);
        connect(remote.get(), &RemoteControl::commandReceived,
                [this](RemoteCommand command, int index) {
                    commands.append({command, index});
                });
        remote->applySettings(loopback());
        for (int i = 0; i < 5; ++i)
            QCOMPARE(get(QStringLiteral("/api/v1/next?token=guess%1").arg(i)).status, 401);
        // Now even the right token is ignored: the connection is dropped unanswered.
        QCOMPARE(get(withToken("/api/v1/next")).status, 0);
        QVERIFY(commands.isEmpty());
        clock->advance(limits.guard.banMs + 1);
        QCOMPARE(get(withToken("/api/v1/next")).status, 200);
        QCOMPARE(commands.size(), 1);
    }

    void tooManyRequestsAreRefused() {
        RemoteControl::Limits limits = quickLimits();
        limits.guard.burst = 5;
        remote = std::make_unique<RemoteControl>(clock, limits);
        connect(remote.get(), &RemoteControl::commandReceived,
                [this](RemoteCommand command, int index) {
                    commands.append({command, index});
                });
        remote->setState(deck(0));
        remote->applySettings(loopback());
        int refused = 0;
        for (int i = 0; i < 12; ++i)
            refused += get(withToken("/api/v1/next")).status == 429;
        QCOMPARE(refused, 7);
        QCOMPARE(commands.size(), 5);
    }

    void garbageAndOversizedRequestsChangeNothing() {
        const QList<QByteArray> attacks{
            QByteArray(64 << 10, '\0'),                             // binary
            "GET /api/v1/next?token=" + token() + " HTTP/1.1\r\n" + // endless header
                QByteArray(1 << 20, 'a'),
            "GET /" + QByteArray(1 << 20, 'x') + " HTTP/1.1\r\n\r\n", // huge path
            "POST /api/v1/next?token=" + token() +
                " HTTP/1.1\r\nContent-Length: 100000000\r\n\r\n" +
                QByteArray(1 << 20, 'b'), // huge body
            "GET /api/v1/next?token=" + token() +
                " HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n" + "fffffff\r\n" +
                QByteArray(1 << 20, 'c'), // huge chunk
        };
        for (const QByteArray& attack : attacks) {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, port());
            QVERIFY(socket.waitForConnected());
            socket.write(attack);
            // The server reads a bounded amount and then lets the connection go.
            QTRY_VERIFY(closedByServer(socket));
        }
        QVERIFY(commands.isEmpty());
        QCOMPARE(get(withToken("/api/v1/next")).status, 200);
    }

    void aSlowSenderIsCutOff() {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, port());
        QVERIFY(socket.waitForConnected());
        const QByteArray request =
            "GET /api/v1/next?token=" + token() + " HTTP/1.1\r\nHost: x\r\n\r\n";
        // One byte at a time, slower than the request deadline allows for the whole.
        for (qsizetype sent = 0;
             sent < request.size() && socket.state() == QAbstractSocket::ConnectedState; ++sent) {
            socket.write(request.mid(sent, 1));
            socket.flush();
            QTest::qWait(20);
        }
        QTRY_VERIFY(closedByServer(socket));
        QVERIFY(commands.isEmpty());
        // A connection that only waits is closed too.
        QTcpSocket idle;
        idle.connectToHost(QHostAddress::LocalHost, port());
        QVERIFY(idle.waitForConnected());
        QTRY_VERIFY(closedByServer(idle));
    }

    void thousandsOfConnectionsStayCapped() {
        const auto limits = quickLimits().listener;
        int most = 0;
        const auto flood = [&](int count, int addresses) {
            std::vector<std::unique_ptr<QTcpSocket>> sockets;
            most = 0;
            for (int i = 0; i < count; ++i) {
                auto socket = std::make_unique<QTcpSocket>();
                socket->bind(QHostAddress(QStringLiteral("127.0.0.%1").arg(2 + i % addresses)));
                socket->connectToHost(QHostAddress::LocalHost, port());
                sockets.push_back(std::move(socket));
                if (i % 50 == 0)
                    QCoreApplication::processEvents();
                most = std::max(most, remote->connectionCount());
            }
            // Every connection over the caps is dropped as soon as it is accepted, and the
            // ones let in expire.
            QTRY_VERIFY_WITH_TIMEOUT((most = std::max(most, remote->connectionCount()),
                                      remote->connectionCount() == 0 &&
                                          std::none_of(sockets.begin(), sockets.end(),
                                                       [](const auto& socket) {
                                                           return socket->state() ==
                                                                  QAbstractSocket::ConnectedState;
                                                       })),
                                     30'000);
        };
        flood(2000, 8);
        QVERIFY(most > 0);
        QVERIFY(most <= limits.connections);
        flood(200, 1);
        QVERIFY(most > 0);
        QVERIFY(most <= limits.connectionsPerAddress);
        // The desk still gets through.
        QCOMPARE(get(withToken("/api/v1/next")).status, 200);
    }

    void commandsOverOsc() {
        sendOsc("/orvello/next", token());
        sendOsc("/orvello/goto", token(), 3);
        sendOsc("/orvello/goto", token(), 300);
        sendOsc("/orvello/quit", token());
        sendOsc("/orvello/black", "guess");
        QTRY_COMPARE(commands,
                     (QList<Command>{{RemoteCommand::Next, -1}, {RemoteCommand::GoTo, 2}}));
        // Garbage, datagrams larger than any command, and a flood of them, from another address.
        QUdpSocket udp;
        QVERIFY(udp.bind(QHostAddress(QStringLiteral("127.0.0.2"))));
        const quint16 oscPort = remote->status().oscPort;
        udp.writeDatagram(QByteArray(4000, 'x'), QHostAddress::LocalHost, oscPort);
        udp.writeDatagram("/orvello/next\0\0\0", QHostAddress::LocalHost, oscPort);
        for (int i = 0; i < 20'000; ++i)
            udp.writeDatagram(QByteArray(200, char(i)), QHostAddress::LocalHost, oscPort);
        // UDP drops what does not fit the full receive buffer, so the desk repeats until the
        // reader has caught up; it must, however long the flood was.
        for (int attempt = 0; attempt < 100 && commands.size() < 3; ++attempt) {
            sendOsc("/orvello/white", token());
            QTest::qWait(50);
        }
        QCOMPARE(commands.size(), 3);
        QCOMPARE(commands.last(), (Command{RemoteCommand::White, -1}));
    }

    void forgedOscFailuresDoNotLockOutHttp() {
        for (int i = 0; i < 20; ++i)
            sendOsc("/orvello/next", "guess");
        sendOsc("/orvello/next", token());
        QTest::qWait(100);
        QVERIFY(commands.isEmpty()); // OSC from this address is ignored for now
        QCOMPARE(get(withToken("/api/v1/next")).status, 200);
        QCOMPARE(commands.size(), 1);
    }

    void phonesWatchAndOneControls() {
        QList<QJsonObject> first, second;
        auto a = phone(token(), &first);
        QTRY_COMPARE(remote->status().clients.size(), 1);
        QTRY_VERIFY(!lastOfType(first, "control").isEmpty());
        QCOMPARE(first.first().value("type").toString(), QStringLiteral("hello"));
        QCOMPARE(first.first().value("texts").toObject().value("next").toString(),
                 QStringLiteral("Weiter ▶︎"));
        QCOMPARE(lastOfType(first, "state").value("slide").toInt(), 1);
        QCOMPARE(lastOfType(first, "state").value("notesHtml").toString(),
                 QStringLiteral("<p>Folie 1</p>"));
        QCOMPARE(lastOfType(first, "control").value("you").toBool(), false);

        // Watching only: a command is not carried out.
        a->sendTextMessage(QStringLiteral(R"({"command":"next"})"));
        a->sendTextMessage(QStringLiteral(R"({"control":true})"));
        QTRY_COMPARE(lastOfType(first, "control").value("you").toBool(), true);
        QVERIFY(commands.isEmpty());
        QCOMPARE(remote->status().controlling, remote->status().clients.first().name);
        QVERIFY(remote->status().controlling.startsWith(QStringLiteral("127.0.0.1 · ")));

        a->sendTextMessage(QStringLiteral(R"({"command":"next"})"));
        a->sendTextMessage(QStringLiteral(R"({"command":"goto","slide":7})"));
        a->sendTextMessage(QStringLiteral(R"({"command":"goto","slide":70})"));
        a->sendTextMessage(QStringLiteral(R"({"command":"goto","slide":"7"})"));
        a->sendTextMessage(QStringLiteral(R"({"command":"start"})")); // the console's alone
        a->sendTextMessage(QStringLiteral(R"({"command":"quit"})"));
        a->sendTextMessage(QStringLiteral("not json"));
        a->sendTextMessage(QStringLiteral(R"({"command":"black"})"));
        QTRY_COMPARE(commands, (QList<Command>{{RemoteCommand::Next, -1},
                                               {RemoteCommand::GoTo, 6},
                                               {RemoteCommand::Black, -1}}));

        // State changes arrive as they happen.
        remote->setState(deck(6));
        QTRY_COMPARE(lastOfType(first, "state").value("slide").toInt(), 7);

        // The last phone that asked controls.
        auto b = phone(token(), &second);
        QTRY_COMPARE(remote->status().clients.size(), 2);
        QTRY_COMPARE(lastOfType(second, "control").value("controller").toString(),
                     remote->status().controlling);
        b->sendTextMessage(QStringLiteral(R"({"control":true})"));
        QTRY_COMPARE(lastOfType(first, "control").value("you").toBool(), false);
        QTRY_COMPARE(lastOfType(second, "control").value("you").toBool(), true);
        a->sendTextMessage(QStringLiteral(R"({"command":"next"})"));
        b->sendTextMessage(QStringLiteral(R"({"command":"previous"})"));
        QTRY_COMPARE(commands.size(), 4);
        QCOMPARE(commands.last(), (Command{RemoteCommand::Previous, -1}));

        // When the controlling phone leaves nobody controls; turning off closes the rest.
        b->close();
        QTRY_COMPARE(remote->status().clients.size(), 1);
        QVERIFY(remote->status().controlling.isEmpty());
        QSignalSpy gone(a.get(), &QWebSocket::disconnected);
        remote->setEnabled(false);
        QTRY_COMPARE(gone.size(), 1);
        QVERIFY(remote->status().clients.isEmpty());
    }

    void phonesWithoutTheTokenGetNothing() {
        QList<QJsonObject> received;
        for (const QByteArray& wrong : {QByteArray(), QByteArray("guess")}) {
            auto socket = phone(wrong, &received);
            QSignalSpy gone(socket.get(), &QWebSocket::disconnected);
            QTRY_COMPARE(gone.size(), 1);
        }
        auto elsewhere = phone(token(), &received, QStringLiteral("/other"));
        QSignalSpy gone(elsewhere.get(), &QWebSocket::disconnected);
        QTRY_COMPARE(gone.size(), 1);
        QVERIFY(received.isEmpty());
        QVERIFY(remote->status().clients.isEmpty());
    }

    void hostilePhonesAreDropped() {
        QList<QJsonObject> received;
        // A frame larger than any command.
        auto large = phone(token(), &received);
        QTRY_COMPARE(large->state(), QAbstractSocket::ConnectedState);
        QTRY_COMPARE(remote->status().clients.size(), 1);
        large->sendTextMessage(QString(64 << 10, QLatin1Char('x')));
        QTRY_VERIFY(remote->status().clients.isEmpty());
        // Binary frames.
        auto binary = phone(token(), &received);
        QTRY_COMPARE(binary->state(), QAbstractSocket::ConnectedState);
        QTRY_COMPARE(remote->status().clients.size(), 1);
        binary->sendBinaryMessage(QByteArray(100, 'x'));
        QTRY_VERIFY(remote->status().clients.isEmpty());
        // A flood of frames.
        RemoteControl::Limits limits = quickLimits();
        limits.guard.burst = 40;
        limits.guard.failuresBeforeBan = 1000;
        remote = std::make_unique<RemoteControl>(clock, limits);
        remote->applySettings(loopback());
        auto flood = phone(token(), &received);
        QTRY_COMPARE(flood->state(), QAbstractSocket::ConnectedState);
        QTRY_COMPARE(remote->status().clients.size(), 1);
        for (int i = 0; i < 1000; ++i)
            flood->sendTextMessage(QStringLiteral(R"({"command":"next"})"));
        QTRY_VERIFY(remote->status().clients.isEmpty());
        // More phones than allowed, once the flood's address may send again.
        clock->advance(60'000);
        std::vector<std::unique_ptr<QWebSocket>> many;
        for (int i = 0; i < 10; ++i)
            many.push_back(phone(token(), &received));
        QTest::qWait(300);
        QCOMPARE(remote->status().clients.size(), quickLimits().phones.phones);
    }

    void aPhoneThatNeverReadsIsLetGo() {
        QTcpSocket socket;
        socket.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 4096);
        socket.setReadBufferSize(1);
        socket.connectToHost(QHostAddress::LocalHost, port());
        QVERIFY(socket.waitForConnected());
        socket.write(handshake(port(), token()));
        QTRY_COMPARE(remote->status().clients.size(), 1);
        // Each state carries 64 KiB of notes; the phone takes none of them.
        for (int i = 0; i < 400 && !remote->status().clients.isEmpty(); ++i) {
            RemoteState state = deck(i % 9);
            state.notesText = QString(64 << 10, QLatin1Char('a' + i % 26));
            remote->setState(state);
            QCoreApplication::processEvents();
        }
        QTRY_VERIFY(remote->status().clients.isEmpty());
        QTRY_COMPARE(remote->connectionCount(), 0);
    }

    void slidePicturesAtThePhonesSize() {
        Answer picture = get(withToken("/slide") + QStringLiteral("&page=1&w=300&h=170"));
        QCOMPARE(picture.status, 200);
        QCOMPARE(picture.type, QByteArray("image/jpeg"));
        QImage image;
        QVERIFY(image.loadFromData(picture.body, "JPEG"));
        QCOMPARE(image.size(), QSize(300, 170));
        QCOMPARE(pictures, (QList<std::pair<qint64, QSize>>{{1, QSize(300, 170)}}));
        // Only the current and the next slide, and only with the token.
        QCOMPARE(get(withToken("/slide") + QStringLiteral("&page=5&w=300&h=170")).status, 404);
        QCOMPARE(get(QStringLiteral("/slide?page=0&w=300&h=170")).status, 401);
        // A program that has no picture: the phone is told so.
        remote->setImageProvider([](qint64, QSize, std::function<void(QImage)> done) { done({}); });
        QCOMPARE(get(withToken("/slide") + QStringLiteral("&page=0&w=300&h=171")).status, 503);
    }

    void thePageAndItsFiles() {
        const Answer page = get(withToken("/"));
        QCOMPARE(page.status, 200);
        QVERIFY(page.type.startsWith("text/html"));
        QVERIFY(page.body.contains("phone.js?token=" + token()));
        QVERIFY(page.body.contains("<html lang=\"de\">"));
        QVERIFY(!page.body.contains("@TOKEN@"));
        // Nothing from elsewhere: every reference is relative to the program's own address.
        QVERIFY(!page.body.contains("http://") && !page.body.contains("https://"));
        const Answer script = get(withToken("/phone.js"));
        QCOMPARE(script.status, 200);
        QVERIFY(!script.body.contains("http://") && !script.body.contains("https://"));
        QCOMPARE(get(withToken("/phone.css")).status, 200);
    }
};

ORVL_TEST_MAIN(TestRemoteControl)
#include "tst_RemoteControl.moc"
