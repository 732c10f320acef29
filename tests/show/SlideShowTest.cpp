// The talk's state: moving and clamping, hidden pages, whole slides, typed numbers, blanking and
// Esc, a new or a reloaded deck, and one announcement per call.
#include "show/SlideShow.h"
#include "notes/DeckNotes.h"
#include "support/TestSupport.h"

class SlideShowTest : public QObject {
    Q_OBJECT

    // Counts the announcements and records the order of the two signals.
    struct Heard {
        explicit Heard(SlideShow& show) {
            QObject::connect(&show, &SlideShow::changed, [this] { order.append("changed"); });
            QObject::connect(&show, &SlideShow::presentingChanged, [this](bool presenting) {
                order.append(presenting ? "started" : "stopped");
            });
        }
        QStringList order;
    };

private slots:
    void goToClampsAndEndsBlanking_data() {
        QTest::addColumn<qint64>("from");
        QTest::addColumn<Blank>("blank");
        QTest::addColumn<qint64>("target");
        QTest::addColumn<qint64>("page");
        QTest::addColumn<int>("announced");
        QTest::newRow("forward") << qint64(2) << Blank::none << qint64(3) << qint64(3) << 1;
        QTest::newRow("below the first slide")
            << qint64(4) << Blank::none << qint64(-5) << qint64(0) << 1;
        QTest::newRow("beyond the last slide")
            << qint64(4) << Blank::none << qint64(99) << qint64(9) << 1;
        QTest::newRow("same slide is silent")
            << qint64(4) << Blank::none << qint64(4) << qint64(4) << 0;
        QTest::newRow("clamped onto the current slide is silent")
            << qint64(9) << Blank::none << qint64(12) << qint64(9) << 0;
        QTest::newRow("same slide while black ends blanking")
            << qint64(4) << Blank::black << qint64(4) << qint64(4) << 1;
        QTest::newRow("another slide while white ends blanking")
            << qint64(4) << Blank::white << qint64(5) << qint64(5) << 1;
    }
    void goToClampsAndEndsBlanking() {
        QFETCH(qint64, from);
        QFETCH(Blank, blank);
        QFETCH(qint64, target);
        SlideShow show;
        show.setDeck(10, nullptr, false);
        show.goTo(from);
        if (blank != Blank::none)
            show.toggleBlank(blank);
        Heard heard(show);
        show.goTo(target);
        QTEST(show.page(), "page");
        QCOMPARE(show.blank(), Blank::none);
        QTEST(int(heard.order.size()), "announced");
    }

    void withoutADeckNothingMoves() {
        SlideShow show;
        show.toggleBlank(Blank::black);
        Heard heard(show);
        show.goTo(3);
        show.next();
        QVERIFY(!show.start());
        show.startFrom(2);
        QCOMPARE(show.page(), 0);
        QCOMPARE(show.blank(), Blank::black);
        QVERIFY(!show.isPresenting());
        QVERIFY(heard.order.isEmpty());
    }

