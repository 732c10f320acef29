// The Ontime setup window over a model on a scripted transport: the search on opening, the list
// and its check mark, the enabled rules, Return and double-click, the port field.
#include "base/Colors.h"
#include "ontime/OntimeModel.h"
#include "support/ManualClock.h"
#include "support/PlainText.h"
#include "support/ScriptedTransport.h"
#include "support/TestSupport.h"
#include "ui/timers/OntimeSetup.h"

#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>

namespace {

const OntimeServer stage{QStringLiteral("10.0.0.5"), 4001, OntimeAPI::v3, QStringLiteral("3.8.0")};
const OntimeServer foyer{QStringLiteral("10.0.0.9"), 4001, OntimeAPI::v3, QStringLiteral("3.9.1")};

bool rowHasCheckMark(QListWidget* list, int row) {
    QWidget* widget = list->itemWidget(list->item(row));
    return widget && widget->findChild<QLabel*>(QStringLiteral("current"));
}

} // namespace

class OntimeSetupTest : public QObject {
    Q_OBJECT

    std::unique_ptr<ScriptedTransport> transport;
    std::unique_ptr<ManualClock> clock;
    std::unique_ptr<OntimeModel> model;
    std::unique_ptr<OntimeSetupWindow> window;

    OntimeSetupWindow* view() const { return window.get(); }

    // Chosen servers stay in the found list; the last one chosen is polled and answers.
    void connectTo(const QList<OntimeServer>& servers) {
        for (const OntimeServer& server : servers)
            model->connectTo(server);
        QVERIFY(transport->answerHttp(200, R"({"payload":{}})"));
        QVERIFY(model->connected());
    }

    void open() {
        window->showInFront();
        QVERIFY(view()->isVisible());
    }

private slots:
    void initTestCase() { QVERIFY(TestSupport::useGerman()); }

    void init() {
        Preferences::clearForTests();
        transport = std::make_unique<ScriptedTransport>();
        clock = std::make_unique<ManualClock>();
        model = std::make_unique<OntimeModel>(*transport, *clock);
        model->listInterfaces = [] { return QList<Discovery::Interface>{}; };
        window = std::make_unique<OntimeSetupWindow>(*model);
    }

    void cleanup() {
        window.reset();
        model.reset();
        transport.reset();
        clock.reset();
    }

    void openingWhileDisconnectedSearches() {
        open();
        QVERIFY(model->scanning());
        QCOMPARE(view()->searchButton->text(), QStringLiteral("Suche läuft …"));
        QVERIFY(!view()->searchButton->isEnabled());
        QVERIFY(view()->progress->isVisible());
        QCOMPARE(view()->statusColour(), Colors::orange);
        QVERIFY(!view()->scanInfoLabel->isVisible());
        // Nothing chosen yet, but a search runs: there is something to stop.
        QVERIFY(view()->disconnectButton->isEnabled());

        transport->refuseAll();
        QCOMPARE(model->status(),
                 QStringLiteral("Kein Ontime gefunden (Port 4001) – neuer Versuch …"));
        QCOMPARE(view()->statusLabel->text(), model->status());
        QVERIFY(view()->scanInfoLabel->isVisible());
        QCOMPARE(view()->scanInfoLabel->text(), model->scanInfo());
        QCOMPARE(view()->progress->value(), view()->progress->maximum());

        // The search comes back every 5 seconds, with its progress bar.
        clock->advance(5000);
        QVERIFY(model->scanning());
        QVERIFY(view()->progress->isVisible());
    }

    // The stop button cancels the search; the search button then searches once, without
    // connecting or retrying.
    void stopThenSearchAgain() {
        open();
        view()->disconnectButton->click();
        QVERIFY(!model->scanning());
        QCOMPARE(view()->statusLabel->text(), QStringLiteral("Nicht verbunden"));
        QCOMPARE(view()->statusColour(), Colors::grey(0.5));
        QVERIFY(!view()->disconnectButton->isEnabled());
        QVERIFY(!view()->progress->isVisible());
        QCOMPARE(view()->searchButton->text(), QStringLiteral("Netzwerk durchsuchen"));
        QVERIFY(view()->searchButton->isEnabled());

        view()->searchButton->click();
        QVERIFY(model->scanning());
        transport->refuseAll();
        QVERIFY(!model->scanning());
        QVERIFY(view()->statusLabel->text().startsWith(QStringLiteral("Kein Ontime gefunden")));
        QCOMPARE(view()->statusColour(), Colors::red);
    }

