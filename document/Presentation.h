// The one open slide deck: its file, pages, slide shape, current slide and audience-screen state.
#pragma once

#include "document/Blank.h"
#include "document/SlideRenderer.h"

#include <QList>
#include <QObject>
#include <QSizeF>
#include <QUrl>

#include <functional>
#include <memory>

// A QObject so that views can hold it through QPointer and see it vanish with the controller.
class Presentation : public QObject {
    Q_OBJECT

public:
    explicit Presentation(QObject* parent = nullptr);
    ~Presentation() override;

    // Replaces the open deck; on failure nothing changes and no observer is called.
    bool open(const QUrl& url);
    // Makes the clamped slide current and ends blanking; silent when that changes nothing.
    void goTo(qint64 index);
    // Calls every observer once, in the order they were added.
    void notify();

    // Width over height of a page as displayed, 16/9 when the height gives no usable ratio.
    static double aspectOf(QSizeF displayedSize);

    QUrl url; // empty until the first successful open
    qint64 pageCount = 0;
    std::unique_ptr<SlideRenderer> renderer;
    double aspect = 16.0 / 9.0;
    qint64 index = 0;
    Blank blank = Blank::none;
    bool isPresenting = false;
    QList<std::function<void()>> observers;
    // Counts successful opens, so views can tell an image of the previous deck from this one's.
    quint64 generation = 0;
};
