// The JSON sidecar file on real-shaped and broken input, the deck's notes built from it, and the
// talk plan it gives.
#include "notes/DeckNotes.h"
#include "notes/Sidecar.h"
#include "notes/TalkPlan.h"
#include "support/TestSupport.h"

namespace {

// `talk.pdf` in a fresh folder with `sidecar` beside it as talk.pdfpc; the PDF itself is never
// read here.
class Folder {
public:
    explicit Folder(const QByteArray& sidecar) {
        QFile file(directory.filePath(QStringLiteral("talk.pdfpc")));
        if (file.open(QIODevice::WriteOnly))
            file.write(sidecar);
    }
    QString pdf() const { return directory.filePath(QStringLiteral("talk.pdf")); }

private:
    QTemporaryDir directory;
};

// Labels of a five-page deck whose second frame has two overlays.
const QStringList labels{"1", "2", "2", "3", "4"};

} // namespace

class TestSidecar : public QObject {
    Q_OBJECT
private slots:
    void formatTwoReadsEveryField() {
        const Folder folder(TestSupport::readData("notes/format2.pdfpc"));
        const Sidecar::Reading reading = Sidecar::read(folder.pdf());
        QCOMPARE(reading.status, Sidecar::Reading::ok);
        const Sidecar::File& file = reading.file;
        QCOMPARE(file.format, 2);
        QCOMPARE(file.durationMinutes, std::optional<double>(20));
        QCOMPARE(file.startTime, std::optional<QTime>(QTime(14, 5)));
        QCOMPARE(file.endTime, std::optional<QTime>(QTime(14, 30)));
        QCOMPARE(file.lastMinutes, 3.0);
        QCOMPARE(file.endSlide, std::optional<qint64>(9));
        QCOMPARE(file.noteFontSize, std::optional<double>(18));
        QCOMPARE(file.beamerNotePosition, QStringLiteral("right"));
        QVERIFY(!file.disableMarkdown);
        QCOMPARE(file.defaultTransition, QStringLiteral("push:1.0"));
        QCOMPARE(file.pages.size(), 5);

        DeckNotes notes;
        notes.load(folder.pdf(), labels);
        const QList<DeckNotes::Note> first = notes.notesFor(0, {});
        QCOMPARE(first.size(), 1);
        QVERIFY(first.at(0).markdown);
        // Markdown rendered: marks gone, the link as its text, list items kept.
        const QString text = DeckNotes::plainText(first);
        QVERIFY2(text.startsWith("Welcome\n") && text.contains("Say who we are and see the site."),
                 qPrintable(text));
        QVERIFY(text.contains("first") && !text.contains("**") && !text.contains("https"));
        QCOMPARE(DeckNotes::plainText(notes.notesFor(2, {})),
                 QStringLiteral("Agenda, second step"));

        // The backup slide is hidden, its note still there.
        QVERIFY(notes.isHidden(3));
        QCOMPARE(DeckNotes::plainText(notes.notesFor(3, {})), QStringLiteral("Backup slide"));
    }

    void formatOneDefaultsAndPlainNotes() {
        const Folder folder(TestSupport::readData("notes/format1.pdfpc"));
        DeckNotes notes;
        notes.load(folder.pdf(), {{}, {}});
        QCOMPARE(notes.sidecarStatus(), Sidecar::Reading::ok);
        QCOMPARE(notes.sidecar().format, 1);
        QCOMPARE(notes.sidecar().durationMinutes, std::optional<double>(45));
        QCOMPARE(notes.sidecar().lastMinutes, 5.0);
        QVERIFY(!notes.sidecar().endTime);
        // Without page labels the writers count pages from 1; disableMarkdown keeps the marks.
        const QList<DeckNotes::Note> first = notes.notesFor(0, {});
        QCOMPARE(first.size(), 1);
        QVERIFY(!first.at(0).markdown);
        QCOMPARE(DeckNotes::plainText(first), QStringLiteral("*not emphasis*\nline two"));
        // The .pdfpc tools read every field whatever the format number says.
        QVERIFY(notes.isHidden(1));
        QCOMPARE(notes.step(0, +1), 0);
    }

