// The presenter view: texts and colours from the deck's state, the empty state, frames in widget
// coordinates, the prefetch, time fonts, stored proportions and PDF drops.
#include "base/Colors.h"
#include "document/Presentation.h"
#include "notes/DeckNotes.h"
#include "support/OpenDeck.h"
#include "support/TestSupport.h"
#include "ui/common/SlideView.h"
#include "ui/console/NotesPane.h"
#include "ui/console/PresenterView.h"
#include "ui/console/PresenterWindow.h"
#include "ui/console/SplitHandle.h"
#include "ui/console/ThumbnailSidebar.h"

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

QColor textColour(const QLabel* label) {
    return label->palette().color(QPalette::WindowText);
}

} // namespace

class TestPresenterView : public QObject {
    Q_OBJECT

    std::unique_ptr<Presentation> deck;
    std::unique_ptr<PresenterView> view;

    void makeView(qint64 pages) {
        deck = std::make_unique<Presentation>();
        deck->pageCount = pages;
        view = std::make_unique<PresenterView>(deck.get());
        view->resize(1400, 820);
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
        QTest::addColumn<QString>("status");
        QTest::addColumn<QColor>("statusColour");
        QTest::addColumn<QStringList>("buttons"); // start, black
        const QColor grey = Colors::grey(0.55);
        const QStringList notStarted{"Präsentation starten (F5)", "Schwarzbild (B)"};
        const QStringList presenting{"Präsentation beenden (Esc)", "Schwarzbild (B)"};
        const QStringList blackened{"Präsentation beenden (Esc)", "Bild wieder zeigen (B)"};
        QTest::newRow("before the talk")
            << 0 << Blank::none << "" << false << "Präsentation läuft nicht" << grey << notStarted;
        QTest::newRow("presenting, nothing to say")
            << 4 << Blank::none << "" << true << "" << grey << presenting;
        QTest::newRow("last slide has no next number")
            << 9 << Blank::none << "" << true << "" << grey << presenting;
        QTest::newRow("white screen keeps the black button's title")
            << 2 << Blank::white << "" << true << "● Publikum sieht WEISSBILD" << Colors::orange
            << presenting;
        QTest::newRow("typed number wins over blanking")
            << 2 << Blank::black << "12" << true << "Springe zu Folie 12 … (⏎)" << Colors::orange
            << blackened;
        QTest::newRow("typed number before the talk")
            << 0 << Blank::none << "7" << false << "Springe zu Folie 7 … (⏎)" << Colors::orange
            << notStarted;
    }
    void texts() {
        QFETCH(int, index);
        QFETCH(Blank, blank);
        QFETCH(bool, presenting);
        QFETCH(QString, typed);
        makeView(10);
        deck->index = index;
        deck->blank = blank;
        deck->isPresenting = presenting;
        view->update(typed);
        QCOMPARE(view->currentLabel->text(),
                 QStringLiteral("Aktuelle Folie  %1 / 10").arg(index + 1));
        QCOMPARE(view->nextLabel->text(), index < 9
                                              ? QStringLiteral("Nächste Folie  %1").arg(index + 2)
                                              : QStringLiteral("Nächste Folie"));
        QTEST(view->statusLabel->text(), "status");
        QTEST(textColour(view->statusLabel), "statusColour");
        QTEST((QStringList{view->startButton->text(), view->blackButton->text()}), "buttons");
        QCOMPARE(view->current->page(), std::optional<qint64>(index));
        QCOMPARE(view->current->blank(), Blank::none);
        QCOMPARE(view->next->page(),
                 index + 1 < 10 ? std::optional<qint64>(index + 1) : std::nullopt);
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
        view->update(QString());
        const bool loaded = pages > 0;
        for (QWidget* slideArea :
             {static_cast<QWidget*>(view->current), static_cast<QWidget*>(view->next),
              static_cast<QWidget*>(view->sidebar), static_cast<QWidget*>(view->currentLabel),
              static_cast<QWidget*>(view->statusLabel), static_cast<QWidget*>(view->sidebarHandle),
              static_cast<QWidget*>(view->slideHandle)})
            QCOMPARE(slideArea->isVisible(), loaded);
        QCOMPARE(view->emptyLabel->isVisible(), !loaded);
        QCOMPARE(view->openButton->isVisible(), !loaded);
        for (QPushButton* button :
             {view->prevButton, view->nextButton, view->startButton, view->blackButton})
            QCOMPARE(button->isEnabled(), loaded);
        // The timer, clock, chooser and hint line stay in every state.
        for (QWidget* always :
             {static_cast<QWidget*>(view->timerLabel), static_cast<QWidget*>(view->clockLabel),
              static_cast<QWidget*>(view->pauseButton), static_cast<QWidget*>(view->hintLabel)})
            QVERIFY(always->isVisible());
        QVERIFY(view->emptyLabel->text().contains(QStringLiteral("Strg+O")));
    }

