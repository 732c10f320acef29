#include "app/CommandLine.h"

#include "app/OutputScreens.h"
#include "base/Preferences.h"

#include <QCommandLineParser>
#include <cstdio>

namespace {

const QString programName = QStringLiteral("talvane-orvello");

struct PreferenceKey {
    const char* key;
    const char* fallback;
    const char* meaning;
};

// Every key a person may want to set for one run; the window frame and the recent files are
// left out, they are the program's own bookkeeping.
constexpr PreferenceKey preferenceKeys[] = {
    {"outputScreen", "\"\"",
     "audience screen: \"\" automatic, \"NAME WIDTHxHEIGHT\" as the chooser lists it, "
     "\"__window__\" the test window"},
    {"appLanguage", "system", "de, en or fr; the system's language when absent"},
    {"thumbColumns", "1", "thumbnail columns, 1 to 4"},
    {"layoutSidebar", "0.1", "sidebar width as a fraction of the console"},
    {"layoutSplit", "0.62", "current slide's share of the slide area"},
    {"previewNextPage", "false", "the next-slide view shows the next page, not the next slide"},
    {"timerSource", "none", "internal, ontime or stagetimer; none: search at start"},
    {"ontimeEnabled", "false", "reconnect to the last Ontime server at start"},
    {"ontimeHost", "\"\"", "the Ontime server's host"},
    {"ontimePort", "4001", "the Ontime server's port"},
    {"stagetimerEnabled", "false", "reconnect to the Stagetimer room at start"},
    {"stagetimerRoom", "\"\"", "Stagetimer room ID"},
    {"stagetimerKey", "\"\"", "Stagetimer API key"},
    {"stagetimerServer", "\"\"", "a Stagetimer desktop app as HOST:PORT; \"\" the cloud service"},
    {"automationScript", "\"\"", "file of automation steps (for tests)"},
    {"automationPassword", "\"\"", "the answer to a password prompt under automation"},
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
    QString text = QStringLiteral(
        "Usage: talvane-orvello [options] [PDF...]\n"
        "Presenter for PDF slide decks: the audience sees the slide full screen on the second\n"
        "screen, the speaker the console with the next slide, timer and clock.\n"
        "\n"
        "Options:\n"
        "  -h, --help           Show this help and exit.\n"
        "  -v, --version        Show the version and exit.\n"
        "  --present            Start presenting at once.\n"
        "  --page N             Open the deck at slide N (counted from 1).\n"
        "  --duration MIN       Plan a talk of MIN minutes: the talk timer counts down.\n"
        "  --end-time HH:MM     Plan a talk that ends at this time of day (the next one, or\n"
        "                       one passed within the last 3 hours: the talk runs over).\n"
        "  --screen NAME        Show the audience on this screen for this run (its name, or\n"
        "                       \"NAME WIDTHxHEIGHT\"; \"__window__\" for the test window).\n"
        "  --set KEY=VALUE      Set a preference for this run only (not stored); VALUE is\n"
        "                       read as JSON when it parses.\n"
        "\n"
        "Arguments:\n"
        "  PDF...               PDF files or file: URLs; the first one is opened.\n"
        "\n"
        "Preferences for --set (default in brackets):\n");
    for (const PreferenceKey& entry : preferenceKeys)
        text += QStringLiteral("  %1 [%2]\n      %3\n")
                    .arg(QLatin1String(entry.key), QLatin1String(entry.fallback),
                         QLatin1String(entry.meaning));
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
        print(stderr, programName + QStringLiteral(": ") + message +
                          QStringLiteral("\nTry 'talvane-orvello --help'.\n"));
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
            return mistake(QStringLiteral("--set needs KEY=VALUE, got \"%1\"").arg(assignment));
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
            return mistake(QStringLiteral("--page needs a slide number from 1 on, got \"%1\"")
                               .arg(parser.value(page)));
        request.page = number;
    }
    if (parser.isSet(duration) && parser.isSet(endTime))
        return mistake(QStringLiteral("--duration and --end-time exclude each other"));
    if (parser.isSet(duration)) {
        request.plan.lengthMinutes = PaceTarget::parseLength(parser.value(duration));
        if (!request.plan.lengthMinutes)
            return mistake(QStringLiteral("--duration needs minutes from 1 to %1, got \"%2\"")
                               .arg(PaceTarget::longestMinutes)
                               .arg(parser.value(duration)));
    }
    if (parser.isSet(endTime)) {
        request.plan.endTime = PaceTarget::parseEndTime(parser.value(endTime));
        if (!request.plan.endTime)
            return mistake(QStringLiteral("--end-time needs a time of day as HH:MM, got \"%1\"")
                               .arg(parser.value(endTime)));
    }
    return {request, 0};
}

} // namespace CommandLine
