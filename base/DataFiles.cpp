#include "base/DataFiles.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace DataFiles {

QString find(const QString& fileName) {
    const QString executableDir = QCoreApplication::applicationDirPath();
    // Build tree, then an installation relative to the executable (relocatable), then the
    // configured installation prefix.
    const QString candidates[] = {
        executableDir + QStringLiteral("/data/") + fileName,
        executableDir + QStringLiteral("/../share/talvane-orvello/") + fileName,
        QStringLiteral(ORVL_DATA_DIR_INSTALLED "/") + fileName,
    };
    for (const QString& path : candidates) {
        if (QFileInfo(path).isFile())
            return path;
    }
    return {};
}

} // namespace DataFiles
