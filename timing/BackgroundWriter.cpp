#include "timing/BackgroundWriter.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

namespace {

QString writeFile(const QString& path, const QByteArray& bytes) {
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return QStringLiteral("cannot create %1").arg(QFileInfo(path).absolutePath());
    // The old file stays whole until the new one is complete on disk.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return file.errorString();
    return {};
}

} // namespace

BackgroundWriter::BackgroundWriter(Done done) : done(std::move(done)) {
    thread = std::thread([this] { run(); });
}

BackgroundWriter::~BackgroundWriter() {
    {
        std::lock_guard lock(mutex);
        stopping = true;
    }
    wake.notify_all();
    thread.join();
}

void BackgroundWriter::write(const QString& path, std::function<QByteArray()> bytes) {
    {
        std::lock_guard lock(mutex);
        auto same = std::find_if(pending.begin(), pending.end(),
                                 [&path](const auto& entry) { return entry.first == path; });
        if (same != pending.end())
            same->second = std::move(bytes);
        else
            pending.emplace_back(path, std::move(bytes));
    }
    wake.notify_one();
}

void BackgroundWriter::flush() {
    std::unique_lock lock(mutex);
    idle.wait(lock, [this] { return pending.empty() && !writing; });
}

void BackgroundWriter::run() {
    std::unique_lock lock(mutex);
    for (;;) {
        wake.wait(lock, [this] { return stopping || !pending.empty(); });
        if (pending.empty()) {
            idle.notify_all();
            return;
        }
        auto [path, bytes] = std::move(pending.front());
        pending.erase(pending.begin());
        writing = true;
        lock.unlock();
        const QString error = writeFile(path, bytes());
        done(path, error);
        lock.lock();
        writing = false;
        if (pending.empty())
            idle.notify_all();
    }
}
