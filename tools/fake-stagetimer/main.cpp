// fake-stagetimer: serves a Stagetimer room like a desktop app on the local network.
#include "FakeStagetimer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Answers like a Stagetimer desktop app. Control while running with GET "
                       "/control/timer?state=running|paused|stopped&ms=N[&id=ID&name=NAME], "
                       "/control/message?text=T, /control/fault?kind=K, /control/skew?ms=N"));
    parser.addHelpOption();
    const QCommandLineOption host(QStringLiteral("host"), QStringLiteral("Address to bind."),
                                  QStringLiteral("address"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Port; 0 picks a free one."),
                                  QStringLiteral("port"), QStringLiteral("3000"));
    const QCommandLineOption room(QStringLiteral("room"), QStringLiteral("Room ID."),
                                  QStringLiteral("id"), QStringLiteral("ROOM1234"));
    const QCommandLineOption key(QStringLiteral("key"), QStringLiteral("API key."),
                                 QStringLiteral("key"), QStringLiteral("KEY1234"));
    const QCommandLineOption v0Only(QStringLiteral("v0-only"),
                                    QStringLiteral("Act as an app without API v1."));
    const QCommandLineOption fault(QStringLiteral("fault"),
                                   QStringLiteral("Misbehave from the start: ") +
                                       FakeStagetimer::faultNames.join(QStringLiteral(", ")),
                                   QStringLiteral("kind"));
    parser.addOptions({host, port, room, key, v0Only, fault});
    parser.process(application);

    FakeStagetimer server(parser.value(room), parser.value(key));
    server.setV0Only(parser.isSet(v0Only));
    if (!server.setFault(parser.value(fault))) {
        std::fprintf(stderr, "fake-stagetimer: unknown fault %s\n",
                     qPrintable(parser.value(fault)));
        return 2;
    }
    const QHostAddress address(parser.value(host));
    if (address.isNull() || !server.listen(address, quint16(parser.value(port).toUInt()))) {
        std::fprintf(stderr, "fake-stagetimer: cannot listen on %s:%s\n",
                     qPrintable(parser.value(host)), qPrintable(parser.value(port)));
        return 1;
    }
    std::printf("listening %s:%u\n", qPrintable(address.toString()), unsigned(server.port()));
    std::fflush(stdout);
    return application.exec();
}
