#include "app/DisplaySleepInhibitor.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QGuiApplication>
#include <QLibrary>

namespace {

const QString screenSaverService = QStringLiteral("org.freedesktop.ScreenSaver");
const QString screenSaverPath = QStringLiteral("/org/freedesktop/ScreenSaver");

// libXss is loaded only when needed, so the program has no hard dependency on it.
using SuspendFunction = void (*)(void* display, int suspend);

bool suspendX11ScreenSaver(bool suspend) {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->display())
        return false;
    static const auto function = reinterpret_cast<SuspendFunction>(
        QLibrary::resolve(QStringLiteral("Xss"), 1, "XScreenSaverSuspend"));
    if (!function)
        return false;
    function(x11->display(), suspend ? 1 : 0);
    return true;
}

} // namespace

DisplaySleepInhibitor::~DisplaySleepInhibitor() {
    release();
}

bool DisplaySleepInhibitor::inhibit(const QString& applicationName, const QString& reason) {
    if (isHeld())
        return true;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        QDBusInterface screenSaver(screenSaverService, screenSaverPath, screenSaverService, bus);
        if (screenSaver.isValid()) {
            const QDBusReply<quint32> reply =
                screenSaver.call(QStringLiteral("Inhibit"), applicationName, reason);
            if (reply.isValid()) {
                cookie = reply.value();
                return true;
            }
        }
    }
    x11Suspended = suspendX11ScreenSaver(true);
    return x11Suspended;
}

void DisplaySleepInhibitor::release() {
    if (cookie) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (bus.isConnected()) {
            QDBusInterface screenSaver(screenSaverService, screenSaverPath, screenSaverService,
                                       bus);
            screenSaver.call(QDBus::NoBlock, QStringLiteral("UnInhibit"), *cookie);
        }
        cookie.reset();
    }
    if (x11Suspended) {
        suspendX11ScreenSaver(false);
        x11Suspended = false;
    }
}
