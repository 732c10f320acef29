#include "app/DesktopApplication.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QTimer>
#include <cstdio>

const QString DesktopApplication::id = QStringLiteral(ORVL_APP_ID);

namespace {

const QString interfaceName = QStringLiteral("org.freedesktop.Application");

// The object path the interface lives at: the id with dots as slashes.
QString objectPath() {
    return QLatin1Char('/') + QString(DesktopApplication::id).replace(QLatin1Char('.'), '/');
}

// The launcher's tokens, which let the running program take the focus on the user's behalf.
QVariantMap platformData() {
    QVariantMap data;
    if (const QString token = qEnvironmentVariable("XDG_ACTIVATION_TOKEN"); !token.isEmpty())
        data.insert(QStringLiteral("activation-token"), token);
    if (const QString id = qEnvironmentVariable("DESKTOP_STARTUP_ID"); !id.isEmpty())
        data.insert(QStringLiteral("desktop-startup-id"), id);
    return data;
}

// Qt's Wayland window activation uses the token from the environment once.
void takeActivationToken(const QVariantMap& platformData) {
    const QString token = platformData.value(QStringLiteral("activation-token")).toString();
    if (!token.isEmpty())
        qputenv("XDG_ACTIVATION_TOKEN", token.toUtf8());
}

} // namespace

DesktopApplication::Claim DesktopApplication::claim() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return Claim::alone;
    // The object first, so that a call arriving with the name finds it.
    if (!bus.registerObject(objectPath(), this, QDBusConnection::ExportScriptableSlots))
        return Claim::alone;
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
        bus.interface()->registerService(id, QDBusConnectionInterface::DontQueueService,
                                         QDBusConnectionInterface::DontAllowReplacement);
    if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered)
        return Claim::claimed;
    bus.unregisterObject(objectPath());
    return reply.isValid() ? Claim::taken : Claim::alone;
}

bool DesktopApplication::handOver(const QList<QUrl>& files) {
    QDBusMessage call;
    if (files.isEmpty()) {
        call = QDBusMessage::createMethodCall(id, objectPath(), interfaceName,
                                              QStringLiteral("Activate"));
        call << platformData();
    } else {
        QStringList uris;
        for (const QUrl& file : files)
            uris.append(file.toString(QUrl::FullyEncoded));
        call =
            QDBusMessage::createMethodCall(id, objectPath(), interfaceName, QStringLiteral("Open"));
        call << uris << platformData();
    }
    const QDBusMessage answer = QDBusConnection::sessionBus().call(call);
    if (answer.type() == QDBusMessage::ReplyMessage)
        return true;
    std::fprintf(stderr, "talvane-orvello: the running program did not answer (%s)\n",
                 qPrintable(answer.errorMessage()));
    return false;
}

void DesktopApplication::Activate(const QVariantMap& platformData) {
    takeActivationToken(platformData);
    QTimer::singleShot(0, this, [this] {
        if (activate)
            activate();
    });
}

void DesktopApplication::Open(const QStringList& uris, const QVariantMap& platformData) {
    takeActivationToken(platformData);
    QList<QUrl> files;
    for (const QString& uri : uris)
        files.append(QUrl(uri));
    QTimer::singleShot(0, this, [this, files] {
        if (open)
            open(files);
    });
}

void DesktopApplication::ActivateAction(const QString&, const QVariantList&, const QVariantMap&) {}
