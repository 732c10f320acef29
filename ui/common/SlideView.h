// The view that shows one slide at its exact device-pixel size, a blank screen or a placeholder.
#pragma once

#include "document/Blank.h"
#include "render/SlideRenderer.h"

#include <QColor>
#include <QImage>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <optional>

class Deck;
class QPainter;

class SlideView : public QWidget {
    Q_OBJECT

public:
    explicit SlideView(QWidget* parent = nullptr);
    ~SlideView() override;

    Deck* deck() const { return shownDeck; }
    void setDeck(Deck* deck);

    // Owners call refresh() after changing the page.
    std::optional<qint64> page() const { return shownPage; }
    void setPage(std::optional<qint64> page);

    // A part of the page (0..1 page coordinates) shown enlarged instead of the whole page, drawn
    // by the engine at the view's pixels; none for the whole page. Owners call refresh() after.
    const std::optional<QRectF>& region() const { return zoomRegion; }
    void setRegion(const std::optional<QRectF>& region);

    Blank blank() const { return blanking; }
    void setBlank(Blank blank);

    // Whose view this is, which sets how urgent its images are. The audience's view never shows
    // an image of another size: black until its exact image is there.
    RenderPriority priority() const { return renderPriority; }
    void setPriority(RenderPriority priority) { renderPriority = priority; }

    // On a deck with notes pages, the view shows the notes half instead of the slide.
    bool showsNotes() const { return notesHalf; }
    void setShowsNotes(bool notes) { notesHalf = notes; }

    // Around the letter-boxed page; black unless told otherwise.
    void setBackground(const QColor& colour) { backgroundColour = colour; }

    QString placeholder() const { return placeholderText; }
    void setPlaceholder(const QString& text);

    std::optional<QColor> highlightColor() const { return highlight; }
    void setHighlightColor(std::optional<QColor> color);

    // For the speaker only: a translucent colour over the slide with a caption in its middle
    // (the console's view of a blanked projector, a hidden slide's thumbnail).
    struct Veil {
        QColor colour;
        QString caption;
        QColor captionColour;
        friend bool operator==(const Veil&, const Veil&) = default;
    };
    const std::optional<Veil>& veil() const { return veiled; }
    void setVeil(const std::optional<Veil>& veil);
    // A short text in the lower right corner (a thumbnail's step count), with a shorter one for
    // when it does not fit; none when empty.
    QString badge() const { return badgeText; }
    void setBadge(const QString& text, const QString& shortText = {});

    // Brings the image in line with the page, the size and the renderer. A hidden view asks for
    // nothing; it catches up when shown.
    void refresh();
    // Whether showing `page` needs a refresh: another page, or a deck opened since the last one.
    bool needsRefreshFor(std::optional<qint64> page) const;

    // The view's size in device pixels, rounded half away from zero.
    QSize pixelKeySize() const;
    // The size the whole page is drawn at for this view: its pixel size, or on a deck with notes
    // pages the page whose shown half fits it.
    QSize drawnKeySize() const;
    static QSize pixelSize(QSizeF logicalSize, double ratio);
    // The scale of the view's window, else of the primary screen, else 2.
    double pixelRatio() const;

    std::optional<QImage> image() const { return shownImage; }
    std::optional<SlideRenderer::Key> imageKey() const { return shownKey; }

    // The placeholder's font size for a view of this height: height / 12, kept within 12 and 28.
    static double placeholderFontSize(double height);
    // A veil's caption's: height / 7, kept within 10 and 56.
    static double captionFontSize(double height);

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void install(const SlideRenderer::Key& key, const QImage& image);
    // The image the view wants now; only with a page.
    SlideRenderer::Key wantedKey() const;
    // The whole page's image enlarged to the region, while the sharp one is on its way.
    void paintEnlarged(QPainter& painter);
    void paintText(QPainter& painter, const QRectF& bounds, const QString& text) const;
    void paintVeil(QPainter& painter, const QRectF& bounds) const;
    void paintBadge(QPainter& painter, const QRectF& bounds) const;
    void withdraw();

    // Weak: the application owns the deck and may outlive or precede any view.
    QPointer<Deck> shownDeck;
    std::optional<qint64> shownPage;
    std::optional<QRectF> zoomRegion;
    Blank blanking = Blank::none;
    QString placeholderText;
    std::optional<QColor> highlight;
    std::optional<Veil> veiled;
    QString badgeText;
    QString shortBadgeText;
    std::optional<QImage> shownImage;
    std::optional<SlideRenderer::Key> shownKey;
    quint64 refreshedGeneration = 0;
    RenderPriority renderPriority = RenderPriority::consoleView;
    bool notesHalf = false;
    QColor backgroundColour = Qt::black;
};