    // Opening while connected does not search; the check mark follows the server.
    void openingWhileConnected() {
        connectTo({stage, foyer});
        const size_t requestsBefore = transport->requests.size();
        open();
        QVERIFY(!model->scanning());
        QCOMPARE(transport->requests.size(), requestsBefore);
        QCOMPARE(view()->list->count(), 2);
        QVERIFY(!rowHasCheckMark(view()->list, 0));
        QVERIFY(rowHasCheckMark(view()->list, 1));
        QCOMPARE(view()->statusColour(), Colors::green);
        QVERIFY(view()->disconnectButton->isEnabled());
        model->connectTo(stage);
        QVERIFY(rowHasCheckMark(view()->list, 0));
        QVERIFY(!rowHasCheckMark(view()->list, 1));
    }

    // A version found by the scan reaches the list row and the status as written.
    void serverTextsShowAsWritten() {
        const OntimeServer hostile{QStringLiteral("10.0.0.7"), 4001, OntimeAPI::v3,
                                   PlainText::hostile};
        model->connectTo(hostile);
        open();
        QVERIFY(view()->statusLabel->text().contains(PlainText::hostile));
        const PlainText::LabelCount labels = PlainText::labelsShowing(*view(), PlainText::hostile);
        QCOMPARE(labels.rich, 0);
        QCOMPARE(labels.plain, 2);
    }

