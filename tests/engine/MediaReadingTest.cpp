// The clips and sounds of a page as the worker reads them: Movie, Screen with renditions, Sound and
// link annotations, page-open actions, embedded bytes taken out with their filters undone, and the
// same through a real, sandboxed worker process.
#include "engine/MupdfEngine.h"
#include "engine/ProcessEngine.h"
#include "support/TestPdfs.h"
#include "support/TestSupport.h"

#include <fcntl.h>
#include <unistd.h>

using TestPdfs::page;
using Kind = MediaLink::Kind;

namespace {

QByteArray readAll(int fd) {
    QByteArray bytes;
    char buffer[4096];
    lseek(fd, 0, SEEK_SET);
    for (ssize_t got; (got = read(fd, buffer, sizeof buffer)) > 0;)
        bytes.append(buffer, got);
    return bytes;
}

QByteArray stream(const QByteArray& entries, const QByteArray& data) {
    return "<< /Length " + QByteArray::number(data.size()) + " " + entries + " >>\nstream\n" +
           data + "\nendstream";
}

// Pages 3 and 5 (contents 4 and 6); the objects below are numbered from 7.
bool writeDeck(const QString& path) {
    TestPdfs::Page first = page({0, 0, 400, 300});
    first.entries = "/Annots [7 0 R 8 0 R 9 0 R 10 0 R 11 0 R 12 0 R]";
    TestPdfs::Page second = page({0, 0, 400, 300});
    second.entries = "/Annots [16 0 R] /AA << /O << /S /Movie /T (second) >> >>";
    const QByteArray rendition =
        "<< /S /MR /C << /S /MCD /CT (video/webm) /D << /Type /Filespec /F (clips/talk.webm) >> "
        ">> /P << /BE << /RC 0 >> >> >>";
    return TestPdfs::write(
        path, {first, second}, {},
        {// 7: beamer's \movie, embedded, looping from 2 s.
         "<< /Type /Annot /Subtype /Movie /Rect [0 150 200 300] /T (intro) /Movie << /F 13 0 R "
         ">> /A << /Mode /Repeat /Start 2 >> >>",
         // 8: LibreOffice's Screen with a rendition, started by the page.
         "<< /Type /Annot /Subtype /Screen /Rect [200 0 400 150] /A << /S /Rendition /OP 0 /AN 8 "
         "0 R /R " +
             rendition + " >> /AA << /PO << /S /Rendition /OP 0 /AN 8 0 R /R " + rendition +
             " >> >> >>",
         // 9: raw signed 16-bit samples.
         "<< /Type /Annot /Subtype /Sound /Rect [0 0 20 20] /Sound 15 0 R >>",
         // 10 and 11: links, to the network and pdfpc's convention.
         "<< /Type /Annot /Subtype /Link /Rect [0 0 10 10] /A << /S /URI /URI "
         "(https://example.org/a.mp4) >> >>",
         "<< /Type /Annot /Subtype /Link /Rect [390 290 400 300] /A << /S /Launch /F "
         "(run:demo.mp4?autostart&loop) >> >>",
         // 12: a movie with nothing to play is left out.
         "<< /Type /Annot /Subtype /Movie /Rect [0 0 10 10] /Movie << >> >>",
         "<< /Type /Filespec /F (intro.mp4) /EF << /F 14 0 R >> >>",
         stream("/Filter /ASCIIHexDecode", "48656C6C6F>"),
         stream("/Type /Sound /R 8000 /C 1 /B 16 /E /Signed", QByteArray("\x01\x02\x03\x04", 4)),
         "<< /Type /Annot /Subtype /Movie /Rect [0 0 400 300] /T (second) /Movie << /F (b.mp4) >> "
         ">>"});
}

} // namespace

class MediaReadingTest : public QObject {
    Q_OBJECT

    QTemporaryDir folder;
    QString deck() const { return folder.filePath("media.pdf"); }

