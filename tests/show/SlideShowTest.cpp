// The talk's state: moving and clamping, hidden pages, typed numbers, blanking and Esc, a new or
// a reloaded deck, and one announcement per call.
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

    // Next and previous step over hidden pages, and so does the next page after a typed nothing;
    // a typed number reaches a hidden page all the same.
    void hiddenPagesAreSteppedOver() {
        QTemporaryDir folder;
        QFile sidecar(folder.filePath("talk.pdfpc"));
        QVERIFY(sidecar.open(QIODevice::WriteOnly));
        sidecar.write(R"({"pdfpcFormat": 2, "pages": [{"idx": 2, "hidden": true},
                          {"idx": 3, "hidden": true}, {"idx": 5, "hidden": true}]})");
        sidecar.close();
        DeckNotes notes;
        notes.load(folder.filePath("talk.pdf"), {"1", "2", "3", "4", "5", "6"});
        SlideShow show;
        show.setDeck(6, &notes, false);
        show.goTo(1);
        show.next();
        QCOMPARE(show.page(), 4);
        show.next();
        QCOMPARE(show.page(), 4);
        show.previous();
        QCOMPARE(show.page(), 1);
        show.goToTyped();
        QCOMPARE(show.page(), 4);
        show.type("3");
        show.goToTyped();
        QCOMPARE(show.page(), 2);
        QCOMPARE(show.neighbour(2, -1), 1);
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
