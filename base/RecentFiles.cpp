#include "base/RecentFiles.h"

#include "base/Preferences.h"

#include <QFileInfo>
#include <QStringList>

namespace {

const QString recentFilesKey = QStringLiteral("recentFiles");
const QString talkPlansKey = QStringLiteral("recentTalkPlans");

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
    paths = paths.mid(0, maximumCount);
    Preferences::setValue(recentFilesKey, paths);
    QVariantMap plans = Preferences::value(talkPlansKey).toMap();
    const qsizetype before = plans.size();
    plans.removeIf([&paths](const auto& entry) { return !paths.contains(entry.key()); });
    if (plans.size() != before)
        Preferences::setValue(talkPlansKey, plans);
}

QList<QUrl> all() {
    QList<QUrl> existing;
    for (const QString& path : storedPaths()) {
        if (QFileInfo::exists(path))
            existing.append(QUrl::fromLocalFile(path));
    }
    return existing;
}

void clear() {
    Preferences::remove(recentFilesKey);
    Preferences::remove(talkPlansKey);
}

void setTalkPlan(const QUrl& fileUrl, const QString& plan) {
    const QString path = fileUrl.toLocalFile();
    if (!storedPaths().contains(path))
        return;
    QVariantMap plans = Preferences::value(talkPlansKey).toMap();
    if (plan.isEmpty())
        plans.remove(path);
    else
        plans.insert(path, plan);
    Preferences::setValue(talkPlansKey, plans);
}

QString talkPlan(const QUrl& fileUrl) {
    const QVariant plan = Preferences::value(talkPlansKey).toMap().value(fileUrl.toLocalFile());
    return plan.typeId() == QMetaType::QString ? plan.toString() : QString();
}

} // namespace RecentFiles
