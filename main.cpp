// Program entry: the application object, then the controller, then the event loop.
#include "app/AppDelegate.h"
#include "app/Appearance.h"
#include "app/CommandLine.h"
#include "base/L10n.h"
#include "base/Preferences.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTimer>
#include <QTranslator>

int main(int argc, char** argv) {
    // Read before the application object exists: --help and --version need no display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    QCoreApplication::setOrganizationName(QStringLiteral("talvane-orvello"));
    QCoreApplication::setApplicationName(QStringLiteral("talvane-orvello"));
    const CommandLine::Outcome commandLine = CommandLine::read(arguments);
    if (!commandLine.run)
        return commandLine.exitStatus;

    QApplication application(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(ORVL_VERSION));
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Talvane Orvello"));
    QGuiApplication::setDesktopFileName(QStringLiteral("talvane-orvello"));

    // Qt's own texts (shortcut names in menus, standard buttons) in the program's language.
    QTranslator qtTexts;
    if (qtTexts.load(QStringLiteral("qtbase_") + L10n::current(),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        application.installTranslator(&qtTexts);

    Appearance::applyDark(application);
    AppDelegate controller;
    QList<QUrl> handedOver;
    for (const QString& argument : commandLine.run->files)
        handedOver.append(AppDelegate::urlFromArgument(argument));
    controller.applicationOpen(handedOver);
    controller.setLaunchRequest(commandLine.run->present, commandLine.run->page);
    QTimer::singleShot(0, &controller, &AppDelegate::applicationDidFinishLaunching);
    return application.exec();
}
