// The console's remote control panel: off, failing, and listening with phones connected.
#include "remote/RemoteTypes.h"
#include "support/TestSupport.h"
#include "ui/remote/RemotePanel.h"

#include <QLabel>

class TestRemotePanel : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(TestSupport::useGerman()); }

    void offAndFailing() {
        RemotePanel panel;
        QCOMPARE(panel.address->text(), QStringLiteral("Fernbedienung aus"));
        QVERIFY(panel.code->isHidden());
        panel.setStatus({}, QStringLiteral("Port 9180 ist belegt"));
        QCOMPARE(panel.address->text(), QStringLiteral("Port 9180 ist belegt"));
        QVERIFY(panel.clients->text().isEmpty());
    }

    void listeningWithPhones() {
        RemotePanel panel;
        RemoteStatus status;
        status.listening = true;
        status.address = QStringLiteral("http://192.168.1.5:9180/?token=abc");
        status.httpPort = 9180;
        status.oscPort = 9181;
        panel.setStatus(status, {});
        QVERIFY(!panel.code->isHidden());
        const QImage code = panel.code->pixmap().toImage();
        QVERIFY(!code.isNull());
        QCOMPARE(code.width(), code.height());
        QCOMPARE(panel.address->text(), status.address);
        QCOMPARE(panel.ports->text(), QStringLiteral("HTTP-Port 9180 · OSC-Port 9181"));
        QCOMPARE(panel.clients->text(), QStringLiteral("Kein Telefon verbunden"));
        QCOMPARE(panel.control->text(), QStringLiteral("Niemand steuert"));

        status.clients = {{1, QStringLiteral("192.168.1.23 · iPhone"), false},
                          {2, QStringLiteral("<b>192.168.1.24</b> · Android"), true}};
        status.controlling = status.clients[1].name;
        panel.setStatus(status, {});
        QCOMPARE(panel.clients->text(),
                 QStringLiteral("Verbunden: 192.168.1.23 · iPhone, <b>192.168.1.24</b> · Android"));
        QCOMPARE(panel.control->text(),
                 QStringLiteral("Es steuert: <b>192.168.1.24</b> · Android"));
        for (const QLabel* label : {panel.address, panel.clients, panel.control})
            QCOMPARE(label->textFormat(), Qt::PlainText);
    }
};

ORVL_TEST_MAIN(TestRemotePanel)
#include "tst_RemotePanel.moc"
