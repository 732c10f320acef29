// Opening decks: the pages' shape, failures that keep the old deck, passwords, loads that
// supersede each other, and the loader's engine instance.
#include "document/Deck.h"
#include "support/FakeEngine.h"
#include "support/OpenDeck.h"
#include "support/TestPdfs.h"
#include "support/TestSupport.h"

#include <QThreadPool>

using TestPdfs::Page;
using TestPdfs::page;

class DeckTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir folder;
    QString path(const QString& name) const { return folder.filePath(name); }
    QUrl url(const QString& name) const { return QUrl::fromLocalFile(path(name)); }

private slots:
    void initTestCase() {
        QVERIFY(folder.isValid());
        QVERIFY(TestPdfs::write(path("landscape.pdf"), {page({0, 0, 400, 300})}));
        QVERIFY(TestPdfs::write(path("rotated90.pdf"), {page({0, 0, 400, 300}, {}, 90)}));
        QVERIFY(TestPdfs::write(path("rotated180.pdf"), {page({0, 0, 400, 300}, {}, 180)}));
        QVERIFY(TestPdfs::write(path("rotatedNegative90.pdf"), {page({0, 0, 400, 300}, {}, -90)}));
        QVERIFY(TestPdfs::write(path("cropOrigin.pdf"),
                                {page({0, 0, 400, 400}, QRectF(100, 100, 300, 200))}));
        QVERIFY(TestPdfs::write(path("zeroHeightCrop.pdf"),
                                {page({0, 0, 400, 300}, QRectF(0, 0, 400, 0))}));
        QVERIFY(TestPdfs::write(path("mediaOrigin.pdf"), {page({50, 70, 320, 180})}));
        QVERIFY(TestPdfs::write(path("secondPagePortrait.pdf"),
                                {page({0, 0, 320, 180}), page({0, 0, 300, 400})}));
        QVERIFY(TestPdfs::write(path("ten.pdf"), QList<Page>(10, page({0, 0, 320, 180}))));
        QVERIFY(TestPdfs::write(path("noPages.pdf"), {}));
        QVERIFY(TestPdfs::encrypt(path("landscape.pdf"), path("ownerOnly.pdf"), QString()));
        QVERIFY(TestPdfs::encrypt(path("landscape.pdf"), path("userPassword.pdf"), "user"));
        QFile text(path("text.pdf"));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("These are the speaker's notes, not a PDF.\n");
    }

    void init() { Preferences::clearForTests(); }

    void openReadsTheFirstPageShape_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<qint64>("pages");
        QTest::addColumn<double>("aspect");
        QTest::newRow("landscape 4:3") << "landscape.pdf" << qint64(1) << 4.0 / 3.0;
        QTest::newRow("rotated 90 is portrait") << "rotated90.pdf" << qint64(1) << 0.75;
        QTest::newRow("rotated 180 stays landscape") << "rotated180.pdf" << qint64(1) << 4.0 / 3.0;
        QTest::newRow("rotated -90 is portrait") << "rotatedNegative90.pdf" << qint64(1) << 0.75;
        QTest::newRow("crop box with an origin") << "cropOrigin.pdf" << qint64(1) << 1.5;
        // The rasteriser shows the media box when the crop box is empty; the aspect follows it.
        QTest::newRow("zero-height crop box") << "zeroHeightCrop.pdf" << qint64(1) << 4.0 / 3.0;
        QTest::newRow("media box with an origin") << "mediaOrigin.pdf" << qint64(1) << 16.0 / 9.0;
        QTest::newRow("only the first page counts")
            << "secondPagePortrait.pdf" << qint64(2) << 16.0 / 9.0;
        QTest::newRow("owner password only") << "ownerOnly.pdf" << qint64(1) << 4.0 / 3.0;
    }

    void openReadsTheFirstPageShape() {
        QFETCH(QString, file);
        QFETCH(double, aspect);
        Deck deck;
        QVERIFY(TestSupport::openDeck(deck, url(file)));
        QCOMPARE(deck.url(), url(file));
        QTEST(deck.pageCount(), "pages");
        QVERIFY(qAbs(deck.aspect() - aspect) < 1e-9);
        QVERIFY(deck.renderer());
    }

    // Links and transitions come from the page worker with the rest of the file, at open.
    void openReadsEveryPagesNavigationThroughTheWorker() {
        Page linked = page({0, 0, 400, 300});
        linked.entries = "/Annots [7 0 R] /Trans << /S /Fade >> /Dur 2";
        QVERIFY(TestPdfs::write(
            path("linked.pdf"), {linked, page({0, 0, 400, 300})}, {},
            {"<< /Type /Annot /Subtype /Link /Rect [0 0 200 150] /Dest [5 0 R /Fit] >>"}));
        Deck deck;
        QVERIFY(TestSupport::openDeck(deck, url("linked.pdf")));
        const PageNavigation& first = deck.navigation(0);
        QCOMPARE(first.links.size(), 1);
        QCOMPARE(first.links[0].area, QRectF(0, 0.5, 0.5, 0.5));
        QCOMPARE(first.links[0].page, 1);
        QCOMPARE(first.transition->style, PageTransition::Style::fade);
        QCOMPARE(first.displaySeconds.value_or(0), 2.0);
        QVERIFY(deck.navigation(1) == PageNavigation());
        QVERIFY(deck.navigation(2) == PageNavigation());
    }

    void aspectFallsBackForUnusableHeights_data() {
        QTest::addColumn<QSizeF>("size");
        QTest::addColumn<double>("aspect");
        QTest::newRow("zero height") << QSizeF(400, 0) << 16.0 / 9.0;
        QTest::newRow("negative height") << QSizeF(400, -300) << 16.0 / 9.0;
        QTest::newRow("not a number") << QSizeF(qQNaN(), 300) << 16.0 / 9.0;
        QTest::newRow("zero width") << QSizeF(0, 300) << 16.0 / 9.0;
        QTest::newRow("portrait") << QSizeF(300, 400) << 0.75;
    }

    void aspectFallsBackForUnusableHeights() {
        QFETCH(QSizeF, size);
        QTEST(Deck::aspectOf(size), "aspect");
    }

    void failedOpenKeepsTheOldDeck_data() {
        QTest::addColumn<QUrl>("target");
        QTest::newRow("user password") << url("userPassword.pdf");
        QTest::newRow("text file named .pdf") << url("text.pdf");
        QTest::newRow("missing file") << url("missing.pdf");
        QTest::newRow("no pages") << url("noPages.pdf");
        QTest::newRow("not a local file") << QUrl("https://example.invalid/deck.pdf");
    }

    void failedOpenKeepsTheOldDeck() {
        QFETCH(QUrl, target);
        Deck deck;
        QVERIFY(TestSupport::openDeck(deck, url("ten.pdf")));
        const SlideRenderer* renderer = deck.renderer();
        const quint64 generation = deck.generation();
        QVERIFY(!TestSupport::openDeck(deck, target));
        QCOMPARE(deck.url(), url("ten.pdf"));
        QCOMPARE(deck.pageCount(), 10);
        QCOMPARE(deck.renderer(), renderer);
        QCOMPARE(deck.generation(), generation);
    }

    // The password unlocks the deck and the renderer's own copy of it.
    void passwordUnlocksDeckAndRenderer() {
        Deck deck;
        OpenStatus status = OpenStatus::ok;
        QVERIFY(TestSupport::openDeck(deck, url("userPassword.pdf"), &status, "user"));
        QCOMPARE(status, OpenStatus::ok);
        QImage drawn;
        deck.renderer()->request(
            {0, 64, 48}, [&](const QImage& image) { drawn = image; }, RenderPriority::consoleView,
            &drawn);
        QTRY_VERIFY(!drawn.isNull());
    }

    // The older of two loads ends last: only the newer deck is applied, the older one's engine
    // instance is let go and its caller never hears of it.
    void newerLoadSupersedesAPendingOne() {
        FakeEngineScript script;
        const QString first = QStringLiteral("/decks/first.pdf");
        const QString second = QStringLiteral("/decks/second.pdf");
        script.pageCounts = {{first, 3}, {second, 5}};
        script.holdOpen(first);
        Deck deck(script.factory());
        QStringList heard;
        deck.load(QUrl::fromLocalFile(first), [&](OpenStatus) { heard.append(first); });
        QTRY_VERIFY(script.opensBegun().contains(first));
        QCOMPARE(deck.loading(), QUrl::fromLocalFile(first));
        deck.load(QUrl::fromLocalFile(second), [&](OpenStatus) { heard.append(second); });
        QTRY_COMPARE(heard, QStringList({second}));
        QVERIFY(deck.loading().isEmpty());

        script.letOpen(first);
        QTRY_VERIFY(script.opensEnded().contains(first));
        QTRY_COMPARE(script.enginesAlive(first), 0);
        QCOMPARE(heard, QStringList({second}));
        QCOMPARE(deck.url(), QUrl::fromLocalFile(second));
        QCOMPARE(deck.pageCount(), 5);
        QCOMPARE(deck.generation(), quint64(1));
    }

    // The loader reads every page's notes and the file's metadata, and its instance is the first
    // render worker's: one instance of the file fewer, and it goes with the renderer.
    void openReadsTheNotesAndHandsItsInstanceToTheRenderer() {
        FakeEngineScript script;
        const QString path = QStringLiteral("/decks/notes.pdf");
        script.pageCounts = {{path, 4}};
        script.release();
        auto deck = std::make_unique<Deck>(script.factory(2));
        bool loaded = false;
        deck->load(QUrl::fromLocalFile(path), [&](OpenStatus) { loaded = true; });
        QTRY_VERIFY(loaded);
        QCOMPARE(deck->annotationNotes(3), QStringList{"note 3"});
        QCOMPARE(deck->annotationNotes(4), QStringList());
        QCOMPARE(deck->metadata(), "xmp of " + path.toUtf8());
        QList<QImage> drawn;
        const char views[2] = {};
        for (qint64 page : {0, 1})
            deck->renderer()->request(
                {page, 64, 36}, [&](const QImage& image) { drawn.append(image); },
                RenderPriority::consoleView, &views[page]);
        QTRY_COMPARE(drawn.size(), 2);
        QTest::qWait(50);
        QCOMPARE(script.opensBegun().size(), 2);
        QCOMPARE(script.enginesAlive(path), 2);
        deck.reset();
        QCOMPARE(script.enginesAlive(path), 0);
    }

    // The loading thread outlives the Deck; what it hands back finds nobody.
    void destroyingTheDeckDropsItsPendingLoad() {
        FakeEngineScript script;
        const QString path = QStringLiteral("/decks/slow.pdf");
        script.holdOpen(path);
        bool heard = false;
        auto deck = std::make_unique<Deck>(script.factory());
        deck->load(QUrl::fromLocalFile(path), [&](OpenStatus) { heard = true; });
        QTRY_VERIFY(script.opensBegun().contains(path));
        deck.reset();
        script.letOpen(path);
        QTRY_VERIFY(script.opensEnded().contains(path));
        QTRY_COMPARE(script.enginesAlive(path), 0);
        QVERIFY(!heard);
        QThreadPool::globalInstance()->waitForDone();
    }
};

ORVL_TEST_MAIN(DeckTest)
#include "DeckTest.moc"
