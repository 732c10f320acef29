// Display-sleep inhibition over the session bus, against a mock screen-saver service, and with no
// bus.
#include "app/DisplaySleepInhibitor.h"
#include "support/TestSupport.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QMutex>
#include <QThread>

// Answers like the desktop's screen-saver service and records the calls.
class MockScreenSaver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    // Written on the service thread, read by the test thread.
    QStringList recorded() const {
        QMutexLocker lock(&mutex);
        return calls;
    }

private:
    void record(const QString& call) {
        QMutexLocker lock(&mutex);
        calls << call;
    }
    mutable QMutex mutex;
    QStringList calls;
    quint32 nextCookie = 41;

public slots:
    quint32 Inhibit(const QString& applicationName, const QString& reason) {
        record(QStringLiteral("Inhibit %1: %2").arg(applicationName, reason));
        return ++nextCookie;
    }
    void UnInhibit(quint32 cookie) { record(QStringLiteral("UnInhibit %1").arg(cookie)); }
};

class TestDisplaySleep : public QObject {
    Q_OBJECT
    static bool haveBus() { return QDBusConnection::sessionBus().isConnected(); }

private slots:
    void inhibitsAndReleasesThroughTheService() {
        if (!haveBus())
            QSKIP("no session bus (the dbus-run-session variant of this test covers it)");
        // The service lives on its own thread and connection, so the blocking call really crosses
        // the bus.
        QThread serviceThread;
        MockScreenSaver mock;
        mock.moveToThread(&serviceThread);
        serviceThread.start();
        bool registered = false;
        QMetaObject::invokeMethod(
            &mock,
            [&] {
                QDBusConnection serviceSide =
                    QDBusConnection::connectToBus(QDBusConnection::SessionBus, "mock");
                registered = serviceSide.registerObject("/org/freedesktop/ScreenSaver", &mock,
                                                        QDBusConnection::ExportAllSlots) &&
                             serviceSide.registerService("org.freedesktop.ScreenSaver");
            },
            Qt::BlockingQueuedConnection);
        QVERIFY(registered);

        {
            DisplaySleepInhibitor inhibitor;
            QVERIFY(inhibitor.inhibit("Talvane Orvello", "Präsentation läuft"));
            QVERIFY(inhibitor.isHeld());
            QVERIFY(inhibitor.inhibit("Talvane Orvello", "Präsentation läuft")); // held once only
            inhibitor.release();
            QVERIFY(!inhibitor.isHeld());
            QTRY_COMPARE(
                mock.recorded(),
                (QStringList{"Inhibit Talvane Orvello: Präsentation läuft", "UnInhibit 42"}));

            QVERIFY(inhibitor.inhibit("Talvane Orvello", "Präsentation läuft"));
        } // destruction releases what is held
        QTRY_COMPARE(mock.recorded().last(), QString("UnInhibit 43"));
        QMetaObject::invokeMethod(
            &mock, [] { QDBusConnection::disconnectFromBus("mock"); },
            Qt::BlockingQueuedConnection);
        serviceThread.quit();
        serviceThread.wait();
    }

    void noServiceIsNotAnError() {
        DisplaySleepInhibitor inhibitor;
        // Offscreen has no X11 fallback; with no service nothing is held and nothing fails.
        QVERIFY(!inhibitor.inhibit("Talvane Orvello", "Präsentation läuft"));
        QVERIFY(!inhibitor.isHeld());
        inhibitor.release();
    }
};

ORVL_TEST_MAIN(TestDisplaySleep)
#include "tst_displaysleep.moc"