    // The worked example's geometry, as the widgets are placed.
    void framesInWidgetCoordinates() {
        makeView(10);
        view->update(QString());
        QCOMPARE(view->sidebar->geometry(), QRect(0, 0, 140, 820));
        QCOMPARE(view->current->geometry(), QRect(160, 52, 744, 419));
        QCOMPARE(view->next->geometry(), QRect(924, 52, 456, 257));
        QCOMPARE(view->startButton->geometry(), QRect(1140, 820 - 84 - 40, 240, 40));
        QCOMPARE(view->hintLabel->geometry(), QRect(160, 802, 1220, 16));
    }

    void hintLineShowsThisDesktopsKeys() {
        makeView(0);
        view->show();
        view->resize(2400, 820);
        QVERIFY(view->hintLabel->text().endsWith(QStringLiteral("F5 / Strg+⏎ Start · Esc Ende")));
        view->resize(500, 560);
        QVERIFY(view->hintLabel->text().endsWith(QStringLiteral("…")));
    }

    // Every time display keeps its width while it counts, so it never jitters sideways.
    void timeDisplaysHaveEvenDigits() {
        makeView(0);
        for (const QLabel* label : {view->timerLabel, view->clockLabel}) {
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
        view->update(QString());
        QCOMPARE(view->sidebar->width(), 700);
        QCOMPARE(view->current->width(), 320);
        Preferences::remove(QStringLiteral("layoutSidebar"));
        view->update(QString());
        view->sidebar->moreColumns();
        QCOMPARE(view->sidebar->width(), 280);
        view->sidebar->setColumns(3);
        view->resetLayout();
        QCOMPARE(view->sidebar->columns(), 1);
        QVERIFY(!Preferences::contains(QStringLiteral("layoutSidebar")));
        QVERIFY(!Preferences::contains(QStringLiteral("layoutSplit")));
        QCOMPARE(view->sidebar->width(), 140);
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
        view->update(QString());
        Preferences::setValue(key, 0.33);
        SplitHandle* handle = sidebarHandle ? view->sidebarHandle : view->slideHandle;
        QVERIFY(handle->isVisibleTo(view.get()));
        if (dragTo)
            handle->onDrag(*dragTo);
        else
            handle->onReset();
        QCOMPARE(Preferences::value(key).toDouble(), stored);
        if (sidebarHandle)
            QCOMPARE(view->sidebar->width(), int(std::max(std::round(stored * 1400), 90.0)));
        else
            QCOMPARE(view->current->width(), int(std::round(stored * 1200)));
    }

    // The neighbours are asked for at exactly the sizes at which they will be shown.
    void prefetch_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<QList<int>>("currentSized");
        QTest::addColumn<QList<int>>("nextSized");
        QTest::newRow("middle of the deck") << 5 << QList<int>{6, 7, 4} << QList<int>{7, 8};
        QTest::newRow("first slide") << 0 << QList<int>{1, 2} << QList<int>{2, 3};
        QTest::newRow("last slide") << 11 << QList<int>{10} << QList<int>{};
    }
    void prefetch() {
        QFETCH(int, index);
        QFETCH(QList<int>, currentSized);
        QFETCH(QList<int>, nextSized);
        deck = std::make_unique<Presentation>();
        QVERIFY(TestSupport::openDeck(*deck, QUrl::fromLocalFile(sampleDeck())));
        QCOMPARE(deck->pageCount, 12);
        deck->index = index;
        view = std::make_unique<PresenterView>(deck.get());
        view->resize(1400, 820);
        view->show();
        view->update(QString());
        SlideRenderer* renderer = deck->renderer.get();
        const auto asked = [renderer](qint64 page, QSize size) {
            const SlideRenderer::Key key{page, size.width(), size.height()};
            return renderer->isPending(key) || renderer->cached(key).has_value();
        };
        const QSize currentSize = view->current->pixelKeySize();
        const QSize nextSize = view->next->pixelKeySize();
        QVERIFY(currentSize != nextSize);
        for (int page = 0; page < 12; ++page) {
            const bool shownCurrent = page == index;
            const bool shownNext = page == index + 1;
            QCOMPARE(asked(page, currentSize), currentSized.contains(page) || shownCurrent);
            QCOMPARE(asked(page, nextSize), nextSized.contains(page) || shownNext);
        }
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
        deck = std::make_unique<Presentation>();
        QVERIFY(TestSupport::openDeck(*deck, QUrl::fromLocalFile(pdf)));
        DeckNotes notes;
        notes.load(pdf, deck->pageLabels);
        view = std::make_unique<PresenterView>(deck.get());
        view->deckNotes = &notes;
        view->resize(1400, 820);
        view->show();
        deck->index = 1;
        view->update(QString());
        QVERIFY(view->notesPane->isVisibleTo(view.get()));
        QCOMPARE(view->notesPane->geometry(), QRect(924, 820 - 469, 456, 299));
        QVERIFY(view->notesPane->plainText().startsWith("A line of the note.\n"));
        QCOMPARE(view->nextLabel->text(), QStringLiteral("Nächste Folie  4"));
        QCOMPARE(view->next->page(), std::optional<qint64>(3));
        // Nor drawn ahead for the next view: the steps after it are 4 and 5.
        const QSize nextSize = view->next->pixelKeySize();
        const auto asked = [&](qint64 page) {
            const SlideRenderer::Key key{page, nextSize.width(), nextSize.height()};
            return deck->renderer->isPending(key) || deck->renderer->cached(key).has_value();
        };
        QVERIFY(!asked(2) && asked(4) && asked(5));

        QScrollBar* scroll = view->notesPane->text->verticalScrollBar();
        QVERIFY(scroll->maximum() > 0);
        scroll->setValue(scroll->maximum() / 2);
        const int scrolled = scroll->value();
        view->update(QString());
        QCOMPARE(scroll->value(), scrolled);
        // The wheel scrolls although the pane never takes the keyboard.
        QWidget* viewport = view->notesPane->text->viewport();
        QWheelEvent wheel(QPointF(20, 20), viewport->mapToGlobal(QPointF(20, 20)), {}, {0, -240},
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(viewport, &wheel);
        QVERIFY(scroll->value() > scrolled);
        QCOMPARE(view->notesPane->text->focusPolicy(), Qt::NoFocus);
        deck->index = 0;
        view->update(QString());
        QVERIFY(view->notesPane->plainText().isEmpty());

        QCOMPARE(view->notesPane->fontSize(), 16.0);
        view->notesPane->changeFontSize(-10);
        QCOMPARE(Preferences::value(NotesPane::fontSizeKey).toDouble(), 8.0);
        view->notesPane->changeFontSize(+1);
        QCOMPARE(view->notesPane->fontSize(), 10.0);
        QCOMPARE(view->notesPane->text->document()->defaultFont().pixelSize(), 10);

        // Pointer at y = 820 − 470: the notes' upper edge at 300 of the slides' 598.
        view->notesHandle->onDrag(350);
        QCOMPARE(Preferences::value("layoutNotes").toDouble(), (470.0 - 170) / 598);
        view->resetLayout();
        QVERIFY(!Preferences::contains("layoutNotes"));
    }

    // A drop opens the first local PDF through the controller; a failed open refuses the drop.
    void drop_data() {
        QTest::addColumn<QList<QUrl>>("urls");
        QTest::addColumn<bool>("opens");
        QTest::addColumn<QString>("opened");
        const auto file = [](const char* path) { return QUrl::fromLocalFile(path); };
        QTest::newRow("a PDF") << QList<QUrl>{file("/talks/a.pdf")} << true << "/talks/a.pdf";
        QTest::newRow("capital extension")
            << QList<QUrl>{file("/talks/B.PDF")} << true << "/talks/B.PDF";
        QTest::newRow("text file refused") << QList<QUrl>{file("/talks/notes.txt")} << true << "";
        QTest::newRow("text then PDF opens the PDF")
            << QList<QUrl>{file("/talks/notes.txt"), file("/talks/c.Pdf")} << true
            << "/talks/c.Pdf";
        QTest::newRow("first of two PDFs")
            << QList<QUrl>{file("/talks/1.pdf"), file("/talks/2.pdf")} << true << "/talks/1.pdf";
        QTest::newRow("remote PDF refused")
            << QList<QUrl>{QUrl(QStringLiteral("https://example.invalid/x.pdf"))} << true << "";
        QTest::newRow("pdf only in the middle of the name")
            << QList<QUrl>{file("/talks/x.pdf.zip")} << true << "";
        QTest::newRow("a PDF that does not open")
            << QList<QUrl>{file("/talks/broken.pdf")} << false << "/talks/broken.pdf";
    }
    void drop() {
        QFETCH(QList<QUrl>, urls);
        QFETCH(bool, opens);
        QFETCH(QString, opened);
        makeView(0);
        QStringList calls;
        view->openDroppedFile = [&](const QUrl& url) {
            calls.append(url.toLocalFile());
            return opens;
        };
        QMimeData data;
        data.setUrls(urls);
        const std::optional<QUrl> found = PresenterView::pdfUrl(&data);
        QCOMPARE(found ? found->toLocalFile() : QString(), opened);
        QDragEnterEvent enter(QPoint(700, 400), Qt::CopyAction | Qt::MoveAction, &data,
                              Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view.get(), &enter);
        QCOMPARE(enter.isAccepted(), !opened.isEmpty());
        QDropEvent drop(QPointF(700, 400), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                        Qt::NoModifier);
        QCoreApplication::sendEvent(view.get(), &drop);
        QCOMPARE(drop.isAccepted(), opens && !opened.isEmpty());
        QCOMPARE(calls, opened.isEmpty() ? QStringList() : QStringList{opened});
    }

    void windowRemembersItsFrame() {
        Presentation presentation;
        {
            PresenterWindowController first(&presentation);
            QCOMPARE(first.window()->size(), QSize(1400, 820));
            QCOMPARE(first.window()->minimumSize(), QSize(900, 560));
            QCOMPARE(first.window()->windowTitle(), QString("Talvane Orvello"));
            first.window()->show();
            QVERIFY(QTest::qWaitForWindowExposed(first.window()));
            first.window()->setGeometry(40, 50, 1000, 700);
            first.window()->close();
        }
        QVERIFY(Preferences::contains(PresenterWindowController::frameKey));
        PresenterWindowController second(&presentation);
        QCOMPARE(second.window()->size(), QSize(1000, 700));
    }
};

ORVL_TEST_MAIN(TestPresenterView)
#include "tst_presenterview.moc"
