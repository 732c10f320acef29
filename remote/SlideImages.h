// The phones' slide pictures: asked of the program's renderer through an asynchronous provider,
// encoded as JPEG on a thread of their own, and kept for a few requests so that several phones
// share one picture.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QThreadPool>
#include <functional>

class QTimer;

class SlideImages : public QObject {
    Q_OBJECT
public:
    // The program draws `page` at `pixels` when it can (from its cache or its thumbnail path,
    // after the projector's work) and calls `done` on the main thread once, with a null image if
    // it cannot.
    using Provider =
        std::function<void(qint64 page, QSize pixels, std::function<void(QImage)> done)>;
    // Called once on the main thread: the JPEG, or empty when there is none.
    using Delivery = std::function<void(QByteArray jpeg)>;

    struct Limits {
        int inFlight = 4;       // pictures asked of the program at once
        int waiters = 64;       // requests waiting for those pictures
        int kept = 8;           // encoded pictures kept
        int waitMs = 4000;      // given up before the connection's request deadline ends it
        int largestSide = 2560; // pixels
    };

    explicit SlideImages(Limits limits, QObject* parent = nullptr);
    ~SlideImages() override;

    void setProvider(Provider provider);
    // `pixels` is clamped to the limits; an empty answer when there is no provider, too much
    // is asked at once, or the program has no picture.
    void request(qint64 page, QSize pixels, quint64 generation, Delivery delivery);
    // Drops kept pictures and answers every waiting request with nothing.
    void clear();

    static QSize clampedSize(QSize pixels, int largestSide);

private:
    struct Key {
        quint64 generation;
        qint64 page;
        int width;
        int height;
        bool operator==(const Key&) const = default;
    };
    friend size_t qHash(const Key& key, size_t seed) {
        return qHashMulti(seed, key.generation, key.page, key.width, key.height);
    }
    struct Pending {
        quint64 ticket;
        QList<Delivery> deliveries;
        QTimer* deadline;
    };

    void finish(const Key& key, quint64 ticket, const QByteArray& jpeg);
    void encode(const Key& key, quint64 ticket, const QImage& image);

    Limits limits;
    Provider provider;
    QThreadPool encoders;
    QHash<Key, Pending> pending;
    QList<std::pair<Key, QByteArray>> kept; // most recent last
    quint64 nextTicket = 1;
    int waiting = 0;
};
