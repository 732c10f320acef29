// The pdfpc entries of a PDF's XMP metadata: as the LaTeX package writes them, as attributes,
// in broken or hostile packets, and laid over the sidecar's.
#include "SidecarSummary.h"
#include "notes/DeckNotes.h"
#include "notes/PdfMetadata.h"
#include "support/TestSupport.h"

namespace {

QByteArray described(const QByteArray& inside) {
    return R"(<x:xmpmeta xmlns:x="adobe:ns:meta/"><rdf:RDF )"
           R"(xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#">)" +
           inside + "</rdf:RDF></x:xmpmeta>";
}

} // namespace

class TestPdfMetadata : public QObject {
    Q_OBJECT
private slots:
    void entries_data() {
        QTest::addColumn<QByteArray>("packet");
        QTest::addColumn<bool>("wellFormed");
        QTest::addColumn<QStringList>("fields");
        const QByteArray pdfpc = R"(xmlns:pdfpc="https://pdfpc.github.io/")";
        QTest::newRow("the LaTeX package's packet, the end slide counted from 1")
            << TestSupport::readData("notes/pdfpc-package.xmp") << true
            << QStringList{"duration=25", "start=10:00",    "end=10:30", "last=2",
                           "endSlide=2",  "position=right", "plain"};
        QTest::newRow("as attributes")
            << described(R"(<rdf:Description rdf:about="" )" + pdfpc +
                         R"( pdfpc:Duration="40" pdfpc:EndUserSlide="1"/>)")
            << true << QStringList{"duration=40", "endSlide=0"};
        QTest::newRow("another schema's entries")
            << described(R"(<rdf:Description xmlns:talk="urn:talk"><talk:Duration>9)"
                         R"(</talk:Duration></rdf:Description>)")
            << true << QStringList();
        QTest::newRow("cut short after an entry: nothing")
            << described("<rdf:Description " + pdfpc + "><pdfpc:Duration>25</pdfpc:Duration>")
                   .chopped(20)
            << false << QStringList();
        QTest::newRow("an undeclared prefix: nothing")
            << described("<rdf:Description><pdfpc:Duration>25</pdfpc:Duration>"
                         "</rdf:Description>")
            << false << QStringList();
        QTest::newRow("entities that multiply: nothing")
            << "<!DOCTYPE x [<!ENTITY a \"" + QByteArray(100, 'a') +
                   "\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\"><!ENTITY c "
                   "\"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">]>" +
                   described("<rdf:Description " + pdfpc +
                             "><pdfpc:NotesPosition>&c;&c;&c;</pdfpc:NotesPosition>"
                             "<pdfpc:Duration>25</pdfpc:Duration></rdf:Description>")
            << false << QStringList();
        QTest::newRow("too big: nothing")
            << described("<rdf:Description " + pdfpc + "><pdfpc:Duration>25</pdfpc:Duration>" +
                         "<!--" + QByteArray(PdfMetadata::maximumBytes, '-').replace("--", "- ") +
                         "--></rdf:Description>")
            << false << QStringList();
    }
    void entries() {
        QFETCH(QByteArray, packet);
        Sidecar::File file;
        QTEST(PdfMetadata::apply(packet, file), "wellFormed");
        QTEST(summary(file), "fields");
    }

    // The PDF's entries count after the sidecar's; what they leave out stays the sidecar's.
    void countAfterTheSidecar() {
        QTemporaryDir folder;
        QFile sidecar(folder.filePath("talk.pdfpc"));
        QVERIFY(sidecar.open(QIODevice::WriteOnly));
        sidecar.write(R"({"duration":20,"lastMinutes":3,"endSlide":0,
                          "pages":[{"idx":0,"note":"**bold**"}]})");
        sidecar.close();
        DeckNotes notes;
        notes.load(folder.filePath("talk.pdf"), {"1", "1", "2"},
                   TestSupport::readData("notes/pdfpc-package.xmp"));
        QCOMPARE(summary(notes.sidecar()),
                 QStringList({"duration=25", "start=10:00", "end=10:30", "last=2", "endSlide=2",
                              "position=right", "plain"}));
        QVERIFY(!notes.notesFor(0, {}).first().markdown);
        // The notes position: labels group no pages.
        QCOMPARE(notes.slides().slideCount(), 3);
        QCOMPARE(notes.slides().endSlide(), 2);
    }
};

ORVL_TEST_MAIN(TestPdfMetadata)
#include "tst_pdfmetadata.moc"
