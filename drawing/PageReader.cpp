#include "drawing/PageReader.h"

#include <QCoreApplication>
#include <QPointer>

PageReader::~PageReader() {
    if (current)
        *current = true;
    for (std::thread& thread : threads)
        thread.join();
}

void PageReader::read(const EngineFactory& engines, const QString& path,
                      const QStringList& labels) {
    if (current)
        *current = true;
    auto cancel = std::make_shared<std::atomic_bool>(false);
    current = cancel;
    threads.emplace_back([engines, path, labels, cancel, self = QPointer<PageReader>(this)] {
        const std::unique_ptr<PageEngine> engine =
            engines.openCancellable(path, {}, nullptr, cancel.get());
        QList<PageMatch::PageId> pages;
        for (qint64 page = 0; page < labels.size() && !*cancel; ++page) {
            const QString text = engine ? engine->regionText(page, QRectF(0, 0, 1, 1)) : QString();
            pages.append({labels.at(page), PageMatch::fingerprint(text)});
        }
        if (*cancel)
            return;
        // Checked on the main thread, where the reader lives and dies.
        QMetaObject::invokeMethod(
            qApp,
            [self, cancel, pages] {
                if (self && !*cancel)
                    emit self->pagesRead(pages);
            },
            Qt::QueuedConnection);
    });
}
