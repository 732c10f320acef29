// A page worker with a scripted engine, so the worker protocol can be tried against crashes,
// hangs and memory floods: page 0 draws red, 1 hangs, 2 crashes, 3 asks for 8 GiB, 4 draws
// green slowly, ignoring cancellation; reading pages 1-3 fails as drawing them does. A path
// containing "crash" or "hang" fails the open so. In a deck named "attack-NAME.pdf" page 1
// instead tries what a PDF that took over the engine would (Attack below), from inside the
// sandbox, and draws magenta should it get through.
#include "engine/PageWorker.h"

#include <QImage>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

QByteArray inHome(const char* name) {
    return qgetenv("HOME") + '/' + name;
}

// True when the attack got through.
bool attack(const QString& name) {
    if (name == "read-home")
        return open(inHome("secret").constData(), O_RDONLY) >= 0;
    if (name == "create-file")
        return open(inHome("created").constData(), O_CREAT | O_WRONLY, 0600) >= 0;
    if (name == "connect" || name == "bind") {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(quint16(qEnvironmentVariableIntValue("ORVL_ATTACK_PORT")));
        const auto* const generic = reinterpret_cast<const sockaddr*>(&address);
        if (name == "connect")
            return fd >= 0 && connect(fd, generic, sizeof address) == 0;
        address.sin_port = 0;
        return fd >= 0 && bind(fd, generic, sizeof address) == 0 && listen(fd, 1) == 0;
    }
    if (name == "fork") {
        const pid_t child = fork();
        if (child == 0)
            _exit(0);
        return child > 0;
    }
    if (name == "exec") {
        const QByteArray command = "touch '" + inHome("executed") + "'";
        execl("/bin/sh", "sh", "-c", command.constData(), nullptr);
        return false;
    }
    if (name == "signal")
        return kill(getppid(), SIGUSR1) == 0;
    // The kernel would signal the program whenever the socket turns readable.
    if (name == "signal-through-socket")
        return fcntl(3, F_SETOWN, getppid()) == 0;
    if (name == "raise-limit") {
        const rlimit unlimited{RLIM_INFINITY, RLIM_INFINITY};
        return setrlimit(RLIMIT_AS, &unlimited) == 0;
    }
    // Any image buffer of the program's it holds, cut to nothing under the program's mapping.
    if (name == "shrink-image") {
        for (int fd = 4; fd < 64; ++fd)
            if (ftruncate(fd, 0) == 0)
                return true;
        return false;
    }
    if (name == "ptrace")
        return ptrace(PTRACE_SEIZE, getppid(), nullptr, nullptr) == 0;
    return true;
}

class ScriptedEngine : public PageEngine {
public:
    // Keeps the deck open, as a real engine does.
    ScriptedEngine(int deck, const QString& attack) : deck(deck), attackName(attack) {}
    ~ScriptedEngine() override { close(deck); }

    void setImageAllocator(ImageAllocator allocator) override { allocate = std::move(allocator); }
    qint64 pageCount() const override { return 5; }
    QSizeF pageSize(qint64) const override { return {160, 90}; }
    QString pageLabel(qint64 page) const override { return QString::number(page + 1) + "a"; }
    QStringList noteTexts(qint64 page) const override { return {"note " + QString::number(page)}; }
    QByteArray metadata() const override { return "<x:xmpmeta/>"; }
    bool readPage(qint64 page, const std::atomic_bool*) const override {
        if (page >= 1 && page <= 3)
            drawPage(page, QSize(1, 1), {}, nullptr);
        return true;
    }
    QImage drawPage(qint64 page, QSize size, QRectF, const std::atomic_bool*) const override {
        if (page == 1 && !attackName.isEmpty())
            return attack(attackName) ? filled(size, Qt::magenta) : QImage();
        switch (page) {
        case 1:
            for (;;)
                std::this_thread::sleep_for(std::chrono::seconds(1));
        case 2:
            std::abort();
        case 3: {
            std::vector<char> flood(size_t(8) << 30, 1);
            return flood.back() ? QImage() : QImage();
        }
        case 4:
            std::this_thread::sleep_for(std::chrono::milliseconds(400));
            return filled(size, Qt::green);
        default:
            return filled(size, Qt::red);
        }
    }

private:
    QImage filled(QSize size, Qt::GlobalColor colour) const {
        QImage image =
            allocate ? allocate(size, QImage::Format_RGB32) : QImage(size, QImage::Format_RGB32);
        image.fill(colour);
        return image;
    }
    ImageAllocator allocate;
    const int deck;
    const QString attackName;
};

} // namespace

int main(int argc, char** argv) {
    const qint64 addressSpace = argc == 3 ? std::strtoll(argv[2], nullptr, 10) : 0;
    return PageWorker::serve(
        [](int fd, const QString& path, const QString&, OpenStatus* status) {
            if (path.contains("crash"))
                std::abort();
            while (path.contains("hang"))
                std::this_thread::sleep_for(std::chrono::seconds(1));
            *status = OpenStatus::ok;
            const QString name = path.section(QLatin1Char('/'), -1);
            const QString attack = name.startsWith("attack-") && name.endsWith(".pdf")
                                       ? name.mid(7).chopped(4)
                                       : QString();
            return std::unique_ptr<PageEngine>(new ScriptedEngine(fd, attack));
        },
        addressSpace);
}
