// Measures the remote control on loopback: from a command sent (WebSocket, HTTP, OSC) to the
// command signal, from a state change to the phone's WebSocket message, and how late the main
// thread's timers run while hostile clients flood it. Clients run on threads of their own.
#include "remote/RemoteControl.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <QUrlQuery>
#include <QWebSocket>
#include <algorithm>
#include <arpa/inet.h>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <lo/lo.h>
#include <mutex>
#include <netinet/in.h>
#include <random>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

qint64 nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

struct Samples {
    std::mutex lock;
    std::vector<double> ms;
    void add(double value) {
        std::lock_guard guard(lock);
        ms.push_back(value);
    }
};

void report(const char* name, std::vector<double> values) {
    if (values.empty()) {
        std::printf("| %s | no samples |\n", name);
        return;
    }
    std::sort(values.begin(), values.end());
    const auto at = [&](double q) { return values[size_t(q * double(values.size() - 1))]; };
    std::printf("| %s | %zu | %.2f | %.2f | %.2f |\n", name, values.size(), at(0.5), at(0.95),
                values.back());
    std::fflush(stdout);
}

// When each slide's state was set, by one-based slide number.
using StateTimes = std::array<std::atomic<qint64>, 4096>;

// The client side of one phone and one control desk, on a thread of its own: sends when told,
// and notes when a state message arrives.
class Client : public QObject {
public:
    Client(quint16 httpPort, quint16 oscPort, QByteArray token, Samples& stateLatency,
           StateTimes& stateSentNs)
        : httpPort(httpPort), token(std::move(token)), stateLatency(stateLatency),
          stateSentNs(stateSentNs) {
        osc = lo_address_new("127.0.0.1", QByteArray::number(oscPort).constData());
    }
    ~Client() override { lo_address_free(osc); }

    void open() {
        phone = new QWebSocket(QString(), QWebSocketProtocol::VersionLatest, this);
        connect(phone, &QWebSocket::textMessageReceived, this, [this](const QString& text) {
            const qint64 arrived = nowNs();
            const QJsonObject message = QJsonDocument::fromJson(text.toUtf8()).object();
            const int slide = message.value(QStringLiteral("slide")).toInt();
            if (message.value(QStringLiteral("type")) != QLatin1String("state") || slide < 1 ||
                slide >= int(stateSentNs.size()))
                return;
            if (const qint64 sent = stateSentNs[size_t(slide)].exchange(0); sent != 0)
                stateLatency.add(double(arrived - sent) / 1e6);
        });
        connect(phone, &QWebSocket::connected, this,
                [this] { phone->sendTextMessage(QStringLiteral(R"({"control":true})")); });
        phone->open(QUrl(QStringLiteral("ws://127.0.0.1:%1/phone?token=%2")
                             .arg(httpPort)
                             .arg(QString::fromLatin1(token))));
        desk = new QTcpSocket(this);
        connect(desk, &QTcpSocket::readyRead, this, [this] { desk->readAll(); });
        desk->connectToHost(QHostAddress::LocalHost, httpPort);
    }

    // Returns the time just before the command left.
    qint64 send(int transport) {
        if (transport == 0) {
            const qint64 start = nowNs();
            phone->sendTextMessage(QStringLiteral(R"({"command":"next"})"));
            phone->flush();
            return start;
        }
        if (transport == 1) {
            if (desk->state() != QAbstractSocket::ConnectedState) {
                desk->connectToHost(QHostAddress::LocalHost, httpPort);
                desk->waitForConnected();
            }
            const QByteArray request =
                "GET /api/v1/next HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Orvello-Token: " + token +
                "\r\n\r\n";
            const qint64 start = nowNs();
            desk->write(request);
            desk->flush();
            return start;
        }
        const qint64 start = nowNs();
        lo_send(osc, "/orvello/next", "s", token.constData());
        return start;
    }

private:
    quint16 httpPort;
    QByteArray token;
    Samples& stateLatency;
    StateTimes& stateSentNs;
    lo_address osc;
    QWebSocket* phone = nullptr;
    QTcpSocket* desk = nullptr;
};

// The attacker's own loopback address, so that its bans do not fall on the measuring clients.
sockaddr_in attackerAddress() {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK + 2);
    return address;
}

int connectTo(quint16 port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    const sockaddr_in source = attackerAddress();
    bind(fd, reinterpret_cast<const sockaddr*>(&source), sizeof source);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    return fd;
}

