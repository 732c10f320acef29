// Program entry: the application object, then the controller, then the event loop.
#include "app/AppDelegate.h"
#include "app/Appearance.h"
#include "base/L10n.h"
#include "base/Preferences.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLibraryInfo>
#include <QTimer>
#include <QTranslator>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("talvane-orvello"));
    QCoreApplication::setApplicationName(QStringLiteral("talvane-orvello"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ORVL_VERSION));
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Talvane Orvello"));
    QGuiApplication::setDesktopFileName(QStringLiteral("talvane-orvello"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Presenter for PDF slide decks"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption setOption(
        QStringLiteral("set"),
        QStringLiteral("Sets a preference for this run only (not stored); VALUE is read as JSON "
                       "when it parses."),
        QStringLiteral("KEY=VALUE"));
    parser.addOption(setOption);
    parser.addPositionalArgument(QStringLiteral("files"),
                                 QStringLiteral("PDF files or file: URLs to open"),
                                 QStringLiteral("[PDF...]"));
    parser.process(application);

    for (const QString& assignment : parser.values(setOption)) {
        if (!Preferences::setOverrideFromArgument(assignment)) {
            std::fprintf(stderr, "talvane-orvello: --set needs KEY=VALUE, got \"%s\"\n",
                         qPrintable(assignment));
            return 2;
        }
    }

    // Qt's own texts (shortcut names in menus, standard buttons) in the program's language.
    QTranslator qtTexts;
    if (qtTexts.load(QStringLiteral("qtbase_") + L10n::current(),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        application.installTranslator(&qtTexts);

    Appearance::applyDark(application);
    AppDelegate controller;
    QList<QUrl> handedOver;
    for (const QString& argument : parser.positionalArguments())
        handedOver.append(AppDelegate::urlFromArgument(argument));
    controller.applicationOpen(handedOver);
    QTimer::singleShot(0, &controller, &AppDelegate::applicationDidFinishLaunching);
    return application.exec();
}
