// The sidecar file on real-shaped and broken input, and the deck's notes built from it.
#include "notes/DeckNotes.h"
#include "notes/Sidecar.h"
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
        QCOMPARE(file.endTime, std::optional<QTime>(QTime(14, 30)));
        QCOMPARE(file.lastMinutes, 3.0);
        QCOMPARE(file.endSlide, std::optional<qint64>(9));
        QCOMPARE(file.noteFontSize, std::optional<double>(18));
        QCOMPARE(file.beamerNotePosition, QStringLiteral("right"));
        QVERIFY(!file.disableMarkdown);
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

        // The hidden backup slide is stepped over both ways, and stays reachable by number.
        QVERIFY(notes.isHidden(3));
        QCOMPARE(notes.step(2, +1), 4);
        QCOMPARE(notes.step(4, -1), 2);
        QCOMPARE(notes.step(3, +1), 4);
        QCOMPARE(notes.step(4, +1), 4);
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
        QVERIFY2(!notes.isHidden(1), "hiding pages came with format 2");
        QCOMPARE(notes.step(0, +1), 1);
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
        // No entry has the title page's label: the entry at its index answers.
        QVERIFY(DeckNotes::plainText(notes.notesFor(0, {})).startsWith("Welcome"));
        // Index and label agree although another entry shares the label: the index wins.
        const Sidecar::File file =
            *Sidecar::parse(R"({"pages":[{"idx":0,"label":"a","overlay":0,"note":"x"},
                                         {"idx":5,"label":"a","overlay":0,"note":"y"}]})");
        QCOMPARE(file.pageFor(5, "a", 0)->note, QStringLiteral("y"));
        QCOMPARE(file.pageFor(7, "a", 0)->note, QStringLiteral("x"));
        QCOMPARE(file.pageFor(7, "b", 0), nullptr);
    }

    // Sidecar notes come before the PDF's own note annotations; blank ones are no notes.
    void severalSources() {
        const Folder folder(TestSupport::readData("notes/format2.pdfpc"));
        DeckNotes notes;
        notes.load(folder.pdf(), labels);
        const QList<DeckNotes::Note> both = notes.notesFor(1, {"From the PDF", "  "});
        QCOMPARE(both.size(), 2);
        QCOMPARE(both.at(0).source, DeckNotes::Source::sidecar);
        QCOMPARE(both.at(1).source, DeckNotes::Source::annotations);
        QCOMPARE(DeckNotes::plainText(both), QStringLiteral("Agenda\n\nFrom the PDF"));
        QCOMPARE(notes.notesFor(9, {"Only the PDF"}).size(), 1);

        DeckNotes none;
        none.load(QDir::temp().filePath("orvl-no-such-folder/talk.pdf"), labels);
        QCOMPARE(none.sidecarStatus(), Sidecar::Reading::absent);
        QVERIFY(none.notesFor(0, {}).isEmpty());
        QCOMPARE(none.step(0, +1), 1);
    }

    void brokenFilesAreUnreadable_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("cut short")
            << QByteArray(R"({"pdfpcFormat":2,"pages":[{"idx":0,"note":"x")");
        QTest::newRow("not JSON") << QByteArray("idx=0 note=hello\n");
        QTest::newRow("an array") << QByteArray(R"([{"idx":0,"note":"x"}])");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("too big") << QByteArray(R"({"pages":[],"pad":")") +
                                        QByteArray(Sidecar::maximumBytes, 'x') + "\"}";
    }
    void brokenFilesAreUnreadable() {
        QFETCH(QByteArray, content);
        const Folder folder(content);
        DeckNotes notes;
        notes.load(folder.pdf(), labels);
        QCOMPARE(notes.sidecarStatus(), Sidecar::Reading::unreadable);
        QVERIFY(notes.notesFor(0, {}).isEmpty());
        QVERIFY(!notes.isHidden(3));
    }

    // Every field of the wrong type is dropped on its own; the rest of the file still counts.
    void wrongTypesAreDropped() {
        const std::optional<Sidecar::File> file = Sidecar::parse(R"({
            "pdfpcFormat": "2", "duration": "twenty", "endTime": 1430, "lastMinutes": -1,
            "endSlide": 2.5, "noteFontSize": "18", "disableMarkdown": "yes",
            "beamerNotePosition": ["right"], "future": {"nested": [1, 2]},
            "pages": [7, null, "x",
                      {"idx": "0", "label": 3, "overlay": -2, "note": 5, "hidden": true},
                      {"idx": 1, "label": {"a": 1}, "overlay": 0.5, "note": "kept"},
                      {"idx": 1e300, "note": "huge index"}]})");
        QVERIFY(file);
        QCOMPARE(file->format, 1);
        QVERIFY(!file->durationMinutes && !file->endTime && !file->endSlide && !file->noteFontSize);
        QCOMPARE(file->lastMinutes, 5.0);
        QVERIFY(!file->disableMarkdown);
        QVERIFY(file->beamerNotePosition.isEmpty());
        QCOMPARE(file->pages.size(), 3);
        const Sidecar::Page& numbers = file->pages.at(0);
        QCOMPARE(numbers.idx, -1);
        QCOMPARE(numbers.label, std::optional<QString>("3"));
        QVERIFY(!numbers.overlay && numbers.note.isEmpty());
        QVERIFY2(!numbers.hidden, "a format 1 file hides nothing");
        QCOMPARE(file->pageFor(1, "2", 0)->note, QStringLiteral("kept"));
        QCOMPARE(file->pages.at(2).idx, -1);
        QCOMPARE(file->pageFor(0, "1", 0), nullptr);
    }
};

ORVL_TEST_MAIN(TestSidecar)
#include "tst_sidecar.moc"
