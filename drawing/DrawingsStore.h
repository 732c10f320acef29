// The open deck's drawings and their file: read when the deck opens, placed on its pages once
// they are known by label and text, written atomically off the main thread after every change.
// A file that cannot be read is moved aside and said, and drawings that match no page of a
// rebuilt deck stay in the file and are said: nothing drawn is lost.
#pragma once

#include "drawing/Drawings.h"
#include "drawing/DrawingsFile.h"
#include "timing/BackgroundWriter.h"

#include <QObject>

#include <memory>

class DrawingsStore : public QObject {
    Q_OBJECT
public:
    explicit DrawingsStore(Drawings& drawings, QObject* parent = nullptr);
    // Waits for the writes in flight.
    ~DrawingsStore() override;

    // Another deck: its drawings are read from the file beside it and wait for identify().
    void open(const QString& deckPath);
    // The deck was rebuilt: what it shows now is placed anew at the next identify().
    void reopen();
    // The deck's pages as they are now: the drawings waiting are placed on them, and from now on
    // changes are written.
    void identify(const QList<PageMatch::PageId>& pages);

    QString path() const { return filePath; }
    // Whether the drawings of the file are placed on the deck's pages yet.
    bool isIdentified() const { return identified; }
    // For the status line: a file that could not be read or written, drawings that match no
    // page; empty when all is well.
    QString notice() const;
    // Returns once every change so far is on disk.
    void flush();

signals:
    void noticeChanged();

private:
    void save();
    void written(const QString& error);
    // The drawings shown now, as the file keeps them.
    QList<DrawingsFile::Sheet> shown() const;

    Drawings& drawings;
    QString deckPath;
    QString filePath;
    // The deck's pages as last identified; empty until then.
    QList<PageMatch::PageId> pages;
    bool identified = false;
    // A rebuilt deck's drawings are placed anew at the next identify().
    bool remap = false;
    // Read from the file and not placed yet.
    QList<DrawingsFile::Sheet> waiting;
    // Matching no page of the deck; kept in the file.
    QList<DrawingsFile::Sheet> unmatched;
    bool placing = false;
    // False while a file that could not be read could not be moved aside either: it is never
    // overwritten.
    bool writable = true;
    QString readProblem;
    QString writeProblem;
    std::unique_ptr<BackgroundWriter> writer;
};
