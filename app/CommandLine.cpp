#include "app/CommandLine.h"

#include "app/OutputScreens.h"
#include "base/L10n.h"
#include "base/Preferences.h"

#include <QCommandLineParser>
#include <cstdio>

namespace {

const QString programName = QStringLiteral("talvane-orvello");

struct PreferenceKey {
    const char* key;
    const char* fallback;
    const char* meaning; // German, looked up when shown
};

// Every key a person may want to set for one run; the window frames and the recent files are
// left out, they are the program's own bookkeeping.
constexpr PreferenceKey preferenceKeys[] = {
    {"outputScreen", "\"\"",
     ORVL_TEXT("Bildschirm des Publikums: \"\" automatisch, \"NAME BREITExHÖHE\" wie in der "
               "Auswahl, \"__window__\" das Testfenster")},
    {"appLanguage", "system", ORVL_TEXT("de, en oder fr; ohne Angabe die Sprache des Systems")},
    {"thumbColumns", "1", ORVL_TEXT("Spalten der Folienleiste, 1 bis 4")},
    {"layoutSidebar", "0.1", ORVL_TEXT("Breite der Folienleiste als Anteil der Konsole")},
    {"layoutSplit", "0.62", ORVL_TEXT("Anteil der aktuellen Folie an der Folienfläche")},
    {"previewNextPage", "false",
     ORVL_TEXT("die Ansicht der nächsten Folie zeigt die nächste Seite, nicht die nächste Folie")},
    {"timerSource", "none", ORVL_TEXT("internal, ontime oder stagetimer; none: beim Start suchen")},
    {"ontimeEnabled", "false", ORVL_TEXT("beim Start wieder mit dem letzten Ontime verbinden")},
    {"ontimeHost", "\"\"", ORVL_TEXT("Rechner des Ontime-Servers")},
    {"ontimePort", "4001", ORVL_TEXT("Port des Ontime-Servers")},
    {"stagetimerEnabled", "false",
     ORVL_TEXT("beim Start wieder mit dem Stagetimer-Raum verbinden")},
    {"stagetimerRoom", "\"\"", ORVL_TEXT("Raum-ID in Stagetimer")},
    {"stagetimerKey", "\"\"", ORVL_TEXT("API-Key für Stagetimer")},
    {"stagetimerServer", "\"\"",
     ORVL_TEXT("eine Stagetimer-Desktop-App als HOST:PORT; \"\" der Cloud-Dienst")},
    {"automationScript", "\"\"", ORVL_TEXT("Datei mit Automatisierungsschritten (für Tests)")},
    {"automationPassword", "\"\"",
     ORVL_TEXT("die Antwort auf eine Passwortabfrage unter Automatisierung")},
    {"automationSwitchDeck", "false",
     ORVL_TEXT("die Antwort unter Automatisierung, ob eine laufende Präsentation für einen "
               "anderen Foliensatz endet")},
};

// Qt's own options, which the application object takes out of the command line later.
QStringList withoutQtOptions(const QStringList& arguments) {
    static const QStringList withValue{"-platform",        "-platformpluginpath",
                                       "-platformtheme",   "-plugin",
                                       "-qwindowgeometry", "-qwindowtitle",
                                       "-qwindowicon",     "-display",
                                       "-style",           "-stylesheet",
                                       "-session",         "-name",
                                       "-title",           "-geometry"};
    static const QStringList alone{"-reverse", "-nograb", "-dograb", "-sync", "-widgetcount"};
    QStringList kept;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (withValue.contains(argument))
            ++i;
        else if (!alone.contains(argument) && !withValue.contains(argument.section('=', 0, 0)))
            kept.append(argument);
    }
    return kept;
}

void print(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
}

} // namespace

