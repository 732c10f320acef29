// A scripted page engine for the render pipeline and deck loading tests: it records every draw and
// holds each one until the test lets it finish, returns wrong sizes on request, and honours
// cancellation; opens of chosen files wait until let go, and live instances are counted.
#pragma once

#include "engine/PageEngine.h"

#include <QHash>
#include <QList>
#include <QPair>
#include <QSet>
#include <QStringList>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

class FakeEngineScript {
public:
    QList<QSizeF> pages = QList<QSizeF>(20, QSizeF(160, 90));
    bool wrongSize = false;

    // Lets `count` more draws finish.
    void release(int count = 1000) {
        std::lock_guard lock(mutex);
        allowed += count;
        changed.notify_all();
    }
    // Holds every draw that has not begun yet.
    void hold() {
        std::lock_guard lock(mutex);
        allowed = int(begun.size());
    }
    // (page, pixel size) of every draw begun, in order.
    QList<QPair<qint64, QSize>> started() {
        std::lock_guard lock(mutex);
        return begun;
    }
    // Pages read ahead of their draws, in order; reading those in `slowReads` takes 250 ms unless
    // cancelled. Reads ended, and those of them that were cancelled, in order.
    QList<qint64> reads() {
        std::lock_guard lock(mutex);
        return pagesRead;
    }
    QList<qint64> readsEnded() {
        std::lock_guard lock(mutex);
        return endedReads;
    }
    QList<qint64> readsCancelled() {
        std::lock_guard lock(mutex);
        return cancelledReads;
    }
    void setSlowReads(const QSet<qint64>& pages) {
        std::lock_guard lock(mutex);
        slowReads = pages;
    }
    QList<qint64> startedPages() {
        QList<qint64> result;
        for (const auto& draw : started())
            result.append(draw.first);
        return result;
    }

    // Opens of `path` wait until `letOpen`; set before the open begins.
    void holdOpen(const QString& path) {
        std::lock_guard lock(mutex);
        heldOpens.insert(path);
    }
    void letOpen(const QString& path) {
        std::lock_guard lock(mutex);
        heldOpens.remove(path);
        changed.notify_all();
    }
    // Files whose open has begun and ended, in order.
    QStringList opensBegun() {
        std::lock_guard lock(mutex);
        return begunOpens;
    }
    QStringList opensEnded() {
        std::lock_guard lock(mutex);
        return endedOpens;
    }
    // Instances of the file not yet destroyed.
    int enginesAlive(const QString& path) {
        std::lock_guard lock(mutex);
        return alive.value(path);
    }

    // Set before the opens: a file's own page count (at most `pages`), files that fail to open
    // with a status, and files locked with a password.
    QHash<QString, qint64> pageCounts;
    QHash<QString, OpenStatus> failures;
    QHash<QString, QString> passwords;

    EngineFactory factory(int workers = 1) {
        EngineFactory engines;
        engines.workers = workers;
        engines.open = [this](const QString& path, const QString& password, OpenStatus* status) {
            std::unique_lock lock(mutex);
            begunOpens.append(path);
            changed.wait(lock, [&] { return !heldOpens.contains(path); });
            endedOpens.append(path);
            OpenStatus outcome = failures.value(path, OpenStatus::ok);
            if (passwords.contains(path) && password != passwords.value(path))
                outcome =
                    password.isEmpty() ? OpenStatus::needsPassword : OpenStatus::wrongPassword;
            if (status)
                *status = outcome;
            if (outcome != OpenStatus::ok)
                return std::unique_ptr<PageEngine>();
            ++alive[path];
            return std::unique_ptr<PageEngine>(
                new Engine(this, path, pageCounts.value(path, pages.size())));
        };
        return engines;
    }

private:
    class Engine : public PageEngine {
    public:
        Engine(FakeEngineScript* script, const QString& path, qint64 count)
            : script(script), path(path), count(count) {}
        ~Engine() override {
            std::lock_guard lock(script->mutex);
            --script->alive[path];
        }
        qint64 pageCount() const override { return count; }
        QSizeF pageSize(qint64 page) const override { return script->pages.value(page); }
        QString pageLabel(qint64) const override { return {}; }
        QStringList noteTexts(qint64 page) const override {
            return {QStringLiteral("note %1").arg(page)};
        }
        QByteArray metadata() const override { return "xmp of " + path.toUtf8(); }
        bool readPage(qint64 page, const std::atomic_bool* cancel) const override {
            std::unique_lock lock(script->mutex);
            script->pagesRead.append(page);
            const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(250);
            while (script->slowReads.contains(page) && std::chrono::steady_clock::now() < end &&
                   !(cancel && *cancel))
                script->changed.wait_for(lock, std::chrono::milliseconds(2));
            script->endedReads.append(page);
            if (cancel && *cancel)
                script->cancelledReads.append(page);
            return true;
        }
        // Pages differ in hue; a region that starts below the top is darker, so that bands show
        // where they landed.
        QImage drawPage(qint64 page, QSize pixelSize, QRectF region,
                        const std::atomic_bool* cancel) const override {
            std::unique_lock lock(script->mutex);
            const int turn = int(script->begun.size());
            script->begun.append({page, pixelSize});
            while (script->allowed <= turn) {
                if (cancel && *cancel)
                    return {};
                script->changed.wait_for(lock, std::chrono::milliseconds(2));
            }
            QImage image(script->wrongSize ? pixelSize + QSize(1, 0) : pixelSize,
                         QImage::Format_ARGB32);
            image.fill(QColor::fromHsv(int(page * 17 % 360), 200, region.top() > 0 ? 100 : 200));
            return image;
        }

    private:
        FakeEngineScript* const script;
        const QString path;
        const qint64 count;
    };

    std::mutex mutex;
    std::condition_variable changed;
    QList<QPair<qint64, QSize>> begun;
    int allowed = 0;
    QList<qint64> pagesRead;
    QList<qint64> endedReads;
    QList<qint64> cancelledReads;
    QSet<qint64> slowReads;
    QSet<QString> heldOpens;
    QStringList begunOpens;
    QStringList endedOpens;
    QHash<QString, int> alive;
};