// Hostile clients for `seconds`: floods of connections, garbage, slow senders, wrong tokens and
// OSC datagrams. Bounded in time and in the sockets it holds.
void attack(quint16 httpPort, quint16 oscPort, int seconds, std::atomic<long>& attempts) {
    std::mt19937 random(7);
    std::vector<int> held;
    const int udp = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK, 0);
    const sockaddr_in source = attackerAddress();
    bind(udp, reinterpret_cast<const sockaddr*>(&source), sizeof source);
    sockaddr_in oscAddress{};
    oscAddress.sin_family = AF_INET;
    oscAddress.sin_port = htons(oscPort);
    oscAddress.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    char garbage[4096];
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < end) {
        for (int i = 0; i < 20; ++i) {
            const int fd = connectTo(httpPort);
            held.push_back(fd);
            ++attempts;
        }
        for (char& byte : garbage)
            byte = char(random());
        for (size_t i = 0; i < held.size(); i += 7) {
            // Garbage, a wrong token, or one byte of a request that never ends.
            switch (i % 3) {
            case 0:
                send(held[i], garbage, sizeof garbage, MSG_NOSIGNAL | MSG_DONTWAIT);
                break;
            case 1: {
                static const char wrong[] = "GET /api/v1/next?token=guess HTTP/1.1\r\n\r\n";
                send(held[i], wrong, sizeof wrong - 1, MSG_NOSIGNAL | MSG_DONTWAIT);
                break;
            }
            default:
                send(held[i], "G", 1, MSG_NOSIGNAL | MSG_DONTWAIT);
                break;
            }
        }
        for (int i = 0; i < 200; ++i)
            sendto(udp, garbage, 64 + random() % 1000, MSG_DONTWAIT,
                   reinterpret_cast<sockaddr*>(&oscAddress), sizeof oscAddress);
        while (held.size() > 3000) {
            close(held.front());
            held.erase(held.begin());
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    for (int fd : held)
        close(fd);
    close(udp);
}

// How late a 5 ms timer fires on the main thread, over `ms`.
std::vector<double> timerLateness(int ms) {
    std::vector<double> late;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    qint64 expected = nowNs() + 5'000'000;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = nowNs();
        late.push_back(std::max(0.0, double(now - expected) / 1e6));
        expected = now + 5'000'000;
    });
    ticker.start(5);
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    return late;
}

void pause(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 200;
    const int attackSeconds = argc > 2 ? std::atoi(argv[2]) : 10;

    RemoteControl::Limits limits;
    // The measuring clients send far faster than any desk; the hostile ones still meet the
    // default bounds.
    limits.guard.burst = 1e9;
    limits.oscGuard.burst = 1e9;
    RemoteControl remote(std::make_shared<SystemClock>(), limits);
    RemoteState state;
    state.slideCount = 1000;
    state.notesHtml = QStringLiteral("<p>Notes of a typical length for one slide.</p>");
    remote.setState(state);
    RemoteSettings settings;
    settings.enabled = true;
    settings.interfaceName = QStringLiteral("lo");
    settings.httpPort = 0;
    settings.oscPort = 0;
    remote.applySettings(settings);
    if (!remote.status().listening) {
        std::fprintf(stderr, "not listening: %s\n", qPrintable(remote.problem()));
        return 1;
    }
    const quint16 httpPort = remote.status().httpPort;
    const QByteArray token =
        QUrlQuery(QUrl(remote.status().address)).queryItemValue(QStringLiteral("token")).toUtf8();

    Samples commandLatency[3];
    Samples afterAttack;
    Samples stateLatency;
    static StateTimes stateSentNs;
    std::atomic<qint64> commandSentNs{0};
    Samples* target = nullptr;
    QObject::connect(&remote, &RemoteControl::commandReceived, [&] {
        const qint64 sent = commandSentNs.exchange(0);
        if (sent != 0 && target)
            target->add(double(nowNs() - sent) / 1e6);
    });

    QThread clientThread;
    auto* client = new Client(httpPort, remote.status().oscPort, token, stateLatency, stateSentNs);
    client->moveToThread(&clientThread);
    clientThread.start();
    QMetaObject::invokeMethod(
        client, [client] { client->open(); }, Qt::BlockingQueuedConnection);
    while (remote.status().controlling.isEmpty())
        pause(10);

    std::printf("| measure | n | median ms | p95 ms | max ms |\n|---|---|---|---|---|\n");
    const char* names[] = {"WebSocket command to signal", "HTTP command to signal",
                           "OSC command to signal"};
    for (int transport = 0; transport < 3; ++transport) {
        target = &commandLatency[transport];
        for (int i = 0; i < rounds; ++i) {
            QMetaObject::invokeMethod(
                client, [&, client] { commandSentNs = client->send(transport); },
                Qt::BlockingQueuedConnection);
            pause(5);
        }
        report(names[transport], commandLatency[transport].ms);
    }
    for (int i = 0; i < std::min(rounds, int(stateSentNs.size()) - 2); ++i) {
        state.slideIndex = i + 1; // shown as slide i + 2
        stateSentNs[size_t(i + 2)] = nowNs();
        remote.setState(state);
        pause(5);
    }
    report("state change to phone message", stateLatency.ms);

    report("main-thread timer lateness, quiet", timerLateness(attackSeconds * 1000));
    std::atomic<long> attempts{0};
    std::thread attacker(attack, httpPort, remote.status().oscPort, attackSeconds,
                         std::ref(attempts));
    const auto lateness = timerLateness(attackSeconds * 1000);
    attacker.join();
    report("main-thread timer lateness, under attack", lateness);
    std::printf("\nhostile connection attempts: %ld; phones still connected: %d\n", attempts.load(),
                int(remote.status().clients.size()));
    // The desk still gets through after the attack.
    target = &afterAttack;
    for (int i = 0; i < 20; ++i) {
        QMetaObject::invokeMethod(
            client, [&, client] { commandSentNs = client->send(2); }, Qt::BlockingQueuedConnection);
        pause(5);
    }
    report("OSC command to signal, after the attack", afterAttack.ms);

    QMetaObject::invokeMethod(
        client, [client] { delete client; }, Qt::BlockingQueuedConnection);
    clientThread.quit();
    clientThread.wait();
    return 0;
}
