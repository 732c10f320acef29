#include "drawing/InkExport.h"

#include "base/L10n.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSaveFile>

InkExport::~InkExport() {
    if (thread.joinable())
        thread.join();
}

QList<InkStroke> InkExport::inkOf(const Drawings& drawings) {
    QList<InkStroke> ink;
    for (const Sheet& sheet : drawings.sheets()) {
        for (const Stroke& stroke : drawings.strokes(sheet)) {
            InkStroke written;
            written.page = sheet.page;
            written.board = sheet.board;
            written.colour = stroke.colour;
            written.opacity = stroke.ink == Ink::highlighter ? Stroke::highlighterOpacity : 1.0;
            written.width = stroke.meanWidth();
            for (const InkPoint& point : stroke.points)
                written.points.append(point.at);
            ink.append(written);
        }
    }
    return ink;
}

bool InkExport::start(const EngineFactory& engines, const QString& deckPath,
                      const QList<InkStroke>& ink, const QString& target) {
    if (running)
        return false;
    if (thread.joinable())
        thread.join();
    running = true;
    thread = std::thread([engines, deckPath, ink, target, self = QPointer<InkExport>(this)] {
        QString failure;
        OpenStatus status = OpenStatus::ok;
        const std::unique_ptr<PageEngine> engine = engines.open(deckPath, {}, &status);
        const QByteArray written = engine ? engine->writeWithInk(ink) : QByteArray();
        if (written.isEmpty()) {
            failure =
                L10n::lookup("Die PDF-Datei mit den Zeichnungen konnte nicht erzeugt werden.");
        } else {
            QSaveFile file(target);
            if (!file.open(QIODevice::WriteOnly) || file.write(written) != written.size() ||
                !file.commit())
                failure = file.errorString();
        }
        QMetaObject::invokeMethod(
            qApp,
            [self, target, failure] {
                if (!self)
                    return;
                self->running = false;
                emit self->finished(target, failure);
            },
            Qt::QueuedConnection);
    });
    return true;
}
