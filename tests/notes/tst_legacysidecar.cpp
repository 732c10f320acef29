// The older .pdfpc text format: each of its quirks, and the files its writers left behind read
// into a deck's notes, slides and plan.
#include "SidecarSummary.h"
#include "notes/DeckNotes.h"
#include "notes/Sidecar.h"
#include "notes/TalkPlan.h"
#include "support/TestSupport.h"

namespace {

// `talk.pdf` with `sidecar` beside it, read for a deck with these labels.
class Deck {
public:
    Deck(const QByteArray& sidecar, const QStringList& labels) {
        QFile file(directory.filePath(QStringLiteral("talk.pdfpc")));
        if (file.open(QIODevice::WriteOnly))
            file.write(sidecar);
        file.close();
        notes.load(directory.filePath(QStringLiteral("talk.pdf")), labels);
    }
    // Each page's sidecar note as plain text.
    QStringList pageNotes() const {
        QStringList texts;
        for (qint64 page = 0; page < notes.slides().pageCount(); ++page)
            texts << DeckNotes::plainText(notes.notesFor(page, {}));
        return texts;
    }

    QTemporaryDir directory;
    DeckNotes notes;
};

} // namespace

class TestLegacySidecar : public QObject {
    Q_OBJECT
private slots:
    void quirks_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("sections anywhere, text before the first ignored")
            << QByteArray("by hand\n[duration] 20 [last_minutes]3")
            << QStringList{"duration=20", "last=3"};
        QTest::newRow("a repeated section: the last counts")
            << QByteArray("[duration]\n20\n[duration]\n45") << QStringList{"duration=45"};
        QTest::newRow("numbers as C reads them, garbage after them ignored")
            << QByteArray("[duration]\n 25 minutes\n[last_minutes]\nsoon")
            << QStringList{"duration=25"};
        QTest::newRow("a font size in Pango units")
            << QByteArray("[font_size]\n22341") << QStringList{"font=21"};
        QTest::newRow("a notes position in any case")
            << QByteArray("[notes_position]\nRIGHT") << QStringList{"position=right"};
        QTest::newRow("the end slide counted from 1")
            << QByteArray("[end_user_slide]\n4\n[last_saved_slide]\n2")
            << QStringList{"endSlide=3"};
        QTest::newRow("times as written, an hour alone on the hour")
            << QByteArray("[start_time]\n9:5\n[end_time]\n17")
            << QStringList{"start=09:05", "end=17:00"};
        QTest::newRow("the skip list's last field is no page")
            << QByteArray("[skip]\n3,5,") << QStringList{"skip=2,4"};
        QTest::newRow("a skip list without its final comma")
            << QByteArray("[skip]\n3,5") << QStringList{"skip=2"};
        QTest::newRow("notes: the writers' escapes undone")
            << QByteArray("[notes]\n### 1\n\\[x\\] is \\#2") << QStringList{"note 1=[x] is #2"};
        QTest::newRow("notes: a header right after the text (3.x)")
            << QByteArray("[notes]\n### 1\nHello### 2\nWorld")
            << QStringList{"note 1=Hello", "note 2=World"};
        QTest::newRow("notes: each keeps its newline but the last")
            << QByteArray("[notes]\n### 1\none\n### 2\ntwo\n")
            << QStringList{"note 1=one\\n", "note 2=two"};
        QTest::newRow("notes: a heading inside a note stays in it")
            << QByteArray("[notes]\n### 1\nIntro\n### Details\nmore")
            << QStringList{"note 1=Intro\\n### Details\\nmore"};
        QTest::newRow("notes: a header with nothing under it takes no note")
            << QByteArray("[notes]\n### 2\nTwo\n### 2") << QStringList{"note 2=Two\\n"};
        QTest::newRow("notes: slide 0 is none, text before the first header neither")
            << QByteArray("[notes]\n1 apple\n### 0\nnothing") << QStringList();
        QTest::newRow("a bracketed word that names no section stays text")
            << QByteArray("[notes]\n### 1\nsee [Smith] p. 4\n[duration]\n20")
            << QStringList{"duration=20", "note 1=see [Smith] p. 4"};
        QTest::newRow("not UTF-8: Latin-1")
            << QByteArray("[notes]\n### 1\nCaf\xe9") << QStringList{"note 1=Caf\u00e9"};
    }
    void quirks() {
        QFETCH(QByteArray, text);
        const Sidecar::Reading reading = Sidecar::parse(text);
        QCOMPARE(reading.status, Sidecar::Reading::ok);
        QVERIFY(reading.file.legacy);
        QTEST(summary(reading.file), "fields");
    }

    // Files as their writers left them, on the decks they were written for.
    void writers_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("labels");
        QTest::addColumn<QStringList>("notes");
        QTest::addColumn<int>("slides");
        QTest::addColumn<int>("endSlide");
        QTest::addColumn<QString>("plan");
        QTest::newRow("pdfpc 3.x")
            << "notes/pdfpc-3.pdfpc" << QStringList(4)
            << QStringList{"Welcome", "Agenda", "", "Thanks"} << 4 << 3 << "";
        // [skip] groups pages 2 and 3 (from 1); the notes count those slides, as the writer did.
        QTest::newRow("pdfpc 4.4, overlays by hand")
            << "notes/pdfpc-4.4.pdfpc" << QStringList(5)
            << QStringList{"Intro [draft] #1", "Two steps", "Two steps", "Results", "Backup"} << 4
            << 2 << "14:00-14:30;3";
        QTest::newRow("LaTeX pdfpcnotes, numbered by frame")
            << "notes/pdfpcnotes.pdfpc" << QStringList{"1", "2", "2", "3"}
            << QStringList{"First frame", "Second frame, on every overlay",
                           "Second frame, on every overlay", ""}
            << 3 << 2 << "15;5";
    }
    void writers() {
        QFETCH(QString, file);
        QFETCH(QStringList, labels);
        const Deck deck(TestSupport::readData(file), labels);
        QCOMPARE(deck.notes.sidecarStatus(), Sidecar::Reading::ok);
        QTEST(deck.pageNotes(), "notes");
        QTEST(int(deck.notes.slides().slideCount()), "slides");
        QTEST(int(deck.notes.slides().endSlide()), "endSlide");
        QTEST(TalkPlan::fromSidecar(deck.notes.sidecar()).toText(), "plan");
        // Plain text: marks stay as written.
        const QList<DeckNotes::Note> first = deck.notes.notesFor(0, {});
        QVERIFY(!first.isEmpty() && !first.first().markdown);
    }

    // A note numbered beyond the slides a [skip] list leaves, but within the pages: the file
    // counts pages, as the .pdfpc tools since 4.5 read it.
    void notesBeyondTheSlidesCountPages() {
        const Deck deck("[skip]\n3,\n[notes]\n### 3\nthree\n### 5\nfive", QStringList(5));
        QCOMPARE(deck.pageNotes(), QStringList({"", "", "three", "", "five"}));
        QCOMPARE(deck.notes.slides().slideCount(), 4);
    }
};

ORVL_TEST_MAIN(TestLegacySidecar)
#include "tst_legacysidecar.moc"
