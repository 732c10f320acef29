// A stand-in for the program around the remote control: a scripted deck that follows the
// commands it receives, coloured slide pictures, and one JSON line on standard output for each
// command and each status change. It stops by itself after --lifetime seconds.
#include "base/Preferences.h"
#include "remote/RemoteControl.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QImage>
#include <QJsonDocument>
#include <QTimer>
#include <cstdio>

namespace {

void print(const QJsonObject& line) {
    std::fputs(QJsonDocument(line).toJson(QJsonDocument::Compact).append('\n').constData(), stdout);
    std::fflush(stdout);
}

RemoteState scripted(int index, int count, RemoteBlank blank) {
    RemoteState state;
    state.slideIndex = index;
    state.slideCount = count;
    state.blank = blank;
    state.presenting = true;
    state.talkTime = QStringLiteral("00:%1").arg(index, 2, 10, QLatin1Char('0'));
    state.talkColour = QStringLiteral("green");
    state.remainingSeconds = 600 - index;
    state.notesText = QStringLiteral("Notizen zu Folie %1").arg(index + 1);
    state.notesHtml = QStringLiteral("<p>Notizen zu <b>Folie %1</b></p>").arg(index + 1);
    state.currentPage = index;
    state.nextPage = index + 1 < count ? index + 1 : -1;
    state.deckGeneration = 1;
    return state;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    parser.addOptions({{QStringLiteral("interface"), QStringLiteral("interface"),
                        QStringLiteral("name"), QStringLiteral("lo")},
                       {QStringLiteral("port"), QStringLiteral("HTTP port"), QStringLiteral("port"),
                        QStringLiteral("0")},
                       {QStringLiteral("osc-port"), QStringLiteral("OSC port"),
                        QStringLiteral("port"), QStringLiteral("0")},
                       {QStringLiteral("slides"), QStringLiteral("slides"), QStringLiteral("count"),
                        QStringLiteral("5")},
                       {QStringLiteral("lifetime"), QStringLiteral("seconds"),
                        QStringLiteral("seconds"), QStringLiteral("60")}});
    parser.process(application);
    Preferences::setOverride(QStringLiteral("appLanguage"), QStringLiteral("de"));

    RemoteControl remote;
    const int count = parser.value(QStringLiteral("slides")).toInt();
    int index = 0;
    RemoteBlank blank = RemoteBlank::None;
    remote.setState(scripted(index, count, blank));
    remote.setImageProvider([](qint64 page, QSize pixels, std::function<void(QImage)> done) {
        QImage picture(pixels, QImage::Format_RGB32);
        picture.fill(QColor::fromHsv(int(page * 60 % 360), 200, 220));
        // Asynchronous, as the program's renderer is.
        QTimer::singleShot(0, [picture, done] { done(picture); });
    });
    QObject::connect(&remote, &RemoteControl::statusChanged, [&remote] {
        QJsonObject line = remote.automationState();
        line.insert(QStringLiteral("event"), QStringLiteral("status"));
        print(line);
    });
    QObject::connect(&remote, &RemoteControl::commandReceived,
                     [&](RemoteCommand command, int slideIndex) {
                         print({{QStringLiteral("event"), QStringLiteral("command")},
                                {QStringLiteral("command"), remoteCommandName(command)},
                                {QStringLiteral("slideIndex"), slideIndex}});
                         switch (command) {
                         case RemoteCommand::Next:
                             index = std::min(index + 1, count - 1);
                             break;
                         case RemoteCommand::Previous:
                             index = std::max(index - 1, 0);
                             break;
                         case RemoteCommand::GoTo:
                             index = slideIndex;
                             break;
                         case RemoteCommand::Black:
                             blank = RemoteBlank::Black;
                             break;
                         case RemoteCommand::White:
                             blank = RemoteBlank::White;
                             break;
                         case RemoteCommand::Show:
                             blank = RemoteBlank::None;
                             break;
                         case RemoteCommand::Start:
                         case RemoteCommand::Stop:
                             break;
                         }
                         if (command != RemoteCommand::Black && command != RemoteCommand::White &&
                             command != RemoteCommand::Show)
                             blank = RemoteBlank::None;
                         remote.setState(scripted(index, count, blank));
                     });

    RemoteSettings settings;
    settings.enabled = true;
    settings.interfaceName = parser.value(QStringLiteral("interface"));
    settings.httpPort = quint16(parser.value(QStringLiteral("port")).toUInt());
    settings.oscPort = quint16(parser.value(QStringLiteral("osc-port")).toUInt());
    remote.applySettings(settings);
    if (!remote.status().listening) {
        print({{QStringLiteral("event"), QStringLiteral("failed")},
               {QStringLiteral("problem"), remote.problem()}});
        return 1;
    }
    QTimer::singleShot(parser.value(QStringLiteral("lifetime")).toInt() * 1000, &application,
                       &QCoreApplication::quit);
    return application.exec();
}
