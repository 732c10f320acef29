#include "base/RecentFiles.h"

#include "base/Preferences.h"

#include <QFileInfo>
#include <QStringList>

namespace {

const QString recentFilesKey = QStringLiteral("recentFiles");

QStringList storedPaths() {
    const QVariant stored = Preferences::value(recentFilesKey);
    switch (stored.typeId()) {
    case QMetaType::QStringList:
        return stored.toStringList();
    case QMetaType::QString: // the store hands back a one-item list as plain text
        return {stored.toString()};
    case QMetaType::QVariantList: {
        QStringList paths;
        for (const QVariant& item : stored.toList()) {
            if (item.typeId() != QMetaType::QString)
                return {};
            paths.append(item.toString());
        }
        return paths;
    }
    default:
        return {};
    }
}

} // namespace

namespace RecentFiles {

void add(const QUrl& fileUrl) {
    const QString path = fileUrl.toLocalFile();
    QStringList paths = storedPaths();
    paths.removeAll(path);
    paths.prepend(path);
    Preferences::setValue(recentFilesKey, QStringList(paths.mid(0, maximumCount)));
}

QList<QUrl> all() {
    QList<QUrl> existing;
    for (const QString& path : storedPaths()) {
        if (QFileInfo::exists(path))
            existing.append(QUrl::fromLocalFile(path));
    }
    return existing;
}

} // namespace RecentFiles
