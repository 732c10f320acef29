// One running program per session: org.freedesktop.Application on the session bus under the
// application id, the interface a launcher calls for a DBusActivatable desktop entry.
#pragma once

#include <QObject>
#include <QUrl>
#include <QVariantMap>
#include <functional>

class DesktopApplication : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")
public:
    // The reverse-DNS application id; the bus name, the desktop entry and the metainfo carry it.
    static const QString id;

    enum class Claim {
        alone,   // no session bus: this launch runs by itself
        claimed, // this launch holds the id now and answers the calls
        taken,   // a running program holds the id
    };

    // What the calls do, run from the event loop after the caller has its answer (opening can
    // ask for a password).
    std::function<void(const QList<QUrl>&)> open;
    std::function<void()> activate;

    // Offers the interface, then asks for the id.
    Claim claim();

    // Gives the files to the program holding the id (Open), or with none raises it (Activate),
    // passing on this launch's activation token; false when it does not answer.
    static bool handOver(const QList<QUrl>& files);

public slots:
    Q_SCRIPTABLE void Activate(const QVariantMap& platformData);
    Q_SCRIPTABLE void Open(const QStringList& uris, const QVariantMap& platformData);
    // The program offers no actions.
    Q_SCRIPTABLE void ActivateAction(const QString& name, const QVariantList& parameter,
                                     const QVariantMap& platformData);
};