    // The deck gained a title page since the file was written: every index moved by one, the
    // labels did not.
    void lookupByLabelAndOverlay() {
        const Folder folder(TestSupport::readData("notes/format2.pdfpc"));
        DeckNotes notes;
        notes.load(folder.pdf(), {"T", "1", "2", "2", "3", "4"});
        QCOMPARE(DeckNotes::plainText(notes.notesFor(2, {})), QStringLiteral("Agenda"));
        QCOMPARE(DeckNotes::plainText(notes.notesFor(3, {})),
                 QStringLiteral("Agenda, second step"));
        QVERIFY(notes.isHidden(4));
        QVERIFY(!notes.isHidden(3));
        QVERIFY(DeckNotes::plainText(notes.notesFor(1, {})).startsWith("Welcome"));
        QVERIFY(notes.notesFor(0, {}).isEmpty());
    }

    // Where each entry lands in a deck labelled a, a, b, c, c, c (overlays 0 1 0 0 1 2).
    void entriesLandWhereThePdfpcToolsPutThem_data() {
        QTest::addColumn<QByteArray>("entry");
        QTest::addColumn<int>("page");
        QTest::newRow("index, label and overlay agree")
            << QByteArray(R"("idx":4,"label":"c","overlay":1)") << 4;
        QTest::newRow("a stale index: the label's run and the overlay")
            << QByteArray(R"("idx":0,"label":"c","overlay":2)") << 5;
        QTest::newRow("the overlay is past the label's run: the index")
            << QByteArray(R"("idx":2,"label":"a","overlay":2)") << 2;
        QTest::newRow("an empty label: the index") << QByteArray(R"("idx":5,"label":"")") << 5;
        QTest::newRow("a number as label (Typst) says nothing: the index")
            << QByteArray(R"("idx":3,"label":2,"overlay":0)") << 3;
        QTest::newRow("an index beyond the deck and no label: nowhere")
            << QByteArray(R"("idx":9)") << -1;
    }
    void entriesLandWhereThePdfpcToolsPutThem() {
        QFETCH(QByteArray, entry);
        QFETCH(int, page);
        const Folder folder(R"({"pages":[{)" + entry + R"(,"note":"here","hidden":true}]})");
        DeckNotes notes;
        notes.load(folder.pdf(), {"a", "a", "b", "c", "c", "c"});
        for (int other = 0; other < 6; ++other) {
            QCOMPARE(notes.notesFor(other, {}).size(), other == page ? 1 : 0);
            QCOMPARE(notes.isHidden(other), other == page);
        }
    }