    // A beamer deck: title, a frame of three steps, one slide, a frame of two that ends the talk,
    // a hidden backup slide and another. Steps move by page over hidden pages, Shift by slide;
    // End goes to the end slide; a typed number is a label and reaches a hidden page, and one
    // that no slide has goes nowhere and is said until the next call.
    void slidesAsTheirAuthorMadeThem_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<QString>("calls");
        QTest::addColumn<int>("page");
        QTest::addColumn<std::optional<qint64>>("missing");
        const std::optional<qint64> none;
        QTest::newRow("a step") << 1 << "next" << 2 << none;
        QTest::newRow("a step over a hidden page") << 6 << "next" << 8 << none;
        QTest::newRow("and back over it") << 8 << "previous" << 6 << none;
        QTest::newRow("Return alone: the next page shown") << 6 << "return" << 8 << none;
        QTest::newRow("a whole slide, to its first step") << 2 << "nextSlide" << 4 << none;
        QTest::newRow("back a whole slide, built up") << 4 << "previousSlide" << 3 << none;
        QTest::newRow("over a hidden slide") << 5 << "nextSlide" << 8 << none;
        QTest::newRow("no slide ahead: stays") << 8 << "nextSlide" << 8 << none;
        QTest::newRow("End: the end slide, not the backup") << 0 << "last" << 5 << none;
        QTest::newRow("a typed label: its frame's first step") << 7 << "2 return" << 1 << none;
        QTest::newRow("a typed number reaches a hidden page") << 0 << "5 return" << 7 << none;
        QTest::newRow("a number no slide has") << 4 << "9 return" << 4 << std::optional<qint64>(9);
        QTest::newRow("said until the next call") << 4 << "9 return b" << 4 << none;
    }
    void slidesAsTheirAuthorMadeThem() {
        QFETCH(int, from);
        QFETCH(QString, calls);
        QTemporaryDir folder;
        QFile sidecar(folder.filePath("talk.pdfpc"));
        QVERIFY(sidecar.open(QIODevice::WriteOnly));
        sidecar.write(R"({"endSlide": 3, "pages": [{"idx": 7, "hidden": true}]})");
        sidecar.close();
        DeckNotes notes;
        notes.load(folder.filePath("talk.pdf"), {"1", "2", "2", "2", "3", "4", "4", "5", "6"});
        SlideShow show;
        show.setDeck(9, &notes, false);
        show.goTo(from);
        for (const QString& call : calls.split(' ')) {
            if (call == "next")
                show.next();
            else if (call == "previous")
                show.previous();
            else if (call == "nextSlide")
                show.nextSlide();
            else if (call == "previousSlide")
                show.previousSlide();
            else if (call == "last")
                show.last();
            else if (call == "return")
                show.goToTyped();
            else if (call == "b")
                show.toggleBlank(Blank::black);
            else
                show.type(call);
        }
        QTEST(int(show.page()), "page");
        QTEST(show.missingNumber(), "missing");
        QCOMPARE(show.typed(), QString());
    }

    // A new deck ends the talk and starts at its first page, unblanked; the same deck read again
    // keeps the talk, the page (clamped to its new length) and the blanking.
    void newAndReloadedDecks_data() {
        QTest::addColumn<bool>("keepPlace");
        QTest::addColumn<qint64>("pages");
        QTest::addColumn<qint64>("page");
        QTest::addColumn<Blank>("blank");
        QTest::newRow("another deck") << false << qint64(12) << qint64(0) << Blank::none;
        QTest::newRow("reloaded, as long") << true << qint64(12) << qint64(7) << Blank::white;
        QTest::newRow("reloaded, shorter") << true << qint64(3) << qint64(2) << Blank::white;
    }
    void newAndReloadedDecks() {
        QFETCH(bool, keepPlace);
        QFETCH(qint64, pages);
        SlideShow show;
        show.setDeck(10, nullptr, false);
        show.goTo(7);
        show.toggleBlank(Blank::white);
        QVERIFY(show.start());
        show.type("4");
        show.setDeck(pages, nullptr, keepPlace);
        QTEST(show.page(), "page");
        QTEST(show.blank(), "blank");
        QCOMPARE(show.typed(), keepPlace ? QStringLiteral("4") : QString());
        QCOMPARE(show.isPresenting(), keepPlace);
    }

    // A call that changes several things announces once, the start or end of a talk after the
    // change itself; Esc undoes one thing at a time.
    void oneAnnouncementPerCall() {
        SlideShow show;
        show.setDeck(10, nullptr, false);
        show.goTo(5);
        show.toggleBlank(Blank::black);
        Heard heard(show);
        show.startFrom(0);
        QCOMPARE(heard.order, QStringList({"changed", "started"}));
        QCOMPARE(show.page(), 0);
        QCOMPARE(show.blank(), Blank::none);
        show.type("1");
        show.type("2");
        show.goToTyped();
        QCOMPARE(show.missingNumber(), std::optional<qint64>(12));
        // Esc takes back what was said of the number, and nothing more.
        show.escape();
        QVERIFY(!show.missingNumber());
        QVERIFY(show.isPresenting());
        show.type("1");
        show.type("2");
        show.toggleBlank(Blank::white);
        heard.order.clear();
        show.escape();
        QCOMPARE(show.typed(), QString());
        QCOMPARE(show.blank(), Blank::white);
        show.escape();
        QCOMPARE(show.blank(), Blank::none);
        show.escape();
        QVERIFY(!show.isPresenting());
        show.escape();
        QCOMPARE(heard.order, QStringList({"changed", "changed", "changed", "stopped"}));
    }
};

ORVL_TEST_MAIN(SlideShowTest)
#include "SlideShowTest.moc"
