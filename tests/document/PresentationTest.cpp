// Opening decks, the observer calls and navigation of the presentation model.
#include "document/Presentation.h"
#include "base/RecentFiles.h"
#include "support/FakeEngine.h"
#include "support/OpenDeck.h"
#include "support/TestPdfs.h"
#include "support/TestSupport.h"

#include <QThreadPool>

using TestPdfs::Page;
using TestPdfs::page;

class PresentationTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir folder;
    QString path(const QString& name) const { return folder.filePath(name); }
    QUrl url(const QString& name) const { return QUrl::fromLocalFile(path(name)); }

    // Counts notifications and records the deck state each one sees.
    struct Listener {
        int calls = 0;
        QList<bool> recentListed;
    };

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
        Presentation presentation;
        QVERIFY(TestSupport::openDeck(presentation, url(file)));
        QCOMPARE(presentation.url, url(file));
        QTEST(presentation.pageCount, "pages");
        QVERIFY(qAbs(presentation.aspect - aspect) < 1e-9);
        QVERIFY(presentation.renderer);
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
        QTEST(Presentation::aspectOf(size), "aspect");
    }

    void successfulOpenNotifiesTwiceAroundTheRecentFilesEntry() {
        Presentation presentation;
        Listener listener;
        presentation.observers.append([&] {
            ++listener.calls;
            listener.recentListed.append(RecentFiles::all().contains(url("ten.pdf")));
        });
        QVERIFY(TestSupport::openDeck(presentation, url("ten.pdf")));
        QCOMPARE(listener.calls, 2);
        QCOMPARE(listener.recentListed, QList<bool>({false, true}));
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
        Presentation presentation;
        QVERIFY(TestSupport::openDeck(presentation, url("ten.pdf")));
        presentation.goTo(7);
        presentation.blank = Blank::white;
        const SlideRenderer* renderer = presentation.renderer.get();
        int calls = 0;
        presentation.observers.append([&] { ++calls; });
        QVERIFY(!TestSupport::openDeck(presentation, target));
        QCOMPARE(calls, 0);
        QCOMPARE(presentation.url, url("ten.pdf"));
        QCOMPARE(presentation.pageCount, 10);
        QCOMPARE(presentation.renderer.get(), renderer);
        QCOMPARE(presentation.index, 7);
        QCOMPARE(presentation.blank, Blank::white);
        QVERIFY(!RecentFiles::all().contains(target));
    }

    // The password unlocks the deck and the renderer's own copy of it.
    void passwordUnlocksDeckAndRenderer() {
        Presentation presentation;
        OpenStatus status = OpenStatus::ok;
        QVERIFY(TestSupport::openDeck(presentation, url("userPassword.pdf"), &status, "user"));
        QCOMPARE(status, OpenStatus::ok);
        QImage drawn;
        presentation.renderer->request(
            {0, 64, 48}, [&](const QImage& image) { drawn = image; }, RenderPriority::consoleView,
            &drawn);
        QTRY_VERIFY(!drawn.isNull());
    }

    void openingAnotherDeckResetsSlideAndBlanking() {
        Presentation presentation;
        QVERIFY(TestSupport::openDeck(presentation, url("ten.pdf")));
        presentation.goTo(7);
        presentation.blank = Blank::white;
        presentation.isPresenting = true;
        QVERIFY(TestSupport::openDeck(presentation, url("rotated90.pdf")));
        QCOMPARE(presentation.index, 0);
        QCOMPARE(presentation.blank, Blank::none);
        QCOMPARE(presentation.pageCount, 1);
        QCOMPARE(presentation.aspect, 0.75);
        QVERIFY(presentation.isPresenting);
    }

    // The reload's place: the slide, clamped to the new deck, and the blanking stay, and the views
    // hear of the deck only with them in place.
    void keptPlaceSurvivesTheLoad() {
        Presentation presentation;
        QVERIFY(TestSupport::openDeck(presentation, url("ten.pdf")));
        presentation.goTo(7);
        presentation.blank = Blank::white;
        QList<qint64> seen;
        presentation.observers.append([&] { seen.append(presentation.index); });
        std::optional<OpenStatus> ended;
        presentation.load(
            url("secondPagePortrait.pdf"), [&](OpenStatus status) { ended = status; }, {},
            Presentation::Place::kept);
        QTRY_VERIFY(ended);
        QCOMPARE(*ended, OpenStatus::ok);
        QCOMPARE(seen, QList<qint64>({1, 1}));
        QCOMPARE(presentation.blank, Blank::white);
    }

    // The older of two loads ends last: only the newer deck is applied, the older one's engine
    // instance is let go and its caller never hears of it.
    void newerLoadSupersedesAPendingOne() {
        FakeEngineScript script;
        const QString first = QStringLiteral("/decks/first.pdf");
        const QString second = QStringLiteral("/decks/second.pdf");
        script.pageCounts = {{first, 3}, {second, 5}};
        script.holdOpen(first);
        Presentation presentation(script.factory());
        int notifications = 0;
        presentation.observers.append([&] { ++notifications; });
        QStringList heard;
        presentation.load(QUrl::fromLocalFile(first), [&](OpenStatus) { heard.append(first); });
        QTRY_VERIFY(script.opensBegun().contains(first));
        QCOMPARE(presentation.loading(), QUrl::fromLocalFile(first));
        presentation.load(QUrl::fromLocalFile(second), [&](OpenStatus) { heard.append(second); });
        QTRY_COMPARE(heard, QStringList({second}));
        QVERIFY(presentation.loading().isEmpty());

        script.letOpen(first);
        QTRY_VERIFY(script.opensEnded().contains(first));
        QTRY_COMPARE(script.enginesAlive(first), 0);
        QCOMPARE(heard, QStringList({second}));
        QCOMPARE(presentation.url, QUrl::fromLocalFile(second));
        QCOMPARE(presentation.pageCount, 5);
        QCOMPARE(notifications, 2);
        QVERIFY(!RecentFiles::all().contains(QUrl::fromLocalFile(first)));
    }

    // The loader reads every page's notes and the file's metadata, and its instance is the first
    // render worker's: one instance of the file fewer, and it goes with the renderer.
    void openReadsTheNotesAndHandsItsInstanceToTheRenderer() {
        FakeEngineScript script;
        const QString deck = QStringLiteral("/decks/notes.pdf");
        script.pageCounts = {{deck, 4}};
        script.release();
        Presentation presentation(script.factory(2));
        bool loaded = false;
        presentation.load(QUrl::fromLocalFile(deck), [&](OpenStatus) { loaded = true; });
        QTRY_VERIFY(loaded);
        QCOMPARE(presentation.annotationNotes(3), QStringList{"note 3"});
        QCOMPARE(presentation.annotationNotes(4), QStringList());
        QCOMPARE(presentation.metadata, "xmp of " + deck.toUtf8());
        QList<QImage> drawn;
        const char views[2] = {};
        for (qint64 page : {0, 1})
            presentation.renderer->request(
                {page, 64, 36}, [&](const QImage& image) { drawn.append(image); },
                RenderPriority::consoleView, &views[page]);
        QTRY_COMPARE(drawn.size(), 2);
        QTest::qWait(50);
        QCOMPARE(script.opensBegun().size(), 2);
        QCOMPARE(script.enginesAlive(deck), 2);
        presentation.renderer.reset();
        QCOMPARE(script.enginesAlive(deck), 0);
    }

    // The loading thread outlives the Presentation; what it hands back finds nobody.
    void destroyingThePresentationDropsItsPendingLoad() {
        FakeEngineScript script;
        const QString path = QStringLiteral("/decks/slow.pdf");
        script.holdOpen(path);
        bool heard = false;
        auto presentation = std::make_unique<Presentation>(script.factory());
        presentation->load(QUrl::fromLocalFile(path), [&](OpenStatus) { heard = true; });
        QTRY_VERIFY(script.opensBegun().contains(path));
        presentation.reset();
        script.letOpen(path);
        QTRY_VERIFY(script.opensEnded().contains(path));
        QTRY_COMPARE(script.enginesAlive(path), 0);
        QVERIFY(!heard);
        QThreadPool::globalInstance()->waitForDone();
    }

    void goToClampsAndEndsBlanking_data() {
        QTest::addColumn<qint64>("from");
        QTest::addColumn<Blank>("blank");
        QTest::addColumn<qint64>("target");
        QTest::addColumn<qint64>("index");
        QTest::addColumn<int>("notifications");
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
        Presentation presentation;
        QVERIFY(TestSupport::openDeck(presentation, url("ten.pdf")));
        presentation.goTo(from);
        presentation.blank = blank;
        int calls = 0;
        presentation.observers.append([&] { ++calls; });
        presentation.goTo(target);
        QTEST(presentation.index, "index");
        QCOMPARE(presentation.blank, Blank::none);
        QTEST(calls, "notifications");
    }

    void goToWithoutADeckDoesNothing() {
        Presentation presentation;
        presentation.blank = Blank::black;
        int calls = 0;
        presentation.observers.append([&] { ++calls; });
        presentation.goTo(3);
        QCOMPARE(presentation.index, 0);
        QCOMPARE(presentation.blank, Blank::black);
        QCOMPARE(calls, 0);
    }
};

ORVL_TEST_MAIN(PresentationTest)
#include "PresentationTest.moc"