    void checkRead(const PageEngine& engine) {
        const QList<MediaLink> links = engine.pageMedia(0);
        QCOMPARE(links.size(), 5);
        QCOMPARE(links[0].kind, Kind::movie);
        QVERIFY(links[0].embedded);
        QCOMPARE(links[0].rect, QRectF(0, 0, 0.5, 0.5));
        QCOMPARE(links[0].repeat, 0);
        QCOMPARE(links[0].startMs, 2000);
        QVERIFY(!links[0].autostart);

        QCOMPARE(links[1].kind, Kind::screen);
        QCOMPARE(links[1].target, QStringLiteral("clips/talk.webm"));
        QCOMPARE(links[1].mimeType, QStringLiteral("video/webm"));
        QCOMPARE(links[1].rect, QRectF(0.5, 0.5, 0.5, 0.5));
        QVERIFY(links[1].autostart);
        QCOMPARE(links[1].repeat, 0);

        QCOMPARE(links[2].kind, Kind::sound);
        QVERIFY(links[2].isSound());
        QCOMPARE(links[3].target, QStringLiteral("https://example.org/a.mp4"));
        QCOMPARE(links[4].target, QStringLiteral("run:demo.mp4?autostart&loop"));
        for (int i = 0; i < links.size(); ++i)
            QCOMPARE(links[i].entry, i);

        // A page-open action names its movie by title.
        const QList<MediaLink> second = engine.pageMedia(1);
        QCOMPARE(second.size(), 1);
        QVERIFY(second[0].autostart);
        QVERIFY(engine.pageMedia(2).isEmpty());
    }

private slots:
    void initTestCase() { QVERIFY(writeDeck(deck())); }

    void readsEveryKindOfMedia() {
        const auto engine = MupdfEngine::open(deck());
        QVERIFY(engine);
        checkRead(*engine);
    }

    void takesEmbeddedBytesOut() {
        const auto engine = MupdfEngine::open(deck());
        QVERIFY(engine);
        // The filter is undone.
        int fd = engine->mediaFile(0, 0);
        QVERIFY(fd >= 0);
        QCOMPARE(readAll(fd), QByteArray("Hello"));
        close(fd);
        // Big-endian signed samples become a little-endian WAV file.
        fd = engine->mediaFile(0, 2);
        QVERIFY(fd >= 0);
        const QByteArray wav = readAll(fd);
        close(fd);
        QCOMPARE(wav.size(), 44 + 4);
        QVERIFY(wav.startsWith("RIFF"));
        QCOMPARE(wav.mid(40, 4), QByteArray("\x04\x00\x00\x00", 4));
        QCOMPARE(wav.mid(44), QByteArray("\x02\x01\x04\x03", 4));
        // Linked files and entries that do not exist have no bytes here.
        QCOMPARE(engine->mediaFile(0, 1), -1);
        QCOMPARE(engine->mediaFile(0, 40), -1);
        QCOMPARE(engine->mediaFile(7, 0), -1);
    }

    // Actions that name themselves, selectors that hold themselves and rectangles past any page
    // end without a hang and cost only what they break.
    void boundsHostileStructures() {
        TestPdfs::Page hostile = page({0, 0, 400, 300});
        hostile.entries = "/Annots [5 0 R 6 0 R] /AA << /O 7 0 R >>";
        const QString path = folder.filePath("hostile.pdf");
        QVERIFY(TestPdfs::write(
            path, {hostile}, {},
            {"<< /Type /Annot /Subtype /Screen /Rect [0 0 100 100] /A << /S /Rendition /OP 0 /AN "
             "5 0 R /R 8 0 R >> >>",
             "<< /Type /Annot /Subtype /Movie /Rect [-99999 -99999 99999 99999] /T (loop) /Movie "
             "<< /F "
             "(a.mp4) >> >>",
             "<< /S /Movie /T (loop) /Next [7 0 R 7 0 R] >>", "<< /S /SR /R [8 0 R 8 0 R] >>"}));
        const auto engine = MupdfEngine::open(path);
        QVERIFY(engine);
        const QList<MediaLink> links = engine->pageMedia(0);
        QCOMPARE(links.size(), 1);
        QCOMPARE(links[0].kind, Kind::movie);
        QVERIFY(links[0].autostart);
        QCOMPARE(links[0].rect, QRectF(0, 0, 1, 1));
    }

    // The worker's answer is checked and sealed: what was checked is what plays.
    void crossesTheWorkerSealed() {
        const auto engine = ProcessEngine::open(ProcessEngine::workerPath(), deck(), {}, nullptr,
                                                ProcessEngine::Limits());
        QVERIFY(engine);
        checkRead(*engine);
        const int fd = engine->mediaFile(0, 0);
        QVERIFY(fd >= 0);
        QCOMPARE(readAll(fd), QByteArray("Hello"));
        QVERIFY(fcntl(fd, F_GET_SEALS) & F_SEAL_WRITE);
        QCOMPARE(write(fd, "x", 1), -1);
        close(fd);
        QCOMPARE(engine->mediaFile(0, 3), -1);
    }
};

QTEST_GUILESS_MAIN(MediaReadingTest)
#include "MediaReadingTest.moc"
