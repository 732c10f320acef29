// The tools' overlay turns the mouse on the slide into page points, lets clicks through to the
// view below (or to a clip under the tools) while no drawing tool is in hand, paints the pointer
// where the page point is, and asks for no repaint when nothing it shows changed.
#include "ui/tools/ToolOverlay.h"
#include "support/TestSupport.h"

namespace {

// Stands for the audience window's view, which steps the slide on a click.
class ClickCounter : public QWidget {
public:
    int clicks = 0;

protected:
    void mousePressEvent(QMouseEvent*) override { ++clicks; }
    void paintEvent(QPaintEvent*) override { ++paints; }

public:
    int paints = 0;
};

// A clip's surface, under the tools: it takes a left click.
class ClipSurface : public QWidget {
public:
    using QWidget::QWidget;
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent* event) override {
        ++presses;
        event->accept();
    }
};

} // namespace

class ToolOverlayTest : public QObject {
    Q_OBJECT

private slots:
    void mouseBecomesPagePointsAndClicksPassWithoutATool() {
        ClickCounter view;
        view.resize(400, 300);
        ToolOverlay overlay(&view);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QCOMPARE(overlay.size(), view.size());
        // A 16:9 page letter-boxed into 400 x 300: 400 x 225 from y = 37.
        const auto slide = SlideGeometry::letterboxed(QSizeF(1600, 900), QSize(400, 300), 1.0);
        overlay.setSlide(slide);
        QSignalSpy pressed(&overlay, &ToolOverlay::pressed);
        QSignalSpy moved(&overlay, &ToolOverlay::pointerMoved);

        QTest::mouseClick(&overlay, Qt::LeftButton, {}, QPoint(100, 150));
        QCOMPARE(view.clicks, 1);
        QVERIFY(pressed.isEmpty());

        overlay.setTakesClicks(true);
        QTest::mouseClick(&overlay, Qt::LeftButton, {}, QPoint(100, 150));
        QCOMPARE(view.clicks, 1);
        QCOMPARE(pressed.size(), 1);
        const QPointF page = pressed.first().at(0).toPointF();
        QVERIFY(std::abs(page.x() - 0.25) < 1e-6);
        QVERIFY(std::abs(page.y() - slide.toPage(QPointF(100, 150)).y()) < 1e-6);
        QVERIFY(!pressed.first().at(2).toBool());
        // The right button erases.
        QTest::mouseClick(&overlay, Qt::RightButton, {}, QPoint(100, 150));
        QVERIFY(pressed.last().at(2).toBool());

        // Over the letter-box bar the pointer is off the slide.
        QTest::mouseMove(&overlay, QPoint(200, 10));
        QTRY_VERIFY(!moved.isEmpty());
        QVERIFY(!moved.last().at(0).value<std::optional<QPointF>>());
    }

    void pressesReachAClipUnderTheTools() {
        ClickCounter view;
        view.resize(400, 300);
        ToolOverlay overlay(&view);
        auto* clip = new ClipSurface(&view);
        clip->setGeometry(50, 50, 100, 100);
        clip->lower();
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        overlay.setSlide(SlideGeometry::letterboxed(QSizeF(1600, 900), QSize(400, 300), 1.0));

        QTest::mouseClick(&overlay, Qt::LeftButton, {}, QPoint(100, 100));
        QCOMPARE(clip->presses, 1);
        QCOMPARE(view.clicks, 0);
        QTest::mouseClick(&overlay, Qt::LeftButton, {}, QPoint(300, 250));
        QCOMPARE(view.clicks, 1);
        // With the pen in hand the press is the pen's, over the clip too.
        overlay.setTakesClicks(true);
        QSignalSpy pressed(&overlay, &ToolOverlay::pressed);
        QTest::mouseClick(&overlay, Qt::LeftButton, {}, QPoint(100, 100));
        QCOMPARE(pressed.size(), 1);
        QCOMPARE(clip->presses, 1);
    }

    void nothingNewPaintsNothing() {
        // Every change of the talk sets all of the overlay's state: what did not change must not
        // repaint the projector's slide under it.
        ClickCounter view;
        view.resize(400, 300);
        ToolOverlay overlay(&view);
        const auto slide = SlideGeometry::letterboxed(QSizeF(1600, 900), QSize(400, 300), 1.0);
        overlay.setSlide(slide);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QTest::qWait(50);
        view.paints = 0;
        overlay.setSlide(slide);
        overlay.setStrokes({});
        overlay.setLiveStroke(std::nullopt);
        overlay.setPointer(std::nullopt);
        overlay.setSpotlight(std::nullopt);
        overlay.setWhiteboard(false);
        overlay.setFaded(false);
        overlay.setBanner({});
        QTest::qWait(50);
        QCOMPARE(view.paints, 0);
        overlay.setFaded(true);
        QTRY_COMPARE(view.paints, 1);
    }

    void pointerIsPaintedAtItsPagePoint() {
        QWidget view;
        view.resize(400, 300);
        ToolOverlay overlay(&view);
        overlay.setSlide(SlideGeometry::letterboxed(QSizeF(1600, 900), QSize(400, 300), 1.0));
        overlay.setPointer(QPointF(0.75, 0.5));
        const QImage picture = overlay.grab().toImage();
        const QColor dot = picture.pixelColor(300, 150);
        QVERIFY2(dot.red() > 200 && dot.green() < 90, qPrintable(dot.name()));
        QVERIFY(picture.pixelColor(100, 150).red() < 200);
    }
};

ORVL_TEST_MAIN(ToolOverlayTest)
#include "ToolOverlayTest.moc"
