#include "base/DataFiles.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace DataFiles {

QString find(const QString& fileName) {
    const QString candidates[] = {
        QCoreApplication::applicationDirPath() + QStringLiteral("/data/") + fileName,
        QStringLiteral(ORVL_DATA_DIR_INSTALLED "/") + fileName,
    };
    for (const QString& path : candidates) {
        if (QFileInfo(path).isFile())
            return path;
    }
    return {};
}

} // namespace DataFiles
