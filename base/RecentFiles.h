// The last ten PDF files opened successfully, kept as plain paths in the preferences.
#pragma once

#include <QList>
#include <QUrl>

namespace RecentFiles {

inline constexpr int maximumCount = 10;

void add(const QUrl& fileUrl);
// The stored files that exist now, most recent first; missing ones stay stored.
QList<QUrl> all();

} // namespace RecentFiles