    void connectButtonNeedsAnotherServer_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("nothing selected") << -1 << false;
        QTest::newRow("the current server") << 1 << false;
        QTest::newRow("another server") << 0 << true;
    }

    void connectButtonNeedsAnotherServer() {
        QFETCH(int, row);
        QFETCH(bool, enabled);
        connectTo({stage, foyer});
        open();
        if (row >= 0)
            view()->list->setCurrentRow(row);
        QCOMPARE(view()->connectSelectedButton->isEnabled(), enabled);
        if (enabled) {
            view()->connectSelectedButton->click();
            QCOMPARE(model->server(), std::optional<OntimeServer>(model->found().at(row)));
            QVERIFY(!view()->connectSelectedButton->isEnabled());
        }
    }

    void primaryActionConnects_data() {
        QTest::addColumn<bool>("doubleClick");
        QTest::newRow("Return on the selected row") << false;
        QTest::newRow("double-click on a row") << true;
    }

    void primaryActionConnects() {
        QFETCH(bool, doubleClick);
        connectTo({stage, foyer});
        open();
        view()->list->setCurrentRow(0);
        if (doubleClick) {
            QWidget* viewport = view()->list->viewport();
            const QPoint centre = view()->list->visualItemRect(view()->list->item(0)).center();
            QTest::mouseClick(viewport, Qt::LeftButton, {}, centre);
            QCOMPARE(model->server(), std::optional<OntimeServer>(foyer));
            QTest::mouseDClick(viewport, Qt::LeftButton, {}, centre);
        } else {
            QTest::keyClick(view()->list, Qt::Key_Return);
        }
        QCOMPARE(model->server(), std::optional<OntimeServer>(stage));
        // Return acted on the list, not on the window's default button.
        QVERIFY(view()->isVisible());
    }

    void hostField_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QString>("probed");

        QTest::newRow("empty") << "" << false << "";
        QTest::newRow("spaces and tabs only") << " \t " << false << "";
        QTest::newRow("an address with spaces around it")
            << "  10.20.0.59 " << true << "http://10.20.0.59:4001/api/version";
        QTest::newRow("a name") << "stage-pc" << true << "http://stage-pc:4001/api/version";
    }

    void hostField() {
        QFETCH(QString, typed);
        QFETCH(QString, probed);

        open();
        view()->disconnectButton->click();
        const size_t before = transport->requests.size();
        const QString statusBefore = model->status();
        view()->hostField->setText(typed);
        QTEST(view()->connectHostButton->isEnabled(), "enabled");

        QTest::keyClick(view()->hostField, Qt::Key_Return);
        QVERIFY(view()->isVisible());
        if (probed.isEmpty()) {
            QCOMPARE(transport->requests.size(), before);
            QCOMPARE(model->status(), statusBefore);
        } else {
            QCOMPARE(transport->requests.size(), before + 1);
            QCOMPARE(transport->requests.back().url.toString(), probed);
            QCOMPARE(view()->statusLabel->text(),
                     QStringLiteral("Verbinde mit %1 …").arg(typed.trimmed()));
        }
    }

    void hostFieldIsPrefilledButNotOverwritten() {
        Preferences::setValue(QStringLiteral("ontimeHost"), QStringLiteral("10.0.0.5"));
        open();
        QCOMPARE(view()->hostField->text(), QStringLiteral("10.0.0.5"));
        view()->hostField->setText(QStringLiteral("stage-pc"));
        view()->doneButton->click();
        QVERIFY(!view()->isVisible());
        open();
        QCOMPARE(view()->hostField->text(), QStringLiteral("stage-pc"));
    }

    void portField_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<qint64>("stored");
        QTest::addColumn<QString>("shown");

        QTest::newRow("a port") << "5000" << qint64(5000) << "5000";
        QTest::newRow("no digit grouping") << "40010" << qint64(40010) << "40010";
        QTest::newRow("zero is stored but reads as 4001") << "0" << qint64(0) << "4001";
        QTest::newRow("negative is stored but reads as 4001") << "-7" << qint64(-7) << "4001";
    }

    void portField() {
        QFETCH(QString, typed);
        QFETCH(QString, shown);

        open();
        view()->disconnectButton->click();
        QCOMPARE(view()->portField->text(), QStringLiteral("4001"));
        view()->portField->selectAll();
        QTest::keyClicks(view()->portField, typed);
        QTest::keyClick(view()->portField, Qt::Key_Return);
        QVERIFY(view()->isVisible());
        QTEST(Preferences::integer(QStringLiteral("ontimePort"), 99), "stored");
        QCOMPARE(view()->portField->text(), shown);

        // The next probe uses the port as read.
        view()->hostField->setText(QStringLiteral("10.0.0.5"));
        view()->connectHostButton->click();
        QCOMPARE(transport->requests.back().url.port(), shown.toInt());
    }

    void portFieldUntouchedStoresNothing() {
        open();
        emit view()->portField->editingFinished();
        QVERIFY(!Preferences::contains(QStringLiteral("ontimePort")));
    }

    void longReportKeepsTheButtonsInside_data() {
        QTest::addColumn<int>("lines");
        QTest::newRow("no report") << 0;
        QTest::newRow("one network") << 2;
        QTest::newRow("four networks") << 5;
    }

    void longReportKeepsTheButtonsInside() {
        QFETCH(int, lines);
        connectTo({stage});
        open();
        QStringList report;
        for (int i = 0; i < lines; ++i)
            report << QStringLiteral("eth%1 10.77.%1.2: 10.77.%1.1 – 10.77.%1.254").arg(i);
        view()->scanInfoLabel->setText(report.join(QLatin1Char('\n')));
        view()->scanInfoLabel->setVisible(lines > 0);
        view()->layout()->activate();
        if (lines < 5)
            QCOMPARE(view()->list->height(), 150);
        QVERIFY(view()->list->height() >= 90);
        const QRect done = view()->doneButton->geometry();
        QVERIFY2(done.bottom() <= view()->height() - 20,
                 qPrintable(QString::number(done.bottom())));
        QVERIFY(
            view()->disconnectButton->geometry().top() >
            view()
                ->connectHostButton->mapTo(view(), QPoint(0, view()->connectHostButton->height()))
                .y());
    }

    void returnElsewhereIsDone() {
        open();
        QTest::keyClick(view(), Qt::Key_Return);
        QVERIFY(!view()->isVisible());
        // Closing only hides: the same window comes back.
        OntimeSetupWindow* first = view();
        open();
        QCOMPARE(view(), first);
    }
};

ORVL_TEST_MAIN(OntimeSetupTest)
#include "tst_OntimeSetup.moc"