    // Typst decks list every page, with the slide number as label: a number, or (touying) the
    // PDF's own label; notes land on the pages listed, and forced overlays group the steps.
    void typstFiles_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("labels");
        QTest::newRow("polylux, numbers as labels, a deck without labels")
            << "notes/polylux.pdfpc" << QStringList(5);
        QTest::newRow("touying, the deck's labels")
            << "notes/touying.pdfpc" << QStringList{"1", "2", "2", "2", "3"};
    }
    void typstFiles() {
        QFETCH(QString, file);
        QFETCH(QStringList, labels);
        const Folder folder(TestSupport::readData(file));
        DeckNotes notes;
        notes.load(folder.pdf(), labels);
        QCOMPARE(notes.sidecarStatus(), Sidecar::Reading::ok);
        QCOMPARE(DeckNotes::plainText(notes.notesFor(1, {})), QStringLiteral("Build up"));
        QCOMPARE(DeckNotes::plainText(notes.notesFor(3, {})), QStringLiteral("Last step"));
        QVERIFY(notes.notesFor(2, {}).isEmpty());
        QCOMPARE(notes.slides().slideCount(), 3);
        QCOMPARE(notes.slides().stepCount(1), 3);
        QCOMPARE(notes.slides().endSlide(), 1);
        QVERIFY(notes.slides().isHidden(2));
    }

    // Sidecar notes come before the PDF's own note annotations; blank ones are no notes.
    void severalSources() {
        const Folder folder(TestSupport::readData("notes/format2.pdfpc"));
        DeckNotes notes;
        notes.load(folder.pdf(), labels);
        const QList<DeckNotes::Note> both =
            notes.notesFor(1, {"From the PDF", "  ", "and its highlight"});
        QCOMPARE(both.size(), 3);
        QCOMPARE(both.at(0).source, DeckNotes::Source::sidecar);
        QCOMPARE(both.at(1).source, DeckNotes::Source::annotations);
        QCOMPARE(DeckNotes::plainText(both),
                 QStringLiteral("Agenda\n\nFrom the PDF\n\nand its highlight"));
        QCOMPARE(notes.notesFor(9, {"Only the PDF"}).size(), 1);

        DeckNotes none;
        none.load(QDir::temp().filePath("orvl-no-such-folder/talk.pdf"), labels);
        QCOMPARE(none.sidecarStatus(), Sidecar::Reading::absent);
        QVERIFY(none.notesFor(0, {}).isEmpty());
        QCOMPARE(none.step(0, +1), 1);
    }

    // The status line names the file and, where it can, the line it fails at.
    void brokenFilesAreUnreadable_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("problem");
        const QString noLine = "Notizdatei talk.pdfpc nicht lesbar – ohne Notizen";
        QTest::newRow("cut short")
            << QByteArray("{\n  \"pdfpcFormat\": 2,\n  \"pages\": [{\"idx\": 0")
            << "Notizdatei talk.pdfpc nicht lesbar (Zeile 3) – ohne Notizen";
        QTest::newRow("neither JSON nor sections")
            << QByteArray("\n\nidx=0 note=hello\n")
            << "Notizdatei talk.pdfpc nicht lesbar (Zeile 3) – ohne Notizen";
        QTest::newRow("an array") << QByteArray(R"([{"idx":0,"note":"x"}])")
                                  << "Notizdatei talk.pdfpc nicht lesbar (Zeile 1) – ohne Notizen";
        QTest::newRow("empty") << QByteArray()
                               << "Notizdatei talk.pdfpc nicht lesbar (Zeile 1) – ohne Notizen";
        QTest::newRow("too big") << QByteArray(R"({"pages":[],"pad":")") +
                                        QByteArray(Sidecar::maximumBytes, 'x') + "\"}"
                                 << noLine;
    }
    void brokenFilesAreUnreadable() {
        QFETCH(QByteArray, content);
        const Folder folder(content);
        DeckNotes notes;
        // The PDF's own entries still count.
        notes.load(folder.pdf(), labels,
                   R"(<x:xmpmeta xmlns:x="adobe:ns:meta/" xmlns:pdfpc="https://pdfpc.github.io/">)"
                   R"(<pdfpc:Duration>25</pdfpc:Duration></x:xmpmeta>)");
        QCOMPARE(notes.sidecarStatus(), Sidecar::Reading::unreadable);
        QTEST(notes.sidecarProblem(), "problem");
        QVERIFY(notes.notesFor(0, {}).isEmpty());
        QVERIFY(!notes.isHidden(3));
        QCOMPARE(notes.sidecar().durationMinutes, std::optional<double>(25));
        QCOMPARE(notes.notesFor(0, {"From the PDF"}).size(), 1);
    }

    // An edit that breaks the sidecar of the open deck keeps what it said last, until it parses
    // again; another deck's broken sidecar gives nothing.
    void aBrokenEditKeepsTheLastGoodEntries() {
        QTemporaryDir folder;
        const QString pdf = folder.filePath(QStringLiteral("talk.pdf"));
        const auto write = [&](const QByteArray& content) {
            QFile file(folder.filePath(QStringLiteral("talk.pdfpc")));
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(content);
        };
        DeckNotes notes;
        write(R"({"pdfpcFormat": 2, "duration": 20, "pages": [{"idx": 0, "note": "Hello"}]})");
        notes.load(pdf, labels);
        write("{\n\"pdfpcFormat\": 2,\n\"pages\": [{\"idx\": 0, \"note\": \"Hel");
        notes.load(pdf, labels);
        QCOMPARE(notes.sidecarStatus(), Sidecar::Reading::unreadable);
        QCOMPARE(notes.sidecarProblem(),
                 QStringLiteral("Notizdatei talk.pdfpc nicht lesbar (Zeile 3) – die bisherigen "
                                "Notizen bleiben"));
        QCOMPARE(DeckNotes::plainText(notes.notesFor(0, {})), QStringLiteral("Hello"));
        QCOMPARE(notes.sidecar().durationMinutes, std::optional<double>(20));
        write(R"({"pdfpcFormat": 2, "pages": [{"idx": 0, "note": "Hello again"}]})");
        notes.load(pdf, labels);
        QCOMPARE(notes.sidecarProblem(), QString());
        QCOMPARE(DeckNotes::plainText(notes.notesFor(0, {})), QStringLiteral("Hello again"));
        QCOMPARE(notes.sidecar().durationMinutes, std::nullopt);

        const Folder other("{broken");
        notes.load(other.pdf(), labels);
        QVERIFY(notes.notesFor(0, {}).isEmpty());
    }

    // Every field of the wrong type is dropped on its own; the rest of the file still counts.
    void wrongTypesAreDropped() {
        const Sidecar::Reading reading = Sidecar::parse(R"({
            "pdfpcFormat": "2", "duration": "twenty", "endTime": 1430, "lastMinutes": -1,
            "endSlide": 2.5, "noteFontSize": "18", "disableMarkdown": "yes",
            "beamerNotePosition": ["right"], "future": {"nested": [1, 2]},
            "pages": [7, null, "x",
                      {"idx": "0", "label": 3, "overlay": -2, "note": 5, "hidden": true},
                      {"idx": 1, "label": {"a": 1}, "overlay": 0.5, "note": "kept"},
                      {"idx": 1e300, "note": "huge index"}]})");
        QCOMPARE(reading.status, Sidecar::Reading::ok);
        const Sidecar::File& file = reading.file;
        QCOMPARE(file.format, 1);
        QVERIFY(!file.durationMinutes && !file.endTime && !file.endSlide && !file.noteFontSize);
        QCOMPARE(file.lastMinutes, 5.0);
        QVERIFY(!file.disableMarkdown);
        QVERIFY(file.beamerNotePosition.isEmpty());
        QCOMPARE(file.pages.size(), 3);
        const Sidecar::Page& numbers = file.pages.at(0);
        QCOMPARE(numbers.idx, -1);
        QVERIFY(numbers.label.isEmpty());
        QCOMPARE(numbers.overlay, 0);
        QVERIFY(numbers.note.isEmpty());
        QVERIFY(numbers.hidden);
        QCOMPARE(file.pages.at(1).note, QStringLiteral("kept"));
        QCOMPARE(file.pages.at(2).idx, -1);
    }

    // pdfpc writes the notes position in upper case; a byte-order mark does not make the file
    // unreadable.
    void writersQuirks() {
        const Sidecar::Reading reading = Sidecar::parse(
            "\xef\xbb\xbf{\"beamerNotePosition\":\"RIGHT\",\"pages\":[],\"pdfpcFormat\":2}");
        QCOMPARE(reading.status, Sidecar::Reading::ok);
        QCOMPARE(reading.file.beamerNotePosition, QStringLiteral("right"));
        QCOMPARE(reading.file.format, 2);
    }

    // The talk plan as the .pdfpc tools make it from the timings.
    void talkPlan_data() {
        QTest::addColumn<QByteArray>("timings");
        QTest::addColumn<QString>("plan");
        QTest::newRow("a length") << QByteArray(R"("duration":20)") << "20;5";
        QTest::newRow("an end time")
            << QByteArray(R"("endTime":"14:30","lastMinutes":3)") << "14:30;3";
        QTest::newRow("start and end: the length is ignored")
            << QByteArray(R"("duration":90,"startTime":"14:00","endTime":"14:30")")
            << "14:00-14:30;5";
        QTest::newRow("an end and a length give the start")
            << QByteArray(R"("duration":20,"endTime":"14:30")") << "14:10-14:30;5";
        QTest::newRow("a start and a length give the end")
            << QByteArray(R"("duration":45,"startTime":"23:30")") << "23:30-00:15;5";
        QTest::newRow("longer than a day and an end: the end")
            << QByteArray(R"("duration":1500,"endTime":"14:30")") << "14:30;5";
    }
    void talkPlan() {
        QFETCH(QByteArray, timings);
        const Sidecar::Reading reading = Sidecar::parse("{" + timings + "}");
        QTEST(TalkPlan::fromSidecar(reading.file).toText(), "plan");
    }
};

ORVL_TEST_MAIN(TestSidecar)
#include "tst_sidecar.moc"
