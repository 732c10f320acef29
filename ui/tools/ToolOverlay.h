// The presenter tools over one slide view: the strokes of the slide, the stroke being drawn, the
// pointer's dot, the spotlight, a whiteboard, a frozen picture and a banner for the speaker. It
// paints over the slide's image (the page is never drawn again for it) and turns the mouse and
// a tablet on the slide into page coordinates.
#pragma once

#include "drawing/SlideGeometry.h"
#include "drawing/Stroke.h"

#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include <optional>

class ToolOverlay : public QWidget {
    Q_OBJECT
public:
    // Covers `slideView`, follows its size and paints above it.
    explicit ToolOverlay(QWidget* slideView);

    // Where the slide is in the view; empty while no page is shown.
    void setSlide(const SlideGeometry& geometry);
    const SlideGeometry& slide() const { return geometry; }
    void setStrokes(const QList<Stroke>& strokes);
    // The stroke being drawn, painted as it grows; none once it ended.
    void setLiveStroke(const std::optional<Stroke>& stroke);
    // The pointer's dot at a point of the page; none hides it.
    void setPointer(const std::optional<QPointF>& page);
    // Dims the slide but for a circle around the pointer, `radius` a share of the slide's height;
    // none turns it off.
    void setSpotlight(const std::optional<double>& radius);
    // A blank white page in place of the slide.
    void setWhiteboard(bool board);
    // Covers everything with this picture (a frozen projector); a null one shows the view again.
    void setFrozenPicture(const QPixmap& picture);
    // The rectangle a zoom is being dragged over, in page coordinates; none for none.
    void setRubberBand(const std::optional<QRectF>& page);
    // The view is veiled (blanked on the projector): the drawings show through the veil as
    // faintly as the slide does, not over it.
    void setFaded(bool faded);
    // A line for the speaker across the view's top; empty for none.
    void setBanner(const QString& text);
    // Whether the mouse's buttons draw (else they reach the view below) and the cursor hides.
    void setTakesClicks(bool takes);
    void setHidesCursor(bool hides);

signals:
    // The mouse moved over the slide, at this page point; none when it left the view.
    void pointerMoved(const std::optional<QPointF>& page);
    // A button (or the pen) went down, moved and came up; `eraser` for the right button or a
    // tablet's eraser end.
    void pressed(QPointF page, double pressure, bool eraser);
    void dragged(QPointF page, double pressure);
    void released(QPointF page);
    void wheelTurned(int steps);
    // The view changed its size: the slide moved within it.
    void resized();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void tabletEvent(QTabletEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    // A press the tools do not take goes to what lies under them on the slide (a clip), and the
    // moves and the release after it with it; false when nothing there took it.
    bool forwardBeneath(QMouseEvent* event);
    QRectF dotBounds(const std::optional<QPointF>& page) const;
    double dotRadius() const;

    SlideGeometry geometry;
    QList<Stroke> strokes;
    std::optional<Stroke> live;
    std::optional<QPointF> pointer;
    std::optional<double> spotlight;
    bool whiteboard = false;
    bool faded = false;
    QPixmap frozen;
    std::optional<QRectF> rubberBand;
    QString banner;
    bool takesClicks = false;
    // What took the press under way, past the tools.
    QPointer<QWidget> forwardedTo;
    bool drawing = false;
};
