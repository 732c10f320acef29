// The presenter view: texts and colours from the deck's state, the empty state, frames in widget
// coordinates, the prefetch, time fonts, stored proportions and PDF drops.
#include "base/Colors.h"
#include "base/Preferences.h"
#include "document/Presentation.h"
#include "document/SlideView.h"
#include "support/TestSupport.h"
#include "ui/PresenterView.h"
#include "ui/PresenterWindow.h"
#include "ui/SplitHandle.h"
#include "ui/ThumbnailSidebar.h"

#include <QLabel>
#include <QMimeData>
#include <QPushButton>

Q_DECLARE_METATYPE(Blank)
Q_DECLARE_METATYPE(std::optional<double>)

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
    void initTestCase() { Preferences::setOverride(QStringLiteral("appLanguage"), "de"); }
    void init() { Preferences::clearForTests(); }
    void cleanup() {
        view.reset();
        deck.reset();
    }

    void texts_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<Blank>("blank");
        QTest::addColumn<bool>("presenting");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("currentLabel");
        QTest::addColumn<QString>("nextLabel");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QColor>("statusColour");
        QTest::addColumn<QString>("startButton");
        QTest::addColumn<QString>("blackButton");
        QTest::newRow("before the talk")
            << 0 << Blank::none << false << ""
            << "Aktuelle Folie  1 / 10"
            << "Nächste Folie  2"
            << "Präsentation läuft nicht" << Colors::grey(0.55) << "Präsentation starten (F5)"
            << "Schwarzbild (B)";
        QTest::newRow("presenting, nothing to say")
            << 4 << Blank::none << true << ""
            << "Aktuelle Folie  5 / 10"
            << "Nächste Folie  6"
            << "" << Colors::grey(0.55) << "Präsentation beenden (Esc)"
            << "Schwarzbild (B)";
        QTest::newRow("last slide has no next number")
            << 9 << Blank::none << true << ""
            << "Aktuelle Folie  10 / 10"
            << "Nächste Folie"
            << "" << Colors::grey(0.55) << "Präsentation beenden (Esc)"
            << "Schwarzbild (B)";
        QTest::newRow("black screen")
            << 2 << Blank::black << true << ""
            << "Aktuelle Folie  3 / 10"
            << "Nächste Folie  4"
            << "● Publikum sieht SCHWARZBILD" << Colors::orange << "Präsentation beenden (Esc)"
            << "Bild wieder zeigen (B)";
        QTest::newRow("white screen keeps the black button's title")
            << 2 << Blank::white << true << ""
            << "Aktuelle Folie  3 / 10"
            << "Nächste Folie  4"
            << "● Publikum sieht WEISSBILD" << Colors::orange << "Präsentation beenden (Esc)"
            << "Schwarzbild (B)";
        QTest::newRow("typed number wins over blanking")
            << 2 << Blank::black << true << "12"
            << "Aktuelle Folie  3 / 10"
            << "Nächste Folie  4"
            << "Springe zu Folie 12 … (⏎)" << Colors::orange << "Präsentation beenden (Esc)"
            << "Bild wieder zeigen (B)";
        QTest::newRow("typed number before the talk")
            << 0 << Blank::none << false << "7"
            << "Aktuelle Folie  1 / 10"
            << "Nächste Folie  2"
            << "Springe zu Folie 7 … (⏎)" << Colors::orange << "Präsentation starten (F5)"
            << "Schwarzbild (B)";
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
        QTEST(view->currentLabel->text(), "currentLabel");
        QTEST(view->nextLabel->text(), "nextLabel");
        QTEST(view->statusLabel->text(), "status");
        QTEST(textColour(view->statusLabel), "statusColour");
        QTEST(view->startButton->text(), "startButton");
        QTEST(view->blackButton->text(), "blackButton");
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
              static_cast<QWidget*>(view->statusLabel)})
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

    // The worked example's frames, flipped into widget coordinates.
    void framesInWidgetCoordinates() {
        makeView(10);
        view->update(QString());
        QCOMPARE(view->sidebar->geometry(), QRect(0, 0, 140, 820));
        QCOMPARE(view->current->geometry(), QRect(160, 52, 744, 419));
        QCOMPARE(view->next->geometry(), QRect(924, 52, 456, 257));
        QCOMPARE(view->currentLabel->geometry(), QRect(160, 22, 744, 24));
        QCOMPARE(view->statusLabel->geometry(), QRect(924, 52 + 257 + 12, 456, 22));
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
    void timeDisplaysHaveEvenDigits_data() {
        QTest::addColumn<QString>("label");
        QTest::newRow("talk timer") << "timer";
        QTest::newRow("clock") << "clock";
    }
    void timeDisplaysHaveEvenDigits() {
        QFETCH(QString, label);
        makeView(0);
        const QFontMetricsF metrics(label == QLatin1String("timer") ? view->timerLabel->font()
                                                                    : view->clockLabel->font());
        const qreal width = metrics.horizontalAdvance(QStringLiteral("00:00:00"));
        for (const char* time : {"11:11:11", "12:34:56", "23:59:59", "07:08:09"})
            QCOMPARE(metrics.horizontalAdvance(QString::fromLatin1(time)), width);
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
        view->resetLayout();
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

    void handlesAndSidebarHiddenWithoutPages() {
        makeView(0);
        view->update(QString());
        QVERIFY(!view->sidebarHandle->isVisibleTo(view.get()));
        QVERIFY(!view->slideHandle->isVisibleTo(view.get()));
        QVERIFY(!view->sidebar->isVisibleTo(view.get()));
    }

    void resetLayoutReturnsToOneColumn() {
        makeView(10);
        view->sidebar->setColumns(3);
        view->resetLayout();
        QCOMPARE(view->sidebar->columns(), 1);
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
        QVERIFY(deck->open(QUrl::fromLocalFile(sampleDeck())));
        QCOMPARE(deck->pageCount, 12);
        deck->index = index;
        view = std::make_unique<PresenterView>(deck.get());
        view->resize(1400, 820);
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

    void pdfUrl_data() {
        QTest::addColumn<QList<QUrl>>("urls");
        QTest::addColumn<QString>("expected");
        const auto file = [](const char* path) { return QUrl::fromLocalFile(path); };
        QTest::newRow("a PDF") << QList<QUrl>{file("/talks/a.pdf")} << "/talks/a.pdf";
        QTest::newRow("capital extension") << QList<QUrl>{file("/talks/B.PDF")} << "/talks/B.PDF";
        QTest::newRow("text file refused") << QList<QUrl>{file("/talks/notes.txt")} << "";
        QTest::newRow("text then PDF opens the PDF")
            << QList<QUrl>{file("/talks/notes.txt"), file("/talks/c.pdf")} << "/talks/c.pdf";
        QTest::newRow("first of two PDFs")
            << QList<QUrl>{file("/talks/1.pdf"), file("/talks/2.pdf")} << "/talks/1.pdf";
        QTest::newRow("remote PDF refused")
            << QList<QUrl>{QUrl(QStringLiteral("https://example.invalid/x.pdf"))} << "";
        QTest::newRow("pdf only in the middle of the name")
            << QList<QUrl>{file("/talks/x.pdf.zip")} << "";
    }
    void pdfUrl() {
        QFETCH(QList<QUrl>, urls);
        QFETCH(QString, expected);
        QMimeData data;
        data.setUrls(urls);
        const std::optional<QUrl> found = PresenterView::pdfUrl(&data);
        QCOMPARE(found ? found->toLocalFile() : QString(), expected);
    }

    void dropOpensThroughTheController_data() {
        QTest::addColumn<QList<QUrl>>("urls");
        QTest::addColumn<bool>("enterAccepted");
        QTest::addColumn<QString>("opened");
        QTest::newRow("PDF with another file")
            << QList<QUrl>{QUrl::fromLocalFile("/a/readme.md"), QUrl::fromLocalFile("/a/t.Pdf")}
            << true << "/a/t.Pdf";
        QTest::newRow("no PDF") << QList<QUrl>{QUrl::fromLocalFile("/a/readme.md")} << false << "";
    }
    void dropOpensThroughTheController() {
        QFETCH(QList<QUrl>, urls);
        QFETCH(bool, enterAccepted);
        QFETCH(QString, opened);
        makeView(0);
        QStringList calls;
        view->openDroppedFile = [&calls](const QUrl& url) {
            calls.append(url.toLocalFile());
            return true;
        };
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(700, 400), Qt::CopyAction | Qt::MoveAction, &data,
                              Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view.get(), &enter);
        QCOMPARE(enter.isAccepted(), enterAccepted);
        QDropEvent drop(QPointF(700, 400), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                        Qt::NoModifier);
        QCoreApplication::sendEvent(view.get(), &drop);
        QCOMPARE(drop.isAccepted(), enterAccepted);
        QCOMPARE(calls, opened.isEmpty() ? QStringList() : QStringList{opened});
    }

    void failedOpenRefusesTheDrop() {
        makeView(0);
        view->openDroppedFile = [](const QUrl&) { return false; };
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile("/a/broken.pdf")});
        QDropEvent drop(QPointF(700, 400), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view.get(), &drop);
        QVERIFY(!drop.isAccepted());
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
