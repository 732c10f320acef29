// The engine in a worker process, against a scripted worker: answers cross the boundary intact,
// a crash, a hang or a memory flood costs one draw (or read), never the caller, and the worker's
// sandbox holds against what a file that took over the engine would try.
#include "engine/ProcessEngine.h"
#include "support/TestSupport.h"

#include <csignal>
#include <thread>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t signalled = 0;

// The worker processes this process has started and not yet reaped.
QList<pid_t> workers() {
    QList<pid_t> children;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile list(tasks.filePath(task + QStringLiteral("/children")));
        if (!list.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& child : list.readAll().split(' '))
            if (!child.trimmed().isEmpty())
                children.append(pid_t(child.trimmed().toInt()));
    }
    return children;
}

QByteArray statusLine(pid_t pid, const QByteArray& key) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(key + ':'))
            return line.mid(key.size() + 1).trimmed();
    return {};
}

// Where a /proc link points, as the kernel says ("socket:[…]" for a socket).
QString linkTarget(const QString& link) {
    char target[4096];
    const ssize_t length = readlink(QFile::encodeName(link).constData(), target, sizeof target);
    return length < 0 ? QString() : QString::fromLocal8Bit(target, length);
}

// What each of the process's descriptors points at, by number; one closed while they are read
// (an answer's memfd) is left out.
QMap<int, QString> descriptors(pid_t pid) {
    QMap<int, QString> open;
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QString& fd : fds.entryList(QDir::Files | QDir::System)) {
        const QString target = linkTarget(fds.filePath(fd));
        if (!target.isEmpty())
            open.insert(fd.toInt(), target);
    }
    return open;
}

ProcessEngine::Limits quick() {
    ProcessEngine::Limits limits;
    limits.openMilliseconds = 2000;
    limits.drawMilliseconds = 600;
    limits.drawMillisecondsPerMegapixel = 0;
    limits.readMilliseconds = 600;
    limits.addressSpace = qint64(2) << 30;
    return limits;
}

// Page `page` drawn with a cancel that comes 50 ms after the draw began.
QImage cancelledDraw(const ProcessEngine& engine, qint64 page) {
    std::atomic_bool cancel = false;
    std::thread canceller([&cancel] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        cancel = true;
    });
    const QImage image = engine.drawPage(page, QSize(64, 36), QRectF(0, 0, 1, 1), &cancel);
    canceller.join();
    return image;
}

QColor colourOf(const QImage& image) {
    return image.isNull() ? QColor() : image.pixelColor(image.width() / 2, image.height() / 2);
}

} // namespace

class ProcessEngineTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir folder;
    const QString worker = QStringLiteral(ORVL_SCRIPTED_WORKER);
    // A loopback port an attack may try to reach; nothing ever connects.
    int listener = -1;

    QString file(const QString& name) {
        const QString path = folder.filePath(name);
        QFile out(path);
        out.open(QIODevice::WriteOnly);
        return path;
    }

    std::unique_ptr<ProcessEngine> open(const QString& name, OpenStatus* status = nullptr) {
        return ProcessEngine::open(worker, file(name), {}, status, quick());
    }

