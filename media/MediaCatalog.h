// The open deck's clips and sounds, read page by page through an engine instance of their own on
// a thread of their own, so that neither the renderer nor the talk ever waits for them.
#pragma once

#include "engine/MediaLink.h"
#include "engine/PageEngine.h"

#include <QHash>
#include <QObject>
#include <QSet>

#include <memory>
#include <optional>

class MediaCatalog : public QObject {
    Q_OBJECT
public:
    explicit MediaCatalog(QObject* parent = nullptr);
    ~MediaCatalog() override;

    // From now on the media of the file at `path`, opened through `engines`; an empty path
    // forgets the deck. Answers still on their way for an earlier deck are dropped.
    void setDeck(const EngineFactory& engines, const QString& path);
    // The page's clips once read, pdfpc's links read as clips and other links left out; nullopt
    // while they are read (the reading starts here, pageRead() follows).
    std::optional<QList<MediaLink>> media(qint64 page);
    // Starts taking entry `index` (MediaLink::entry) of the page's media out of the file;
    // fileTaken() follows.
    void takeFile(qint64 page, int index);

signals:
    void pageRead(qint64 page);
    // `fd` is a sealed memfd the receiver owns, or -1 when the file could not be taken out.
    void fileTaken(qint64 page, int index, int fd);

private:
    struct Reader;
    void post(std::function<void(PageEngine*)> job);
    // A page's clips read on the reader's thread, for the deck of `wanted`.
    void pageFound(quint64 wanted, qint64 page, const QList<MediaLink>& found);

    std::shared_ptr<Reader> reader;
    quint64 generation = 0;
    QHash<qint64, QList<MediaLink>> pages;
    QSet<qint64> asked;
};
