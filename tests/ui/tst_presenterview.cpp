// The presenter view: texts and colours from the talk's state, the empty state, frames in widget
// coordinates, time fonts, stored proportions, the notes pane and PDF drops.
#include "base/Colors.h"
#include "document/Deck.h"
#include "notes/DeckNotes.h"
#include "support/FakeEngine.h"
#include "support/OpenDeck.h"
#include "support/TestSupport.h"
#include "ui/common/PdfDrop.h"
#include "ui/common/SlideView.h"
#include "ui/console/NotesPane.h"
#include "ui/console/PresenterView.h"
#include "ui/console/PresenterWindow.h"
#include "ui/console/SplitHandle.h"
#include "ui/console/ThumbnailSidebar.h"

#include <QAction>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QTextEdit>
#include <QWheelEvent>

namespace {

QString sampleDeck() {
    return QStringLiteral(ORVL_SOURCE_DIR "/resources/sample-deck.pdf");
}

} // namespace

class TestPresenterView : public QObject {
    Q_OBJECT

    FakeEngineScript script;
    std::unique_ptr<Deck> deck;
    std::unique_ptr<PresenterView> view;

    // A view of a 16:9 deck of `pages` pages (none: no deck open).
    void makeView(qint64 pages) {
        const QString path = QStringLiteral("/decks/talk.pdf");
        script.pageCounts = {{path, pages}};
        script.release();
        deck = std::make_unique<Deck>(script.factory());
        if (pages > 0)
            QVERIFY(TestSupport::openDeck(*deck, QUrl::fromLocalFile(path)));
        view = std::make_unique<PresenterView>();
        view->setDeck(deck.get());
        view->resize(1400, 820);
    }
    template <typename Widget> Widget* child(const char* name) const {
        return view->findChild<Widget*>(QString::fromLatin1(name));
    }
    // The talk at `page`, the next page after it, as the program shows it.
    void show(qint64 page, Blank blank = Blank::none, const QString& typed = {},
              bool presenting = false, std::optional<qint64> missing = {}) {
        PresenterView::Slides slides;
        slides.page = page;
        slides.structure = SlideStructure::pagesAlone(deck->pageCount());
        slides.missing = missing;
        if (page + 1 < deck->pageCount())
            slides.next = page + 1;
        slides.blank = blank;
        slides.typed = typed;
        slides.presenting = presenting;
        view->showSlides(slides);
    }

private slots:
    void initTestCase() { QVERIFY(TestSupport::useGerman()); }
    void init() { Preferences::clearForTests(); }
    void cleanup() {
        view.reset();
        deck.reset();
    }

