// Program entry: the Qt application object, then the program's pieces, then the event loop.
#include "app/Appearance.h"
#include "app/Application.h"
#include "app/CommandLine.h"
#include "app/DesktopApplication.h"
#include "automation/Automation.h"
#include "automation/ScriptedPrompts.h"
#include "base/L10n.h"
#include "base/Preferences.h"
#include "ui/dialogs/WidgetPrompts.h"

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
        handedOver.append(Application::urlFromArgument(argument));
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
    // A script drives the program for tests: its dialogs then print themselves and answer as
    // their default button would.
    const QString script = Preferences::text(QStringLiteral("automationScript"));
    WidgetPrompts desktopPrompts;
    ScriptedPrompts scriptedPrompts;
    Application app(script.isEmpty() ? static_cast<Prompts&>(desktopPrompts) : scriptedPrompts);
    if (!script.isEmpty())
        new Automation(app, script);
    // The console comes forward first: during a talk, it asks before it changes the deck.
    desktop.open = [&app](const QList<QUrl>& files) {
        app.raiseConsole();
        app.openFiles(files);
    };
    desktop.activate = [&app] { app.raiseConsole(); };
    app.setCommandLinePlan(commandLine.run->plan);
    app.openFiles(handedOver);
    app.setLaunchRequest(commandLine.run->present, commandLine.run->page);
    QTimer::singleShot(0, &app, &Application::start);
    return application.exec();
}
