// The speaker's strokes per slide, their undo, and the drawings file beside the deck: written,
// read back after a restart, mapped onto a rebuilt deck, and a damaged one kept aside.
#include "drawing/DrawingsFile.h"
#include "drawing/DrawingsStore.h"
#include "support/TestSupport.h"

namespace {

Stroke line(QPointF from, QPointF to, Ink ink = Ink::pen) {
    Stroke stroke;
    stroke.ink = ink;
    stroke.colour = QColor(0xFF, 0x45, 0x3A);
    stroke.points = {{from}, {(from + to) / 2, 0.8}, {to, 0.2}};
    return stroke;
}

QList<PageMatch::PageId> deck(const QStringList& texts) {
    QList<PageMatch::PageId> pages;
    for (qsizetype i = 0; i < texts.size(); ++i)
        pages.append({QString::number(i + 1), PageMatch::fingerprint(texts.at(i))});
    return pages;
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class DrawingsTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir folder;
    QString deckPath() const { return folder.filePath(QStringLiteral("talk.pdf")); }

private slots:
    void initTestCase() {
        QVERIFY(TestSupport::useGerman());
        QVERIFY(folder.isValid());
    }
    void cleanup() { QFile::remove(DrawingsFile::pathFor(deckPath())); }

    void eraseUndoAndClear() {
        Drawings drawings;
        const Sheet slide{2, 0};
        const Stroke across = line({0.1, 0.5}, {0.9, 0.5});
        const Stroke corner = line({0.05, 0.05}, {0.1, 0.1}, Ink::highlighter);
        drawings.add(slide, corner);
        drawings.add(slide, across);
        // The eraser on the long line takes it alone; undo puts it back in its place.
        QVERIFY(!drawings.erase(slide, QPointF(0.5, 0.9), 0.01, 16.0 / 9));
        QVERIFY(drawings.erase(slide, QPointF(0.5, 0.505), 0.01, 16.0 / 9));
        QCOMPARE(drawings.strokes(slide), QList<Stroke>{corner});
        QVERIFY(drawings.clear(slide));
        QVERIFY(drawings.strokes(slide).isEmpty());
        QVERIFY(drawings.undo(slide));
        QCOMPARE(drawings.strokes(slide), QList<Stroke>{corner});
        QVERIFY(drawings.undo(slide));
        QCOMPARE(drawings.strokes(slide), (QList<Stroke>{corner, across}));
        QVERIFY(drawings.undo(slide));
        QVERIFY(drawings.undo(slide));
        QVERIFY(!drawings.undo(slide));
        QVERIFY(drawings.strokes({3, 0}).isEmpty());
    }

    void whiteboardsMoveTheirStrokes() {
        Drawings drawings;
        QCOMPARE(drawings.insertBoard(0, 0), 1);
        drawings.add({0, 1}, line({0, 0}, {1, 1}));
        // A board inserted before it moves the first one's strokes to board 2.
        QCOMPARE(drawings.insertBoard(0, 0), 1);
        QVERIFY(drawings.strokes({0, 1}).isEmpty());
        QCOMPARE(drawings.strokes({0, 2}).size(), 1);
        drawings.removeBoard(0, 1);
        QCOMPARE(drawings.boards(0), 1);
        QCOMPARE(drawings.strokes({0, 1}).size(), 1);
        QCOMPARE(drawings.sheets(), (QList<Sheet>{{0, 1}}));
    }

    void fileRoundTripAndRefusals() {
        DrawingsFile::Sheet sheet;
        sheet.page = 4;
        sheet.id = {QStringLiteral("3"), PageMatch::fingerprint(QStringLiteral("Results"))};
        sheet.occurrence = 1;
        sheet.strokes = {line({0.125, 0.25}, {0.5, 0.75}), line({0, 0}, {1, 1}, Ink::highlighter)};
        QString error;
        const auto read = DrawingsFile::decode(DrawingsFile::encode({sheet}), &error);
        QVERIFY2(read, qPrintable(error));
        QCOMPARE(*read, QList<DrawingsFile::Sheet>{sheet});

        const std::pair<QByteArray, QString> refused[] = {
            {"{\"format\": \"talvane-orvello-drawings\", \"version\"", "kein lesbares JSON"},
            {"{\"pdfpcFormat\": 2, \"pages\": []}", "keine Zeichnungsdatei"},
            {"{\"format\": \"talvane-orvello-drawings\", \"version\": 7, \"pages\": []}",
             "Version 7"},
            {"{\"format\": \"talvane-orvello-drawings\", \"version\": 1, \"pages\": [{\"page\": 0,"
             "\"occurrence\": 0, \"board\": 0, \"label\": \"\", \"fingerprint\": \"\", \"strokes\":"
             "[{\"tool\": \"pen\", \"colour\": \"#ff0000\", \"width\": 0.01, \"points\": "
             "[[0.5, 1e9]]}]}]}",
             "Eintrag 1"},
        };
        for (const auto& [bytes, reason] : refused) {
            error.clear();
            QVERIFY(!DrawingsFile::decode(bytes, &error));
            QVERIFY2(error.contains(reason), qPrintable(error));
        }
    }

    void keptAcrossARestart() {
        const QList<PageMatch::PageId> pages = deck({"Title", "Method", "Results"});
        const Stroke stroke = line({0.2, 0.3}, {0.6, 0.4});
        {
            Drawings drawings;
            DrawingsStore store(drawings);
            store.open(deckPath());
            store.identify(pages);
            drawings.add({1, 0}, stroke);
            drawings.insertBoard(2, 0);
            drawings.add({2, 1}, stroke);
            store.flush();
            QVERIFY(store.notice().isEmpty());
        }
        Drawings drawings;
        DrawingsStore store(drawings);
        store.open(deckPath());
        // Nothing is placed before the pages are known; what is drawn meanwhile stays.
        QVERIFY(drawings.strokes({1, 0}).isEmpty());
        const Stroke early = line({0.5, 0.5}, {0.6, 0.6});
        drawings.add({0, 0}, early);
        store.identify(pages);
        QCOMPARE(drawings.strokes({1, 0}), QList<Stroke>{stroke});
        QCOMPARE(drawings.strokes({0, 0}), QList<Stroke>{early});
        store.flush();
        QString error;
        const auto written =
            DrawingsFile::decode(contents(DrawingsFile::pathFor(deckPath())), &error);
        QVERIFY2(written, qPrintable(error));
        QCOMPARE(written->size(), 3);
        QCOMPARE(drawings.boards(2), 1);
        QCOMPARE(drawings.strokes({2, 1}), QList<Stroke>{stroke});
        // The program's own file, beside the deck.
        QCOMPARE(store.path(), folder.filePath(QStringLiteral("talk.orvello-drawings.json")));
    }

    void rebuiltDeckKeepsDrawingsOnTheirSlides() {
        Drawings drawings;
        DrawingsStore store(drawings);
        store.open(deckPath());
        store.identify(deck({"Title", "Method 1", "Results", "Outlook"}));
        const Stroke onMethod = line({0.1, 0.1}, {0.2, 0.2});
        const Stroke onOutlook = line({0.3, 0.3}, {0.4, 0.4});
        drawings.add({1, 0}, onMethod);
        drawings.add({3, 0}, onOutlook);
        // Rebuilt: a slide inserted first, the counter in "Method" moved on, "Outlook" rewritten.
        store.reopen();
        const QList<PageMatch::PageId> rebuilt =
            deck({"Agenda", "Title", "Method 2", "Results", "Summary"});
        store.identify(rebuilt);
        QCOMPARE(drawings.strokes({2, 0}), QList<Stroke>{onMethod});
        QCOMPARE(drawings.sheets(), (QList<Sheet>{{2, 0}}));
        // The stroke that matches no page is said, not moved, and stays in the file.
        QVERIFY2(store.notice().contains(QStringLiteral("Folie 4")), qPrintable(store.notice()));
        drawings.add({0, 0}, onMethod);
        store.flush();
        QString error;
        const auto kept = DrawingsFile::decode(contents(DrawingsFile::pathFor(deckPath())), &error);
        QVERIFY2(kept, qPrintable(error));
        QCOMPARE(kept->size(), 3);
        QCOMPARE(kept->last().strokes, QList<Stroke>{onOutlook});
    }

    void damagedFileIsKeptAside() {
        const QString file = DrawingsFile::pathFor(deckPath());
        const QByteArray damaged = "{\"format\": \"talvane-orvello-drawings\", \"vers";
        {
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(damaged);
        }
        Drawings drawings;
        DrawingsStore store(drawings);
        QSignalSpy told(&store, &DrawingsStore::noticeChanged);
        store.open(deckPath());
        QVERIFY(!told.isEmpty());
        QVERIFY2(store.notice().contains(QStringLiteral("nicht lesbar")),
                 qPrintable(store.notice()));
        const QStringList aside =
            QDir(folder.path()).entryList({QStringLiteral("talk.orvello-drawings.json.*")});
        QCOMPARE(aside.size(), 1);
        QCOMPARE(contents(folder.filePath(aside.first())), damaged);
        // New drawings go to a fresh file.
        store.identify(deck({"Title"}));
        drawings.add({0, 0}, line({0, 0}, {1, 1}));
        store.flush();
        QString error;
        QVERIFY2(DrawingsFile::decode(contents(file), &error), qPrintable(error));
        QFile::remove(folder.filePath(aside.first()));
    }
};

ORVL_TEST_MAIN(DrawingsTest)
#include "DrawingsTest.moc"
