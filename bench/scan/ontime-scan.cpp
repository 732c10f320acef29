// Runs one network scan over this machine's interfaces and prints what it found, every host it
// sent a request to, and how long it took, as one JSON object.
#include "base/Preferences.h"
#include "ontime/Discovery.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTextStream>

namespace {

// Passes requests on and remembers where they went.
class RecordingTransport : public HttpTransport {
public:
    std::shared_ptr<HttpCall> get(const HttpRequest& request, HttpCallback done) override {
        targets.insert(request.url.host() + QLatin1Char(':') + QString::number(request.url.port()));
        ++requests;
        return inner.get(request, std::move(done));
    }
    NetworkHttpTransport inner;
    QSet<QString> targets;
    int requests = 0;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("talvane-orvello-bench"));
    Preferences::setOverride(QStringLiteral("appLanguage"), QStringLiteral("de"));
    const QStringList arguments = application.arguments();
    const int port = arguments.size() > 1 ? arguments[1].toInt() : 4001;
    const int stagetimerPort = arguments.size() > 2 ? arguments[2].toInt() : 3000;

    RecordingTransport transport;
    QJsonArray interfaces;
    const QList<Discovery::Interface> local = Discovery::localIPv4();
    for (const Discovery::Interface& interface : local)
        interfaces.append(interface.name + QLatin1Char(' ') + Discovery::ipString(interface.ip) +
                          QLatin1Char('/') + Discovery::ipString(interface.mask));
    QJsonArray progress;
    QElapsedTimer elapsed;
    elapsed.start();
    const Operation scan = Discovery::scan(
        port, stagetimerPort,
        [&](int done, int total, const QList<OntimeServer>&) {
            progress.append(QJsonArray{done, total});
        },
        [&](const Discovery::ScanResult& result) {
            QJsonArray servers;
            for (const OntimeServer& server : result.servers)
                servers.append(QJsonObject{{"host", server.host},
                                           {"port", server.port},
                                           {"api", server.api == OntimeAPI::v3 ? "v3" : "v1"},
                                           {"version", server.version},
                                           {"label", server.label()}});
            QJsonArray apps;
            for (const StagetimerDesktop& app : result.stagetimers)
                apps.append(
                    QJsonObject{{"host", app.host}, {"port", app.port}, {"apiV1", app.apiV1}});
            QStringList targets(transport.targets.begin(), transport.targets.end());
            targets.sort();
            const QJsonObject report{{"elapsedMs", double(elapsed.elapsed())},
                                     {"interfaces", interfaces},
                                     {"servers", servers},
                                     {"stagetimers", apps},
                                     {"info", result.info},
                                     {"progress", progress},
                                     {"requests", transport.requests},
                                     {"targets", QJsonArray::fromStringList(targets)}};
            QTextStream(stdout) << QJsonDocument(report).toJson(QJsonDocument::Indented);
            QCoreApplication::quit();
        },
        transport, local);
    return application.exec();
}
