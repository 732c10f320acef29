#include "app/ReloadWatcher.h"

#include <QFile>
#include <QFileInfo>

ReloadWatcher::ReloadWatcher(Reload reload, std::function<void()> failed, Timing timing,
                             QObject* parent)
    : QObject(parent), reload(std::move(reload)), failed(std::move(failed)), timing(timing) {
    settle.setSingleShot(true);
    connect(&settle, &QTimer::timeout, this, &ReloadWatcher::settled);
    // Tools that write a new file and rename it over the old one end the file's watch; the
    // folder's watch sees the new one arrive.
    connect(&watcher, &QFileSystemWatcher::fileChanged, this, &ReloadWatcher::changed);
    connect(&watcher, &QFileSystemWatcher::directoryChanged, this, &ReloadWatcher::changed);
}

void ReloadWatcher::watch(const QString& filePath) {
    settle.stop();
    ++asked;
    waiting = false;
    const QStringList watched = watcher.files() + watcher.directories();
    if (!watched.isEmpty())
        watcher.removePaths(watched);
    path = filePath;
    if (path.isEmpty())
        return;
    watcher.addPath(QFileInfo(path).absolutePath());
    watcher.addPath(path);
    loaded = signature();
}

ReloadWatcher::Signature ReloadWatcher::signature() const {
    const QFileInfo file(path);
    if (!file.exists())
        return {};
    return {file.size(), file.lastModified()};
}

bool ReloadWatcher::looksComplete() const {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() < 1)
        return false;
    file.seek(std::max<qint64>(0, file.size() - 1024));
    return file.readAll().contains("%%EOF");
}

void ReloadWatcher::changed() {
    if (path.isEmpty())
        return;
    if (!watcher.files().contains(path) && QFileInfo::exists(path))
        watcher.addPath(path);
    const Signature now = signature();
    // The folder also reports the files written beside the deck.
    if (now == loaded || ((settle.isActive() || waiting) && now == seen))
        return;
    seen = now;
    attemptsLeft = timing.attempts;
    ++asked;
    settle.start(timing.settleMs);
}

void ReloadWatcher::settled() {
    const Signature now = signature();
    const bool stillWriting = now != seen || !looksComplete();
    seen = now;
    const bool lastLook = --attemptsLeft <= 0;
    if (!lastLook && stillWriting) {
        settle.start(timing.settleMs);
        return;
    }
    // The last look tries whatever the file holds now once more.
    const quint64 attempt = ++asked;
    waiting = true;
    reload([this, attempt, lastLook, now](bool worked) {
        if (attempt == asked)
            reloaded(worked, lastLook, now);
    });
}

void ReloadWatcher::reloaded(bool worked, bool lastLook, Signature looked) {
    waiting = false;
    if (!worked && !lastLook) {
        settle.start(timing.settleMs);
        return;
    }
    loaded = looked;
    // A failure is told once.
    if (!worked)
        failed();
}
