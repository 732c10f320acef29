// Opening decks through the controller: what is reported when a file does not open (the old deck
// and its talk stay), the password asked again until it fits, a changed file read again with the
// talk where it was, and a sidecar edited beside the deck.
#include "app/DeckController.h"
#include "base/RecentFiles.h"
#include "document/Deck.h"
#include "show/SlideShow.h"
#include "support/FakeEngine.h"
#include "support/TestSupport.h"
#include "ui/dialogs/Prompts.h"

namespace {

// Answers passwords from a list and records what the speaker would be asked.
class Answers : public Prompts {
public:
    QStringList passwords;
    QStringList asked;

    void setWindow(QWidget*) override {}
    void alert(const QString& message, const QString&) override { asked << message; }
    void notice(const QString& message, const QString&) override { asked << message; }
    std::optional<QString> password(const QString& name, bool again) override {
        asked << (again ? QStringLiteral("again ") : QStringLiteral("password ")) + name;
        if (passwords.isEmpty())
            return std::nullopt;
        return passwords.takeFirst();
    }
    bool confirmQuit(const QString&) override { return false; }
    bool confirmDeckChange(const QString&) override { return false; }
    int ask(const QString&, const QStringList&) override { return 0; }
    void about(const QString&, const QString&) override {}
};

void write(const QString& path, const QByteArray& content) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

} // namespace

class DeckControllerTest : public QObject {
    Q_OBJECT

    QTemporaryDir folder;
    FakeEngineScript script;
    Answers prompts;
    std::unique_ptr<Deck> deck;
    std::unique_ptr<DeckController> controller;
    SlideShow show;
    QStringList heard;

    QString path(const QString& name) const { return folder.filePath(name); }
    // Opens and waits for the outcome.
    bool open(const QString& name) {
        std::optional<bool> outcome;
        controller->open(QUrl::fromLocalFile(path(name)), [&](bool opened) { outcome = opened; });
        return QTest::qWaitFor([&] { return outcome.has_value(); }, 10000) && *outcome;
    }

private slots:
    void init() {
        Preferences::clearForTests();
        script.release();
        script.failures.clear();
        script.passwords.clear();
        prompts = Answers();
        heard.clear();
        deck = std::make_unique<Deck>(script.factory());
        controller =
            std::make_unique<DeckController>(*deck, prompts, DeckController::Timing{20, 20});
        // As the program follows it: a new deck from its start, a reloaded one where it was.
        connect(controller.get(), &DeckController::opened, this, [this] {
            heard << "opened";
            show.setDeck(deck->pageCount(), &controller->notes(), false);
        });
        connect(controller.get(), &DeckController::reloaded, this, [this] {
            heard << "reloaded";
            show.setDeck(deck->pageCount(), &controller->notes(), true);
        });
        connect(controller.get(), &DeckController::notesChanged, this,
                [this] { heard << "notes"; });
        connect(controller.get(), &DeckController::problem, this,
                [this](const QString& message, const QString&) { heard << message; });
        write(path("talk.pdf"), "%PDF-1.4\n%%EOF\n");
    }
    void cleanup() {
        controller.reset();
        deck.reset();
    }

    // A file that does not open is said once, with its reason; the deck open before stays, and
    // so does the talk on it.
    void failureKeepsTheOldDeck_data() {
        QTest::addColumn<OpenStatus>("status");
        QTest::addColumn<QString>("said");
        QTest::newRow("missing") << OpenStatus::notFound << "Datei nicht gefunden: other.pdf";
        QTest::newRow("not a PDF") << OpenStatus::notPdf << "other.pdf ist keine PDF-Datei";
        QTest::newRow("damaged") << OpenStatus::damaged
                                 << "other.pdf ist beschädigt und kann nicht geöffnet werden";
        QTest::newRow("no permission")
            << OpenStatus::permissionDenied << "Keine Berechtigung, other.pdf zu lesen";
    }
    void failureKeepsTheOldDeck() {
        QFETCH(OpenStatus, status);
        QVERIFY(TestSupport::useGerman());
        QVERIFY(open("talk.pdf"));
        show.goTo(4);
        QVERIFY(show.start());
        script.failures.insert(path("other.pdf"), status);
        QVERIFY(!open("other.pdf"));
        QFETCH(QString, said);
        QCOMPARE(heard, (QStringList{"opened", said}));
        QCOMPARE(deck->url(), QUrl::fromLocalFile(path("talk.pdf")));
        QCOMPARE(show.page(), 4);
        QVERIFY(show.isPresenting());
        QCOMPARE(RecentFiles::all(), QList<QUrl>{QUrl::fromLocalFile(path("talk.pdf"))});
        QVERIFY(controller->notice().isEmpty());
    }

    // A locked deck asks for its password until it fits or the speaker gives up.
    void passwordAskedAgainUntilItFits_data() {
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<bool>("opens");
        QTest::addColumn<QStringList>("asked");
        QTest::newRow("right at once")
            << QStringList{"secret"} << true << QStringList{"password talk.pdf"};
        QTest::newRow("wrong, then right") << QStringList{"guess", "secret"} << true
                                           << QStringList{"password talk.pdf", "again talk.pdf"};
        QTest::newRow("given up") << QStringList{"guess"} << false
                                  << QStringList{"password talk.pdf", "again talk.pdf"};
    }
    void passwordAskedAgainUntilItFits() {
        QFETCH(QStringList, typed);
        QVERIFY(TestSupport::useGerman());
        script.passwords.insert(path("talk.pdf"), "secret");
        prompts.passwords = typed;
        QFETCH(bool, opens);
        QCOMPARE(open("talk.pdf"), opens);
        QTEST(prompts.asked, "asked");
        QCOMPARE(heard,
                 opens ? QStringList{"opened"} : QStringList{"Falsches Passwort für talk.pdf"});
    }

    // A file rebuilt on disk is read again with the talk where it was; one that stays unreadable
    // leaves the old deck and says so on the status line, never in a dialog.
    void changedFileKeepsTheTalk() {
        QVERIFY(TestSupport::useGerman());
        QVERIFY(open("talk.pdf"));
        show.goTo(7);
        show.toggleBlank(Blank::white);
        write(path("talk.pdf"), "%PDF-1.4\nrebuilt\n%%EOF\n");
        QTRY_COMPARE(heard, (QStringList{"opened", "reloaded"}));
        QCOMPARE(show.page(), 7);
        QCOMPARE(show.blank(), Blank::white);

        script.failures.insert(path("talk.pdf"), OpenStatus::damaged);
        write(path("talk.pdf"), "%PDF-1.4\nbroken\n%%EOF\n");
        QTRY_COMPARE_WITH_TIMEOUT(
            controller->notice(),
            QStringLiteral("Geänderte Datei talk.pdf nicht lesbar – die bisherige Fassung bleibt"),
            10000);
        QCOMPARE(heard, (QStringList{"opened", "reloaded"}));
        QVERIFY(prompts.asked.isEmpty());
        QCOMPARE(deck->pageCount(), 20);
    }

    // Notes written beside the open deck are read without reopening it.
    void sidecarEditedBesideTheDeck() {
        QVERIFY(open("talk.pdf"));
        QVERIFY(!controller->notes().isHidden(2));
        write(path("talk.pdfpc"), R"({"pdfpcFormat": 2, "pages": [{"idx": 2, "hidden": true}]})");
        QTRY_COMPARE(heard, (QStringList{"opened", "notes"}));
        QVERIFY(controller->notes().isHidden(2));
    }
};

ORVL_TEST_MAIN(DeckControllerTest)
#include "DeckControllerTest.moc"
