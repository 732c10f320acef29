#include "base/DataFiles.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

namespace DataFiles {

QString find(const QString& fileName) {
    // Before the application object exists (--help) the system says where the executable is.
    const QString executableDir =
        QCoreApplication::instance()
            ? QCoreApplication::applicationDirPath()
            : QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).absolutePath();
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