private slots:
    // Workers inherit the home folder and the port to attack.
    void initTestCase() {
        qputenv("HOME", QFile::encodeName(folder.path()));
        QFile secret(folder.filePath("secret"));
        QVERIFY(secret.open(QIODevice::WriteOnly) && secret.write("key") == 3);
        std::signal(SIGUSR1, [](int) { signalled = 1; });
        listener = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        QVERIFY(bind(listener, reinterpret_cast<sockaddr*>(&address), length) == 0);
        QVERIFY(listen(listener, 1) == 0);
        QVERIFY(getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) == 0);
        qputenv("ORVL_ATTACK_PORT", QByteArray::number(ntohs(address.sin_port)));
    }

    void cleanupTestCase() { close(listener); }

    void answersCrossTheBoundary() {
        const auto engine = open("deck.pdf");
        QVERIFY(engine);
        QCOMPARE(engine->pageCount(), 5);
        QCOMPARE(engine->pageSize(4), QSizeF(160, 90));
        QCOMPARE(engine->pageLabel(1), QStringLiteral("2a"));
        QCOMPARE(engine->noteTexts(3), QStringList{"note 3"});
        QCOMPARE(engine->metadata(), QByteArray("<x:xmpmeta/>"));
        const QImage image = engine->drawPage(0, QSize(320, 180));
        QCOMPARE(image.size(), QSize(320, 180));
        QCOMPARE(colourOf(image), QColor(Qt::red));
        QCOMPARE(engine->drawRows(0, QSize(320, 180), 20, 60).size(), QSize(320, 40));
        QVERIFY(engine->readPage(0));
        QVERIFY(engine->drawPage(7, QSize(10, 10)).isNull());
        QCOMPARE(engine->starts(), 1);
    }

    // Each failure gives a null image and a fresh worker that draws the next page.
    void aFailedWorkerIsReplaced_data() {
        QTest::addColumn<qint64>("page");
        QTest::newRow("hang past the deadline") << qint64(1);
        QTest::newRow("crash") << qint64(2);
        QTest::newRow("memory flood") << qint64(3);
    }
    void aFailedWorkerIsReplaced() {
        QFETCH(qint64, page);
        const auto engine = open("deck.pdf");
        QVERIFY(engine->drawPage(page, QSize(64, 36)).isNull());
        QCOMPARE(colourOf(engine->drawPage(0, QSize(64, 36))), QColor(Qt::red));
        QCOMPARE(engine->starts(), 2);
        QCOMPARE(engine->noteTexts(0), QStringList{"note 0"});
        QVERIFY(!engine->readPage(page));
        QVERIFY(engine->readPage(0));
        QCOMPARE(engine->starts(), 3);
    }

    // A cancelled draw returns at once; its late answer is never taken for the next one's, and a
    // worker stuck in it is replaced without failing the next.
    void aCancelledDrawNeverCostsTheNext() {
        const auto engine = open("deck.pdf");
        QVERIFY(cancelledDraw(*engine, 4).isNull());
        QCOMPARE(colourOf(engine->drawPage(0, QSize(64, 36))), QColor(Qt::red));
        QCOMPARE(engine->starts(), 1);
        QVERIFY(cancelledDraw(*engine, 1).isNull());
        QCOMPARE(colourOf(engine->drawPage(0, QSize(64, 36))), QColor(Qt::red));
        QCOMPARE(engine->starts(), 2);
    }

    void aFailedOpenIsDamaged_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("crash") << "crash.pdf";
        QTest::newRow("hang") << "hang.pdf";
    }
    void aFailedOpenIsDamaged() {
        QFETCH(QString, name);
        OpenStatus status = OpenStatus::ok;
        QVERIFY(!open(name, &status));
        QCOMPARE(status, OpenStatus::damaged);
        QVERIFY(!ProcessEngine::open(worker, folder.filePath("missing.pdf"), {}, &status, quick()));
        QCOMPARE(status, OpenStatus::notFound);
    }

    // Seen from outside, a worker that draws is confined and holds only its standard streams (its
    // input and output on /dev/null), its socket, the deck and the shared memory of answers in
    // flight; it says how it is confined.
    void aWorkerIsConfinedAndHoldsOnlyWhatItNeeds() {
        const auto engine = open("deck.pdf");
        QCOMPARE(colourOf(engine->drawPage(0, QSize(64, 36))), QColor(Qt::red));
        const QList<pid_t> running = workers();
        QCOMPARE(running.size(), 1);
        const pid_t pid = running.first();
        QCOMPARE(statusLine(pid, "Seccomp"), QByteArray("2"));
        QCOMPARE(statusLine(pid, "NoNewPrivs"), QByteArray("1"));
        QCOMPARE(statusLine(pid, "CapEff"), QByteArray("0000000000000000"));
        QMap<int, QString> open = descriptors(pid);
        QCOMPARE(open.take(0), QStringLiteral("/dev/null"));
        QCOMPARE(open.take(1), QStringLiteral("/dev/null"));
        QVERIFY(open.remove(2));
        QVERIFY2(open.value(3).startsWith("socket:"), qPrintable(open.value(3)));
        open.remove(3);
        QCOMPARE(open.take(4), folder.filePath("deck.pdf"));
        for (const QString& inFlight : open)
            QVERIFY2(inFlight.startsWith("/memfd:orvl-"), qPrintable(inFlight));
        const Sandbox::Mechanisms confined = ProcessEngine::workerSandbox();
        QVERIFY(confined & Sandbox::seccomp);
        QVERIFY(confined & Sandbox::noNewPrivileges);
        QCOMPARE(linkTarget(QStringLiteral("/proc/%1/ns/net").arg(pid)) !=
                     linkTarget(QStringLiteral("/proc/self/ns/net")),
                 bool(confined & Sandbox::networkNamespace));
    }

    // What a file that took over the engine would try next, from inside the worker: each attempt
    // fails or ends the worker, the page comes back as none (black), nothing outside changes,
    // and the next request is answered.
    void anAttackFromInsideTheWorkerGetsNothing_data() {
        QTest::addColumn<QString>("attack");
        QTest::newRow("read a file in the home folder") << "read-home";
        QTest::newRow("create a file") << "create-file";
        QTest::newRow("connect to loopback") << "connect";
        QTest::newRow("listen on a port") << "bind";
        QTest::newRow("start a process") << "fork";
        QTest::newRow("run a program") << "exec";
        QTest::newRow("signal the program") << "signal";
        QTest::newRow("have the kernel signal the program") << "signal-through-socket";
        QTest::newRow("raise its address-space limit") << "raise-limit";
        QTest::newRow("trace the program") << "ptrace";
        QTest::newRow("shrink the program's image buffer") << "shrink-image";
    }
    void anAttackFromInsideTheWorkerGetsNothing() {
        QFETCH(QString, attack);
        const auto engine = open("attack-" + attack + ".pdf");
        QVERIFY(engine);
        QVERIFY(engine->drawPage(1, QSize(64, 36)).isNull());
        QCOMPARE(colourOf(engine->drawPage(0, QSize(64, 36))), QColor(Qt::red));
        QCOMPARE(engine->noteTexts(1), QStringList{"note 1"});
        QVERIFY(!QFile::exists(folder.filePath("created")));
        QVERIFY(!QFile::exists(folder.filePath("executed")));
        QCOMPARE(signalled, 0);
        QCOMPARE(accept(listener, nullptr, nullptr), -1);
    }

    // Closing a document whose worker is stuck kills the worker rather than wait for it.
    void closingNeverWaitsForAStuckWorker() {
        auto engine = open("deck.pdf");
        QVERIFY(cancelledDraw(*engine, 1).isNull());
        engine.reset();
    }
};

ORVL_TEST_MAIN(ProcessEngineTest)
#include "ProcessEngineTest.moc"
