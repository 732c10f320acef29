// The Stagetimer setup window over a model on a scripted transport: fields reloaded on every
// showing, nothing stored before "Verbinden", the enabled rules and the status row.
#include "base/Colors.h"
#include "stagetimer/StagetimerModel.h"
#include "support/ManualClock.h"
#include "support/PlainText.h"
#include "support/ScriptedTransport.h"
#include "support/TestSupport.h"
#include "ui/timers/StagetimerSetup.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <utility>

namespace {

const QByteArray runningStatus =
    R"({"ok":true,"data":{"timer_id":"T1","running":true,"start":1.7e12,"finish":1700000060000,"server_time":1.7e12}})";

} // namespace

class StagetimerSetupTest : public QObject {
    Q_OBJECT

    std::shared_ptr<ScriptedTransport> transport;
    std::unique_ptr<StagetimerModel> model;
    std::unique_ptr<StagetimerSetupWindow> window;

    StagetimerSetupWindow* view() const { return window.get(); }

    void open() {
        window->showInFront();
        QVERIFY(view()->isVisible());
    }

    // As the speaker types: the fields count as edited.
    void type(const QString& room, const QString& key, const QString& server) {
        for (const auto& [field, text] : {std::pair{view()->roomField, room},
                                          {view()->keyField, key},
                                          {view()->serverField, server}}) {
            field->setText(text);
            field->setModified(true);
        }
    }

private slots:
    void initTestCase() { QVERIFY(TestSupport::useGerman()); }

    void init() {
        Preferences::clearForTests();
        transport = std::make_shared<ScriptedTransport>();
        model = std::make_unique<StagetimerModel>(transport, std::make_shared<ManualClock>());
        window = std::make_unique<StagetimerSetupWindow>(*model);
    }

    void cleanup() {
        window.reset();
        model.reset();
        transport.reset();
    }

    void firstOpeningWithNothingStored() {
        open();
        QVERIFY(view()->roomField->text().isEmpty());
        QVERIFY(view()->keyField->text().isEmpty());
        QVERIFY(view()->serverField->text().isEmpty());
        QCOMPARE(view()->statusColour(), Colors::grey(0.5));
        QCOMPARE(view()->statusLabel->text(), QStringLiteral("Nicht verbunden"));
        QVERIFY(!view()->connectButton->isEnabled());
        QVERIFY(!view()->disconnectButton->isEnabled());
        // The key never shows on a screen the audience may see.
        QCOMPARE(view()->keyField->echoMode(), QLineEdit::Password);
    }

    void connectNeedsRoomAndKey_data() {
        QTest::addColumn<QString>("room");
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("enabled");

        QTest::newRow("both typed") << "ROOM1" << QString("KEY") << true;
        QTest::newRow("key of spaces only") << "ROOM1" << QString("   ") << false;
        QTest::newRow("room of tabs only") << "\t\t" << QString("KEY") << false;
        QTest::newRow("key missing") << "ROOM1" << QString() << false;
        QTest::newRow("padded values count") << " ROOM1 " << QString("\tKEY") << true;
    }

    void connectNeedsRoomAndKey() {
        QFETCH(QString, room);
        QFETCH(QString, key);
        open();
        type(room, key, {});
        QTEST(view()->connectButton->isEnabled(), "enabled");
    }

    void connectStoresTrimmedAndConnects() {
        open();
        type(QStringLiteral("ROOM1 "), QStringLiteral("KEY"), QStringLiteral(" 10.0.0.7:3000"));
        view()->connectButton->click();
        QCOMPARE(Preferences::text(QStringLiteral("stagetimerRoom")), QStringLiteral("ROOM1"));
        QCOMPARE(Preferences::text(QStringLiteral("stagetimerKey")), QStringLiteral("KEY"));
        QCOMPARE(Preferences::text(QStringLiteral("stagetimerServer")),
                 QStringLiteral("10.0.0.7:3000"));
        // The field keeps what was typed until it is reloaded.
        QCOMPARE(view()->roomField->text(), QStringLiteral("ROOM1 "));

        QVERIFY(model->connecting());
        QCOMPARE(view()->statusLabel->text(), QStringLiteral("Verbinde mit Stagetimer …"));
        QCOMPARE(view()->statusColour(), Colors::orange);
        // An attempt can be stopped even though the link was never enabled.
        QVERIFY(view()->disconnectButton->isEnabled());
        QVERIFY(transport->requests.back().url.toString().startsWith(
            QStringLiteral("http://10.0.0.7:3000/")));

        QVERIFY(transport->answerHttp(200, runningStatus));
        QVERIFY(model->connected());
        QCOMPARE(view()->statusColour(), Colors::green);
        QCOMPARE(view()->statusLabel->text(), QStringLiteral("Verbunden mit 10.0.0.7:3000"));
        QVERIFY(view()->disconnectButton->isEnabled());

        view()->disconnectButton->click();
        QCOMPARE(view()->statusColour(), Colors::grey(0.5));
        QCOMPARE(view()->statusLabel->text(), QStringLiteral("Nicht verbunden"));
        QVERIFY(!view()->disconnectButton->isEnabled());
        QVERIFY(!Preferences::flag(QStringLiteral("stagetimerEnabled")));

        view()->doneButton->click();
        open();
        QCOMPARE(view()->roomField->text(), QStringLiteral("ROOM1"));
    }