namespace CommandLine {

QString helpText() {
    // Options and their meanings in two columns; the meanings in the program's language.
    const auto option = [](const char* names, const QString& meaning) {
        return QStringLiteral("  %1 %2\n").arg(QLatin1String(names), -20).arg(meaning);
    };
    QString text = L10n::lookup("Aufruf: talvane-orvello [Optionen] [PDF …]") +
                   QStringLiteral("\n") +
                   L10n::lookup("Präsentationsprogramm für PDF-Foliensätze: das Publikum sieht die "
                                "Folie im Vollbild auf dem zweiten Bildschirm, der Vortragende die "
                                "Konsole mit der nächsten Folie, Timer und Uhr.") +
                   QStringLiteral("\n\n") + L10n::lookup("Optionen:") + QStringLiteral("\n");
    text += option("-h, --help", L10n::lookup("Diese Hilfe zeigen und beenden."));
    text += option("-v, --version", L10n::lookup("Die Version zeigen und beenden."));
    text += option("--present", L10n::lookup("Sofort präsentieren."));
    text += option("--page N", L10n::lookup("Den Foliensatz bei Folie N öffnen (ab 1 gezählt)."));
    text +=
        option("--duration MIN",
               L10n::lookup("Einen Vortrag von MIN Minuten planen: der Timer zählt rückwärts."));
    text += option("--end-time HH:MM",
                   L10n::lookup("Einen Vortrag planen, der zu dieser Uhrzeit endet (der nächsten, "
                                "oder einer in den letzten 3 Stunden: dann ist er überzogen)."));
    text +=
        option("--screen NAME",
               L10n::lookup("Das Publikum für diesen Lauf auf diesem Bildschirm zeigen (sein "
                            "Name oder \"NAME BREITExHÖHE\"; \"__window__\" das Testfenster)."));
    text += option("--set KEY=VALUE",
                   L10n::lookup("Eine Einstellung nur für diesen Lauf setzen (nicht gespeichert); "
                                "VALUE gilt als JSON, wo es sich so lesen lässt."));
    text += QStringLiteral("\n") + L10n::lookup("Argumente:") + QStringLiteral("\n");
    text += option("PDF...", L10n::lookup("PDF-Dateien oder file:-URLs; die erste wird geöffnet."));
    text += QStringLiteral("\n") + L10n::lookup("Einstellungen für --set (Vorgabe in Klammern):") +
            QStringLiteral("\n");
    for (const PreferenceKey& entry : preferenceKeys)
        text += QStringLiteral("  %1 [%2]\n      %3\n")
                    .arg(QLatin1String(entry.key), QLatin1String(entry.fallback),
                         L10n::lookup(QString::fromUtf8(entry.meaning)));
    return text;
}

Outcome read(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QString());
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")}, QString());
    const QCommandLineOption present(QStringLiteral("present"), QString());
    const QCommandLineOption page(QStringLiteral("page"), QString(), QStringLiteral("N"));
    const QCommandLineOption screen(QStringLiteral("screen"), QString(), QStringLiteral("NAME"));
    const QCommandLineOption set(QStringLiteral("set"), QString(), QStringLiteral("KEY=VALUE"));
    const QCommandLineOption duration(QStringLiteral("duration"), QString(), QStringLiteral("MIN"));
    const QCommandLineOption endTime(QStringLiteral("end-time"), QString(),
                                     QStringLiteral("HH:MM"));
    parser.addOptions({help, version, present, page, screen, set, duration, endTime});
    const auto mistake = [](const QString& message) {
        print(stderr, programName + QStringLiteral(": ") + message + QStringLiteral("\n") +
                          L10n::lookup("Mehr mit „talvane-orvello --help“.") +
                          QStringLiteral("\n"));
        return Outcome{std::nullopt, 2};
    };
    if (!parser.parse(withoutQtOptions(arguments)))
        return mistake(parser.errorText());
    if (parser.isSet(help)) {
        print(stdout, helpText());
        return {};
    }
    if (parser.isSet(version)) {
        print(stdout,
              programName + QLatin1Char(' ') + QStringLiteral(ORVL_VERSION) + QLatin1Char('\n'));
        return {};
    }
    for (const QString& assignment : parser.values(set)) {
        if (!Preferences::setOverrideFromArgument(assignment))
            return mistake(L10n::format("--set braucht KEY=VALUE, nicht „%@“", {assignment}));
    }
    if (parser.isSet(screen))
        Preferences::setOverride(OutputScreens::settingKey, parser.value(screen));
    Request request;
    request.files = parser.positionalArguments();
    request.present = parser.isSet(present);
    if (parser.isSet(page)) {
        bool ok = false;
        const qint64 number = parser.value(page).toLongLong(&ok);
        if (!ok || number < 1)
            return mistake(L10n::format("--page braucht eine Foliennummer ab 1, nicht „%@“",
                                        {parser.value(page)}));
        request.page = number;
    }
    if (parser.isSet(duration) && parser.isSet(endTime))
        return mistake(L10n::lookup("--duration und --end-time schließen einander aus"));
    if (parser.isSet(duration)) {
        request.plan.lengthMinutes = PaceTarget::parseLength(parser.value(duration));
        if (!request.plan.lengthMinutes)
            return mistake(L10n::format("--duration braucht Minuten von 1 bis %d, nicht „%@“",
                                        {PaceTarget::longestMinutes, parser.value(duration)}));
    }
    if (parser.isSet(endTime)) {
        request.plan.endTime = PaceTarget::parseEndTime(parser.value(endTime));
        if (!request.plan.endTime)
            return mistake(L10n::format("--end-time braucht eine Uhrzeit als HH:MM, nicht „%@“",
                                        {parser.value(endTime)}));
    }
    return {request, 0};
}

} // namespace CommandLine
