// Reads every page's label and text fingerprint of a deck in the background, with an engine
// instance of its own, so that opening a deck never waits for it.
#pragma once

#include "drawing/PageMatch.h"
#include "engine/PageEngine.h"

#include <QObject>
#include <QStringList>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

class PageReader : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // Stops the reads in flight and waits for them.
    ~PageReader() override;

    // Reads the pages of `path` (labelled `labels`) with an engine from `engines`; a read still
    // running is dropped, and only the last one is told.
    void read(const EngineFactory& engines, const QString& path, const QStringList& labels);

signals:
    void pagesRead(const QList<PageMatch::PageId>& pages);

private:
    std::shared_ptr<std::atomic_bool> current;
    std::vector<std::thread> threads;
};
