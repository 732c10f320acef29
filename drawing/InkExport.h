// "Mit Zeichnungen exportieren": a copy of the deck with the drawings as ink annotations that any
// PDF reader shows. The PDF engine writes it in a process of its own; the program writes the file,
// atomically, and the original stays untouched.
#pragma once

#include "drawing/Drawings.h"
#include "engine/PageEngine.h"

#include <QObject>

#include <thread>

class InkExport : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // Waits for an export still running.
    ~InkExport() override;

    // The strokes of the slides and of their whiteboards as ink.
    static QList<InkStroke> inkOf(const Drawings& drawings);

    bool isRunning() const { return running; }
    // Writes `deckPath` with `ink` to `target` on a thread; false when an export is running.
    bool start(const EngineFactory& engines, const QString& deckPath, const QList<InkStroke>& ink,
               const QString& target);

signals:
    // The message for the speaker is empty when the file was written.
    void finished(const QString& target, const QString& failure);

private:
    bool running = false;
    std::thread thread;
};
