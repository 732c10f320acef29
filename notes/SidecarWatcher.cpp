#include "notes/SidecarWatcher.h"

#include "notes/Sidecar.h"

#include <QFileInfo>

SidecarWatcher::SidecarWatcher(std::function<void()> changed, int settleMs, QObject* parent)
    : QObject(parent), changed(std::move(changed)) {
    settle.setSingleShot(true);
    settle.setInterval(settleMs);
    connect(&settle, &QTimer::timeout, this, &SidecarWatcher::settled);
    // Editors save by writing a new file over the old one: the folder sees that, the file not.
    connect(&watcher, &QFileSystemWatcher::fileChanged, &settle, qOverload<>(&QTimer::start));
    connect(&watcher, &QFileSystemWatcher::directoryChanged, &settle, qOverload<>(&QTimer::start));
}

void SidecarWatcher::watch(const QString& pdfPath) {
    if (!watcher.files().isEmpty())
        watcher.removePaths(watcher.files());
    if (!watcher.directories().isEmpty())
        watcher.removePaths(watcher.directories());
    settle.stop();
    path = pdfPath.isEmpty() ? QString() : Sidecar::pathFor(pdfPath);
    seen = signature();
    if (path.isEmpty())
        return;
    watcher.addPath(QFileInfo(path).absolutePath());
    if (seen.exists)
        watcher.addPath(path);
}

SidecarWatcher::Signature SidecarWatcher::signature() const {
    const QFileInfo file(path);
    if (path.isEmpty() || !file.exists())
        return {};
    return {true, file.size(), file.lastModified()};
}

void SidecarWatcher::settled() {
    const Signature now = signature();
    // A replaced file is a new one to the watcher.
    if (now.exists && !watcher.files().contains(path))
        watcher.addPath(path);
    if (now == seen)
        return;
    seen = now;
    if (changed)
        changed();
}
