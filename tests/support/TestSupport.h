// Common set-up for the Qt Test executables: a private preferences store per process.
#pragma once

#include "base/L10n.h"
#include "base/Preferences.h"

#include <QApplication>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace TestSupport {

inline QString dataPath(const QString& relative) {
    return QStringLiteral(ORVL_TEST_DATA_DIR "/") + relative;
}

// A recorded answer or other file below the test data folder; a missing one ends the run.
inline QByteArray readData(const QString& relative) {
    QFile file(dataPath(relative));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing test data %s", qPrintable(relative));
    return file.readAll();
}

// The tests compare the German texts; the language is fixed at its first use, so set it first.
inline bool useGerman() {
    Preferences::setOverride(QStringLiteral("appLanguage"), QStringLiteral("de"));
    return L10n::current() == QLatin1String("de");
}

// Points the preferences store at a fresh temporary folder; never the user's own.
class PrivateSettings {
public:
    PrivateSettings() {
        qputenv("XDG_CONFIG_HOME", folder.path().toLocal8Bit());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder.path());
    }

private:
    QTemporaryDir folder;
};

} // namespace TestSupport

// Like QTEST_MAIN, with the preferences isolated before the application object exists.
#define ORVL_TEST_MAIN(TestClass)                                                                  \
    int main(int argc, char** argv) {                                                              \
        TestSupport::PrivateSettings privateSettings;                                              \
        QApplication application(argc, argv);                                                      \
        QCoreApplication::setOrganizationName(QStringLiteral("talvane-orvello-tests"));            \
        QCoreApplication::setApplicationName(QStringLiteral(#TestClass));                          \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
