// Program entry: the application object, then the controller, then the event loop.
#include "app/AppDelegate.h"
#include "app/Appearance.h"
#include "app/CommandLine.h"
#include "app/DesktopApplication.h"
#include "base/L10n.h"
#include "base/Preferences.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTimer>
#include <QTranslator>
#include <cstdio>

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
    QGuiApplication::setDesktopFileName(DesktopApplication::id);

    QList<QUrl> handedOver;
    for (const QString& argument : commandLine.run->files)
        handedOver.append(AppDelegate::urlFromArgument(argument));
    // One running program per session: a later launch gives it the files and ends.
    DesktopApplication desktop;
    if (desktop.claim() == DesktopApplication::Claim::taken &&
        DesktopApplication::handOver(handedOver)) {
        if (commandLine.run->present || commandLine.run->page)
            std::fputs("talvane-orvello: handed over to the running program, which keeps its "
                       "slide and mode (--present and --page apply to a new program only)\n",
                       stderr);
        return 0;
    }

    // Qt's own texts (shortcut names in menus, standard buttons) in the program's language.
    QTranslator qtTexts;
    if (qtTexts.load(QStringLiteral("qtbase_") + L10n::current(),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        application.installTranslator(&qtTexts);

    Appearance::applyDark(application);
    AppDelegate controller;
    desktop.open = [&controller](const QList<QUrl>& files) {
        controller.applicationOpen(files);
        controller.raiseConsole();
    };
    desktop.activate = [&controller] { controller.raiseConsole(); };
    controller.setCommandLinePlan(commandLine.run->plan);
    controller.applicationOpen(handedOver);
    controller.setLaunchRequest(commandLine.run->present, commandLine.run->page);
    QTimer::singleShot(0, &controller, &AppDelegate::applicationDidFinishLaunching);
    return application.exec();
}
