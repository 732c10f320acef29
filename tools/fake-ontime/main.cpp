// Runs the stand-in Ontime server until killed; prints "listening HOST:PORT" once it accepts.
#include "FakeOntimeServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Answers like an Ontime server. State and misbehaviour: GET /control?playback=play&"
        "current=60000&title=...&message=...&visible=1&blink=0&secondary=...&source=secondary&"
        "external=...&misbehave=500|stall|drip|close|garbage|endless|redirect&location=URL "
        "(misbehave empty to behave)."));
    parser.addHelpOption();
    const QCommandLineOption host(QStringLiteral("host"), QStringLiteral("Address to bind."),
                                  QStringLiteral("address"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("Port (0: any free)."),
                                  QStringLiteral("port"), QStringLiteral("4001"));
    const QCommandLineOption generation(QStringLiteral("generation"),
                                        QStringLiteral("3 (current API), 1 (legacy API) or 0 "
                                                       "(404 to everything)."),
                                        QStringLiteral("n"), QStringLiteral("3"));
    const QCommandLineOption version(QStringLiteral("version-text"),
                                     QStringLiteral("Version reported by api/version."),
                                     QStringLiteral("text"), QStringLiteral("4.11.0"));
    const QCommandLineOption legacyPort(QStringLiteral("legacy-server-port"),
                                        QStringLiteral("serverPort claimed by ontime/info."),
                                        QStringLiteral("port"), QStringLiteral("4001"));
    const QCommandLineOption stagetimer(
        QStringLiteral("stagetimer"),
        QStringLiteral("Serve a Stagetimer app page instead: v1 "
                       "(api/v1/ and api/v0/) or v0 (only api/v0/)."),
        QStringLiteral("api"));
    const QCommandLineOption misbehave(QStringLiteral("misbehave"),
                                       QStringLiteral("Misbehave from the start."),
                                       QStringLiteral("mode"));
    parser.addOptions({host, port, generation, version, legacyPort, stagetimer, misbehave});
    parser.process(application);

    FakeOntimeServer::Options options;
    options.generation = parser.value(generation).toInt();
    options.version = parser.value(version);
    options.legacyServerPort = parser.value(legacyPort).toInt();
    options.stagetimer = parser.value(stagetimer);
    FakeOntimeServer server(options);
    if (parser.isSet(misbehave))
        server.setState(QUrlQuery{{QStringLiteral("misbehave"), parser.value(misbehave)}});

    const QHostAddress address(parser.value(host));
    if (address.isNull() || !server.listen(address, quint16(parser.value(port).toUInt()))) {
        QTextStream(stderr) << "fake-ontime: cannot listen on " << parser.value(host) << ':'
                            << parser.value(port) << '\n';
        return 1;
    }
    QTextStream(stdout) << "listening " << address.toString() << ':' << server.port() << Qt::endl;
    return application.exec();
}
