// The last ten PDF files opened successfully, kept as plain paths in the preferences, each with
// the talk plan last set for it.
#pragma once

#include <QList>
#include <QUrl>

namespace RecentFiles {

inline constexpr int maximumCount = 10;

void add(const QUrl& fileUrl);
// The stored files that exist now, most recent first; missing ones stay stored.
QList<QUrl> all();
// Forgets the files and their plans.
void clear();

// The talk plan set for a file on the list, as one line of text ("" for none); a file that
// leaves the list takes its plan with it.
void setTalkPlan(const QUrl& fileUrl, const QString& plan);
QString talkPlan(const QUrl& fileUrl);

} // namespace RecentFiles