    void texts_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<Blank>("blank");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("presenting");
        QTest::addColumn<std::optional<qint64>>("missing");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QColor>("statusColour");
        QTest::addColumn<QStringList>("buttons"); // start, black
        QTest::addColumn<QString>("veil");        // over the current slide
        const QColor grey = Colors::grey(0.55);
        const std::optional<qint64> none;
        const QStringList notStarted{"Präsentation starten (F5)", "Schwarzbild (B)"};
        const QStringList presenting{"Präsentation beenden (Esc)", "Schwarzbild (B)"};
        const QStringList blackened{"Präsentation beenden (Esc)", "Bild wieder zeigen (B)"};
        QTest::newRow("before the talk") << 0 << Blank::none << "" << false << none
                                         << "Präsentation läuft nicht" << grey << notStarted << "";
        QTest::newRow("presenting, nothing to say")
            << 4 << Blank::none << "" << true << none << "" << grey << presenting << "";
        QTest::newRow("last slide has no next number")
            << 9 << Blank::none << "" << true << none << "" << grey << presenting << "";
        QTest::newRow("white screen keeps the black button's title")
            << 2 << Blank::white << "" << true << none << "● Publikum sieht WEISSBILD"
            << Colors::orange << presenting << "Weiß";
        QTest::newRow("typed number wins over blanking")
            << 2 << Blank::black << "12" << true << none << "Springe zu Folie 12 … (⏎)"
            << Colors::orange << blackened << "Schwarz";
        QTest::newRow("a number no slide has, until the next key")
            << 3 << Blank::black << "" << true << std::optional<qint64>(99)
            << "Folie 99 gibt es nicht (10 Folien)" << Colors::orange << blackened << "Schwarz";
        QTest::newRow("typed number before the talk")
            << 0 << Blank::none << "7" << false << none << "Springe zu Folie 7 … (⏎)"
            << Colors::orange << notStarted << "";
    }
    void texts() {
        QFETCH(int, index);
        QFETCH(Blank, blank);
        QFETCH(bool, presenting);
        QFETCH(QString, typed);
        QFETCH(std::optional<qint64>, missing);
        makeView(10);
        show(index, blank, typed, presenting, missing);
        const PresenterView::Readout shown = view->readout();
        QCOMPARE(shown.currentLabel, QStringLiteral("Aktuelle Folie  %1 / 10").arg(index + 1));
        QCOMPARE(shown.nextLabel, index < 9 ? QStringLiteral("Nächste Folie  %1").arg(index + 2)
                                            : QStringLiteral("Nächste Folie"));
        QTEST(shown.status, "status");
        QTEST(shown.statusColour, "statusColour");
        QTEST((QStringList{shown.startButton, shown.blackButton}), "buttons");
        QCOMPARE(child<SlideView>("currentSlide")->page(), std::optional<qint64>(index));
        QCOMPARE(child<SlideView>("currentSlide")->blank(), Blank::none);
        const std::optional<SlideView::Veil> veil = child<SlideView>("currentSlide")->veil();
        QTEST(veil ? veil->caption : QString(), "veil");
        QVERIFY(!child<SlideView>("nextSlide")->veil());
        QCOMPARE(child<SlideView>("nextSlide")->page(),
                 index + 1 < 10 ? std::optional<qint64>(index + 1) : std::nullopt);
    }

    // Slides as their author made them: a frame of three steps is one slide; the next view's
    // caption names a step only when it shows one short of how its slide ends.
    void slideCaptions_data() {
        QTest::addColumn<qint64>("page");
        QTest::addColumn<std::optional<qint64>>("next");
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("nextCaption");
        using Page = std::optional<qint64>;
        QTest::newRow("a slide of one page") << qint64(0) << Page(3) << "Aktuelle Folie  1 / 7"
                                             << "Nächste Folie  2";
        QTest::newRow("a step of a frame")
            << qint64(2) << Page(4) << "Aktuelle Folie  2 / 7  ·  Schritt 2 / 3"
            << "Nächste Folie  3";
        QTest::newRow("the next page, a step short of its slide's end")
            << qint64(1) << Page(2) << "Aktuelle Folie  2 / 7  ·  Schritt 1 / 3"
            << "Nächste Folie  2  ·  Schritt 2 / 3";
        QTest::newRow("nothing shown next")
            << qint64(6) << Page() << "Aktuelle Folie  4 / 7  ·  Schritt 2 / 2"
            << "Nächste Folie";
    }
    void slideCaptions() {
        QFETCH(qint64, page);
        QFETCH(std::optional<qint64>, next);
        makeView(10);
        PresenterView::Slides slides;
        slides.page = page;
        slides.next = next;
        slides.structure =
            SlideStructure({{"1", "2", "2", "2", "3", "4", "4", "5", "6", "7"}, true, {}, {}, {}});
        view->showSlides(slides);
        QTEST(view->readout().currentLabel, "current");
        QTEST(view->readout().nextLabel, "nextCaption");
        QCOMPARE(view->readout().nextPage, next);
    }

    void emptyState_data() {
        QTest::addColumn<int>("pages");
        QTest::newRow("no document") << 0;
        QTest::newRow("a deck") << 3;
    }
    void emptyState() {
        QFETCH(int, pages);
        makeView(pages);
        view->show();
        show(0);
        const bool loaded = pages > 0;
        for (const char* slideArea : {"currentSlide", "nextSlide", "thumbnails", "currentLabel",
                                      "status", "sidebarHandle", "slideHandle"})
            QCOMPARE(child<QWidget>(slideArea)->isVisible(), loaded);
        QCOMPARE(child<QLabel>("emptyState")->isVisible(), !loaded);
        QCOMPARE(child<QWidget>("openButton")->isVisible(), !loaded);
        QCOMPARE(view->readout().emptyState, !loaded);
        for (const char* button : {"previousButton", "nextButton", "startButton", "blackButton"})
            QCOMPARE(child<QPushButton>(button)->isEnabled(), loaded);
        // The timer, clock, chooser and hint line stay in every state.
        for (const char* always : {"timer", "clock", "pauseButton", "keys"})
            QVERIFY(child<QWidget>(always)->isVisible());
        QVERIFY(child<QLabel>("emptyState")->text().contains(QStringLiteral("Strg+O")));
    }

    // The worked example's geometry, as the widgets are placed.
    void framesInWidgetCoordinates() {
        makeView(10);
        show(0);
        QCOMPARE(child<QWidget>("thumbnails")->geometry(), QRect(0, 0, 140, 820));
        QCOMPARE(child<QWidget>("currentSlide")->geometry(), QRect(160, 52, 744, 419));
        QCOMPARE(child<QWidget>("nextSlide")->geometry(), QRect(924, 52, 456, 257));
        QCOMPARE(child<QWidget>("startButton")->geometry(), QRect(1140, 820 - 84 - 40, 240, 40));
        QCOMPARE(child<QWidget>("keys")->geometry(), QRect(160, 802, 1220, 16));
    }

    void hintLineShowsThisDesktopsKeys() {
        makeView(0);
        view->show();
        view->resize(2400, 820);
        QVERIFY(
            child<QLabel>("keys")->text().endsWith(QStringLiteral("F5 / Strg+⏎ Start · Esc Ende")));
        view->resize(500, 560);
        QVERIFY(child<QLabel>("keys")->text().endsWith(QStringLiteral("…")));
    }

    // Every time display keeps its width while it counts, so it never jitters sideways.
    void timeDisplaysHaveEvenDigits() {
        makeView(0);
        for (const QLabel* label : {child<QLabel>("timer"), child<QLabel>("clock")}) {
            const QFontMetricsF metrics(label->font());
            const qreal width = metrics.horizontalAdvance(QStringLiteral("00:00:00"));
            for (const char* time : {"11:11:11", "12:34:56", "23:59:59", "07:08:09"})
                QCOMPARE(metrics.horizontalAdvance(QString::fromLatin1(time)), width);
        }
    }

    void storedProportions() {
        makeView(10);
        QCOMPARE(view->sidebarFraction(), 0.1);
        QCOMPARE(view->slideSplit(), 0.62);
        Preferences::setValue(QStringLiteral("layoutSidebar"), 0.9);
        Preferences::setValue(QStringLiteral("layoutSplit"), 0.5);
        QCOMPARE(view->sidebarFraction(), 0.9);
        show(0);
        QCOMPARE(view->readout().sidebarWidth, 700);
        QCOMPARE(child<QWidget>("currentSlide")->width(), 320);
        Preferences::remove(QStringLiteral("layoutSidebar"));
        show(0);
        view->setThumbnailColumns(2);
        QCOMPARE(view->readout().sidebarWidth, 280);
        view->setThumbnailColumns(3);
        view->resetLayout();
        QCOMPARE(view->readout().columns, 1);
        QVERIFY(!Preferences::contains(QStringLiteral("layoutSidebar")));
        QVERIFY(!Preferences::contains(QStringLiteral("layoutSplit")));
        QCOMPARE(view->readout().sidebarWidth, 140);
    }

    // The handles report pointer positions; the view stores clamped proportions and lays out.
    void splitHandles_data() {
        QTest::addColumn<bool>("sidebarHandle");
        QTest::addColumn<std::optional<double>>("dragTo"); // absent: a double-click
        QTest::addColumn<QString>("key");
        QTest::addColumn<double>("stored");
        QTest::newRow("sidebar past the middle stores 0.5")
            << true << std::optional<double>(900) << "layoutSidebar" << 0.5;
        QTest::newRow("sidebar to x = 0 stores 0.05")
            << true << std::optional<double>(0) << "layoutSidebar" << 0.05;
        QTest::newRow("sidebar to 210 of 1400")
            << true << std::optional<double>(210) << "layoutSidebar" << 0.15;
        QTest::newRow("sidebar double-click")
            << true << std::optional<double>() << "layoutSidebar" << 0.1;
        // left = 140 + 20; the split is (x − left − 10) / (1400 − left − 40).
        QTest::newRow("slide split in the middle")
            << false << std::optional<double>(770) << "layoutSplit" << 0.5;
        QTest::newRow("slide split far left stores 0.3")
            << false << std::optional<double>(-50) << "layoutSplit" << 0.3;
        QTest::newRow("slide split far right stores 0.85")
            << false << std::optional<double>(1500) << "layoutSplit" << 0.85;
        QTest::newRow("slide double-click")
            << false << std::optional<double>() << "layoutSplit" << 0.62;
    }
    void splitHandles() {
        QFETCH(bool, sidebarHandle);
        QFETCH(std::optional<double>, dragTo);
        QFETCH(QString, key);
        QFETCH(double, stored);
        makeView(10);
        show(0);
        Preferences::setValue(key, 0.33);
        auto* handle = child<SplitHandle>(sidebarHandle ? "sidebarHandle" : "slideHandle");
        QVERIFY(handle->isVisibleTo(view.get()));
        if (dragTo)
            emit handle->dragged(*dragTo);
        else
            emit handle->resetAsked();
        QCOMPARE(Preferences::value(key).toDouble(), stored);
        if (sidebarHandle)
            QCOMPARE(view->readout().sidebarWidth, int(std::max(std::round(stored * 1400), 90.0)));
        else
            QCOMPARE(child<QWidget>("currentSlide")->width(), int(std::round(stored * 1200)));
    }

    // The current slide's note beside it; the next slide is the next one not hidden; the same
    // note again keeps its scroll position; size and share are stored.
    void notesPane() {
        QTemporaryDir folder;
        const QString pdf = folder.filePath("talk.pdf");
        QVERIFY(QFile::copy(sampleDeck(), pdf));
        QFile sidecar(folder.filePath("talk.pdfpc"));
        QVERIFY(sidecar.open(QIODevice::WriteOnly));
        const QString longNote = QStringList(80, "A line of the note.").join("\n\n");
        sidecar.write(
            QJsonDocument(QJsonObject{
                              {"pdfpcFormat", 2},
                              {"noteFontSize", 16},
                              {"pages", QJsonArray{QJsonObject{{"idx", 1}, {"note", longNote}},
                                                   QJsonObject{{"idx", 2}, {"hidden", true}}}},
                          })
                .toJson());
        sidecar.close();
        deck = std::make_unique<Deck>();
        QVERIFY(TestSupport::openDeck(*deck, QUrl::fromLocalFile(pdf)));
        DeckNotes notes;
        notes.load(pdf, deck->pageLabels());
        view = std::make_unique<PresenterView>();
        view->setDeck(deck.get());
        view->setNotesWanted(true);
        view->resize(1400, 820);
        view->show();
        // As the program gives them: the page's notes, the next page not hidden.
        const auto showPage = [&](qint64 page) {
            PresenterView::Slides slides;
            slides.page = page;
            slides.structure = notes.slides();
            slides.next = notes.step(page, +1);
            slides.notes = notes.notesFor(page, deck->annotationNotes(page));
            slides.notesFontSize = notes.sidecar().noteFontSize;
            view->showSlides(slides);
        };
        showPage(1);
        auto* pane = child<NotesPane>("notes");
        QVERIFY(pane->isVisibleTo(view.get()));
        QCOMPARE(pane->geometry(), QRect(924, 820 - 469, 456, 299));
        QVERIFY(pane->plainText().startsWith("A line of the note.\n"));
        QCOMPARE(view->readout().nextLabel, QStringLiteral("Nächste Folie  4"));
        QCOMPARE(child<SlideView>("nextSlide")->page(), std::optional<qint64>(3));

        QScrollBar* scroll = pane->text->verticalScrollBar();
        QVERIFY(scroll->maximum() > 0);
        scroll->setValue(scroll->maximum() / 2);
        const int scrolled = scroll->value();
        showPage(1);
        QCOMPARE(scroll->value(), scrolled);
        // The wheel scrolls although the pane never takes the keyboard.
        QWidget* viewport = pane->text->viewport();
        QWheelEvent wheel(QPointF(20, 20), viewport->mapToGlobal(QPointF(20, 20)), {}, {0, -240},
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(viewport, &wheel);
        QVERIFY(scroll->value() > scrolled);
        QCOMPARE(pane->text->focusPolicy(), Qt::NoFocus);
        showPage(0);
        QVERIFY(pane->plainText().isEmpty());

        QCOMPARE(view->readout().notesFontSize, 16.0);
        view->changeNotesSize(-10);
        QCOMPARE(Preferences::value(NotesPane::fontSizeKey).toDouble(), 8.0);
        view->changeNotesSize(+1);
        QCOMPARE(view->readout().notesFontSize, 10.0);
        QCOMPARE(pane->text->document()->defaultFont().pixelSize(), 10);

        // Pointer at y = 820 − 470: the notes' upper edge at 300 of the slides' 598.
        emit child<SplitHandle>("notesHandle")->dragged(350);
        QCOMPARE(Preferences::value("layoutNotes").toDouble(), (470.0 - 170) / 598);
        view->resetLayout();
        QVERIFY(!Preferences::contains("layoutNotes"));
    }

    // The wheel over either slide view steps through the deck, a notch a step, small turns
    // adding up and a turn back starting afresh; over the notes and the thumbnails it scrolls.
    void wheel_data() {
        QTest::addColumn<QString>("part");
        QTest::addColumn<QList<int>>("turns");
        QTest::addColumn<Qt::ScrollPhase>("phase");
        QTest::addColumn<int>("steps"); // onwards less back
        const Qt::ScrollPhase wheel = Qt::NoScrollPhase;
        QTest::newRow("a notch towards the speaker: on")
            << "currentSlide" << QList<int>{-120} << wheel << 1;
        QTest::newRow("a notch away on the next slide: back")
            << "nextSlide" << QList<int>{120} << wheel << -1;
        QTest::newRow("two notches in one event")
            << "currentSlide" << QList<int>{-240} << wheel << 2;
        QTest::newRow("a touchpad's small turns add up")
            << "currentSlide" << QList<int>{-40, -40, -40, -40} << Qt::ScrollUpdate << 1;
        QTest::newRow("a turn back starts afresh")
            << "currentSlide" << QList<int>{-100, 100, -100} << wheel << 0;
        QTest::newRow("a touchpad's glide runs nowhere")
            << "currentSlide" << QList<int>{-120, -120} << Qt::ScrollMomentum << 0;
        QTest::newRow("the notes scroll") << "notes" << QList<int>{-120} << wheel << 0;
        QTest::newRow("the thumbnails scroll") << "thumbnails" << QList<int>{-120} << wheel << 0;
    }
    void wheel() {
        QFETCH(QString, part);
        QFETCH(QList<int>, turns);
        QFETCH(Qt::ScrollPhase, phase);
        makeView(30);
        view->setNotesWanted(true);
        QAction previous;
        QAction next;
        view->setCommands({&previous, &next});
        QSignalSpy back(&previous, &QAction::triggered);
        QSignalSpy onwards(&next, &QAction::triggered);
        view->show();
        show(0);
        QWidget* shown = view->findChild<QWidget*>(part);
        QVERIFY(shown && shown->isVisible());
        QWidget* under = shown->childAt(shown->rect().center());
        QWidget* target = under ? under : shown;
        const QPointF at = target->mapFrom(shown, shown->rect().center());
        for (const int turn : turns) {
            QWheelEvent event(at, target->mapToGlobal(at), {}, {0, turn}, Qt::NoButton,
                              Qt::NoModifier, phase, false);
            QCoreApplication::sendEvent(target, &event);
        }
        QTEST(int(onwards.count() - back.count()), "steps");
        QVERIFY(onwards.isEmpty() || back.isEmpty());
    }

    // A drop of a local PDF is taken and the first such file said; anything else is refused.
    void drop_data() {
        QTest::addColumn<QList<QUrl>>("urls");
        QTest::addColumn<QString>("opened");
        const auto file = [](const char* path) { return QUrl::fromLocalFile(path); };
        QTest::newRow("a PDF") << QList<QUrl>{file("/talks/a.pdf")} << "/talks/a.pdf";
        QTest::newRow("capital extension") << QList<QUrl>{file("/talks/B.PDF")} << "/talks/B.PDF";
        QTest::newRow("text file refused") << QList<QUrl>{file("/talks/notes.txt")} << "";
        QTest::newRow("text then PDF opens the PDF")
            << QList<QUrl>{file("/talks/notes.txt"), file("/talks/c.Pdf")} << "/talks/c.Pdf";
        QTest::newRow("first of two PDFs")
            << QList<QUrl>{file("/talks/1.pdf"), file("/talks/2.pdf")} << "/talks/1.pdf";
        QTest::newRow("remote PDF refused")
            << QList<QUrl>{QUrl(QStringLiteral("https://example.invalid/x.pdf"))} << "";
        QTest::newRow("pdf only in the middle of the name")
            << QList<QUrl>{file("/talks/x.pdf.zip")} << "";
    }
    void drop() {
        QFETCH(QList<QUrl>, urls);
        QFETCH(QString, opened);
        makeView(0);
        QStringList calls;
        connect(view.get(), &PresenterView::fileDropped, this,
                [&](const QUrl& url) { calls.append(url.toLocalFile()); });
        QMimeData data;
        data.setUrls(urls);
        const std::optional<QUrl> found = PdfDrop::pdfUrl(&data);
        QCOMPARE(found ? found->toLocalFile() : QString(), opened);
        QDragEnterEvent enter(QPoint(700, 400), Qt::CopyAction | Qt::MoveAction, &data,
                              Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view.get(), &enter);
        QCOMPARE(enter.isAccepted(), !opened.isEmpty());
        QDropEvent drop(QPointF(700, 400), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                        Qt::NoModifier);
        QCoreApplication::sendEvent(view.get(), &drop);
        QCOMPARE(drop.isAccepted(), !opened.isEmpty());
        QCOMPARE(calls, opened.isEmpty() ? QStringList() : QStringList{opened});
    }

    void windowRemembersItsFrame() {
        {
            PresenterWindow first;
            QCOMPARE(first.size(), QSize(1400, 820));
            QCOMPARE(first.minimumSize(), QSize(900, 560));
            QCOMPARE(first.windowTitle(), QString("Talvane Orvello"));
            first.show();
            QVERIFY(QTest::qWaitForWindowExposed(&first));
            first.setGeometry(40, 50, 1000, 700);
            first.close();
        }
        QVERIFY(Preferences::contains(PresenterWindow::frameKey));
        PresenterWindow second;
        QCOMPARE(second.size(), QSize(1000, 700));
    }
};

ORVL_TEST_MAIN(TestPresenterView)
#include "tst_presenterview.moc"
