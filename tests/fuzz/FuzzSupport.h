// What every fuzz target shares: one application object, private preferences, German texts.
#pragma once

#include "base/L10n.h"
#include "base/Preferences.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

namespace FuzzSupport {

inline void start(int* argc, char*** argv) {
    static QTemporaryDir folder;
    qputenv("XDG_CONFIG_HOME", folder.path().toLocal8Bit());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
    static QCoreApplication application(*argc, *argv);
    QCoreApplication::setOrganizationName(QStringLiteral("talvane-orvello-fuzz"));
    QCoreApplication::setApplicationName(QStringLiteral("fuzz"));
    Preferences::setOverride(QStringLiteral("appLanguage"), QStringLiteral("de"));
    L10n::current();
}

inline QByteArray bytes(const uint8_t* data, size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

// A broken invariant ends the run like a crash, so libFuzzer keeps the input.
inline void require(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace FuzzSupport