    void failedAttemptShowsTheCause() {
        open();
        type(QStringLiteral("ROOM1"), QStringLiteral("KEY"), QStringLiteral("10.0.0.7:3000"));
        view()->connectButton->click();
        while (transport->openCount() > 0)
            QVERIFY(transport->answerHttp(401, R"({"ok":false,"message":"Nope"})"));
        QVERIFY(!model->connecting());
        QVERIFY(view()->statusLabel->text().startsWith(QStringLiteral("Stagetimer: ")));
        QCOMPARE(view()->statusColour(), Colors::red);
        QVERIFY(!view()->disconnectButton->isEnabled());
    }

    // The cause may be the server's own message; it shows as written.
    void serverMessageShowsAsWritten() {
        open();
        type(QStringLiteral("ROOM1"), QStringLiteral("KEY"), QStringLiteral("10.0.0.7:3000"));
        view()->connectButton->click();
        const QByteArray answer =
            QJsonDocument(QJsonObject{{"ok", false}, {"message", PlainText::hostile}}).toJson();
        while (transport->openCount() > 0)
            QVERIFY(transport->answerHttp(500, answer));
        QVERIFY(view()->statusLabel->text().startsWith(QStringLiteral("Stagetimer: ") +
                                                       PlainText::hostile));
        const PlainText::LabelCount labels = PlainText::labelsShowing(*view(), PlainText::hostile);
        QCOMPARE(labels.rich, 0);
        QCOMPARE(labels.plain, 1);
    }

    // Return never closes the window on what was typed: it connects once it can; closing keeps
    // the typing for the next opening, and stores nothing.
    void returnConnectsAndClosingKeepsTheTyping() {
        Preferences::setValue(QStringLiteral("stagetimerRoom"), QStringLiteral("OLD"));
        open();
        QCOMPARE(view()->roomField->text(), QStringLiteral("OLD"));
        type(QStringLiteral("NEW"), QString(), QString());
        QTest::keyClick(view()->roomField, Qt::Key_Return);
        QVERIFY(view()->isVisible());
        QVERIFY(transport->requests.empty());

        view()->doneButton->click();
        QVERIFY(!view()->isVisible());
        open();
        QCOMPARE(view()->roomField->text(), QStringLiteral("NEW"));
        QCOMPARE(Preferences::text(QStringLiteral("stagetimerRoom")), QStringLiteral("OLD"));

        view()->keyField->setText(QStringLiteral("SECRET"));
        QTest::keyClick(view()->keyField, Qt::Key_Return);
        QVERIFY(view()->isVisible());
        QCOMPARE(Preferences::text(QStringLiteral("stagetimerRoom")), QStringLiteral("NEW"));
        QCOMPARE(Preferences::text(QStringLiteral("stagetimerKey")), QStringLiteral("SECRET"));
        QVERIFY(model->connecting());
    }

    void serverChosenElsewhereShowsOnReopening() {
        open();
        view()->close();
        model->setServer(QStringLiteral("10.0.0.7:3000"));
        open();
        QCOMPARE(view()->serverField->text(), QStringLiteral("10.0.0.7:3000"));
    }

    void enabledLinkCanBeSwitchedOff() {
        Preferences::setValue(QStringLiteral("stagetimerEnabled"), true);
        open();
        QVERIFY(view()->disconnectButton->isEnabled());
    }
};

ORVL_TEST_MAIN(StagetimerSetupTest)
#include "tst_stagetimersetup.moc"
