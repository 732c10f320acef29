#include "app/ReloadWatcher.h"

#include <QFile>
#include <QFileInfo>

ReloadWatcher::ReloadWatcher(std::function<bool()> reload, std::function<void()> failed,
                             Timing timing, QObject* parent)
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
    if (now == loaded || (settle.isActive() && now == seen))
        return;
    seen = now;
    attemptsLeft = timing.attempts;
    settle.start(timing.settleMs);
}

void ReloadWatcher::settled() {
    const Signature now = signature();
    const bool stillWriting = now != seen || !looksComplete();
    seen = now;
    if (--attemptsLeft > 0 && (stillWriting || !reload())) {
        settle.start(timing.settleMs);
        return;
    }
    if (attemptsLeft > 0) {
        loaded = now;
        return;
    }
    // The last look: whatever the file holds now is tried once more, and a failure is told once.
    loaded = now;
    if (!reload())
        failed();
}
