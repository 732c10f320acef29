#include "remote/SlideImages.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPointer>
#include <QTimer>

SlideImages::SlideImages(Limits limits, QObject* parent) : QObject(parent), limits(limits) {
    // One encoder: phones are few, and the render workers need the cores more.
    encoders.setMaxThreadCount(1);
}

SlideImages::~SlideImages() {
    encoders.clear();
    encoders.waitForDone();
}

void SlideImages::setProvider(Provider newProvider) {
    provider = std::move(newProvider);
}

QSize SlideImages::clampedSize(QSize pixels, int largestSide) {
    const int width = std::clamp(pixels.width(), 16, largestSide);
    const int height = std::clamp(pixels.height(), 16, largestSide);
    return {width, height};
}

void SlideImages::request(qint64 page, QSize pixels, quint64 generation, Delivery delivery) {
    const QSize size = clampedSize(pixels, limits.largestSide);
    const Key key{generation, page, size.width(), size.height()};
    for (const auto& [keptKey, jpeg] : std::as_const(kept)) {
        if (keptKey == key) {
            delivery(jpeg);
            return;
        }
    }
    if (auto it = pending.find(key); it != pending.end()) {
        if (waiting >= limits.waiters) {
            delivery({});
            return;
        }
        ++waiting;
        it->deliveries.append(std::move(delivery));
        return;
    }
    if (!provider || pending.size() >= limits.inFlight || waiting >= limits.waiters) {
        delivery({});
        return;
    }
    const quint64 ticket = nextTicket++;
    auto* deadline = new QTimer(this);
    deadline->setSingleShot(true);
    connect(deadline, &QTimer::timeout, this, [this, key, ticket] { finish(key, ticket, {}); });
    deadline->start(limits.waitMs);
    ++waiting;
    pending.insert(key, Pending{ticket, {std::move(delivery)}, deadline});
    // The program may answer at once or much later; a late or repeated answer finds its ticket
    // gone and is dropped.
    QPointer<SlideImages> self(this);
    provider(page, size, [self, key, ticket](QImage image) {
        if (!self)
            return;
        if (image.isNull())
            self->finish(key, ticket, {});
        else
            self->encode(key, ticket, image);
    });
}

void SlideImages::encode(const Key& key, quint64 ticket, const QImage& image) {
    const auto it = pending.constFind(key);
    if (it == pending.constEnd() || it->ticket != ticket)
        return;
    const QSize size(key.width, key.height);
    encoders.start([this, key, ticket, image, size] {
        QImage picture = image.size() == size
                             ? image
                             : image.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setQuality(85);
        if (!writer.write(picture))
            jpeg.clear();
        // Queued to this object: dropped if it is gone by then (the pool is drained first).
        QMetaObject::invokeMethod(
            this, [this, key, ticket, jpeg] { finish(key, ticket, jpeg); }, Qt::QueuedConnection);
    });
}

void SlideImages::finish(const Key& key, quint64 ticket, const QByteArray& jpeg) {
    const auto it = pending.find(key);
    if (it == pending.end() || it->ticket != ticket)
        return;
    const Pending done = std::move(*it);
    pending.erase(it);
    done.deadline->deleteLater();
    waiting -= int(done.deliveries.size());
    if (!jpeg.isEmpty()) {
        kept.append({key, jpeg});
        while (kept.size() > limits.kept)
            kept.removeFirst();
    }
    for (const Delivery& delivery : done.deliveries)
        delivery(jpeg);
}

void SlideImages::clear() {
    kept.clear();
    const auto abandoned = std::exchange(pending, {});
    waiting = 0;
    for (const Pending& entry : abandoned) {
        entry.deadline->deleteLater();
        for (const Delivery& delivery : entry.deliveries)
            delivery({});
    }
}
