#include "drawing/DrawingsStore.h"

#include "base/L10n.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QPointer>

DrawingsStore::DrawingsStore(Drawings& drawings, QObject* parent)
    : QObject(parent), drawings(drawings) {
    writer = std::make_unique<BackgroundWriter>(
        [self = QPointer<DrawingsStore>(this)](const QString&, const QString& error) {
            QMetaObject::invokeMethod(
                qApp,
                [self, error] {
                    if (self)
                        self->written(error);
                },
                Qt::QueuedConnection);
        });
    connect(&drawings, &Drawings::changed, this, &DrawingsStore::save);
    connect(&drawings, &Drawings::boardsChanged, this, &DrawingsStore::save);
}

DrawingsStore::~DrawingsStore() {
    writer.reset();
}

void DrawingsStore::open(const QString& path) {
    // The last deck's drawings reach its file before this one's is read (it may be the same).
    writer->flush();
    deckPath = path;
    filePath = DrawingsFile::pathFor(path);
    identified = false;
    remap = false;
    pages.clear();
    waiting.clear();
    unmatched.clear();
    writable = true;
    readProblem.clear();
    writeProblem.clear();
    placing = true;
    drawings.reset();
    placing = false;
    QFile file(filePath);
    if (file.exists()) {
        QString reason;
        std::optional<QList<DrawingsFile::Sheet>> read;
        if (file.size() > DrawingsFile::maximumBytes)
            reason = L10n::lookup("zu groß");
        else if (!file.open(QIODevice::ReadOnly))
            reason = file.errorString();
        else
            read = DrawingsFile::decode(file.readAll(), &reason);
        file.close();
        if (read) {
            waiting = *read;
        } else {
            // Kept whole beside the deck; new drawings go to a fresh file.
            const QString aside =
                filePath + QStringLiteral(".unlesbar-") +
                QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
            writable = QFile::rename(filePath, aside);
            const QString name = QFileInfo(filePath).fileName();
            readProblem = writable ? L10n::format("%@ nicht lesbar (%@); aufbewahrt als %@",
                                                  {name, reason, QFileInfo(aside).fileName()})
                                   : L10n::format("%@ nicht lesbar (%@); Zeichnungen werden nicht "
                                                  "gespeichert",
                                                  {name, reason});
        }
    }
    emit noticeChanged();
}

void DrawingsStore::reopen() {
    if (!identified)
        return;
    remap = true;
}

void DrawingsStore::identify(const QList<PageMatch::PageId>& identities) {
    // Drawn on the deck as it is now (before its pages were known, say): kept where it is.
    QList<std::pair<Sheet, QList<Stroke>>> kept;
    if (remap) {
        // What is shown belongs to the pages as they were; it is placed like a file's contents.
        waiting = shown() + waiting;
        remap = false;
    } else {
        for (const Sheet& sheet : drawings.sheets())
            kept.append({sheet, drawings.strokes(sheet)});
    }
    pages = identities;
    identified = true;
    const QList<DrawingsFile::Sheet> sheets = waiting + unmatched;
    waiting.clear();
    unmatched.clear();
    placing = true;
    drawings.reset();
    for (const DrawingsFile::Sheet& sheet : sheets) {
        const std::optional<qint64> page = PageMatch::find(sheet.id, sheet.occurrence, pages);
        if (page)
            drawings.place({*page, sheet.board}, sheet.strokes);
        else
            unmatched.append(sheet);
    }
    for (const auto& [sheet, strokes] : kept)
        drawings.place(sheet, strokes);
    placing = false;
    if (!kept.isEmpty())
        save();
    emit noticeChanged();
}

QList<DrawingsFile::Sheet> DrawingsStore::shown() const {
    QList<DrawingsFile::Sheet> sheets;
    for (const Sheet& sheet : drawings.sheets()) {
        DrawingsFile::Sheet kept;
        kept.page = sheet.page;
        kept.id = pages.value(sheet.page);
        kept.occurrence = PageMatch::occurrence(pages, sheet.page);
        kept.board = sheet.board;
        kept.strokes = drawings.strokes(sheet);
        sheets.append(kept);
    }
    return sheets;
}

void DrawingsStore::save() {
    // Drawings made before the pages are known are written once they are.
    if (placing || !identified || !writable || filePath.isEmpty())
        return;
    const QList<DrawingsFile::Sheet> sheets = shown() + unmatched;
    writer->write(filePath, [sheets] { return DrawingsFile::encode(sheets); });
}

void DrawingsStore::written(const QString& error) {
    const QString now =
        error.isEmpty() ? QString() : L10n::format("Zeichnungen nicht gespeichert: %@", {error});
    if (now == writeProblem)
        return;
    writeProblem = now;
    emit noticeChanged();
}

QString DrawingsStore::notice() const {
    if (!readProblem.isEmpty())
        return readProblem;
    if (!writeProblem.isEmpty())
        return writeProblem;
    if (unmatched.isEmpty())
        return {};
    QStringList where;
    for (const DrawingsFile::Sheet& sheet : unmatched)
        where.append(sheet.id.label.isEmpty() ? QString::number(sheet.page + 1) : sheet.id.label);
    where.removeDuplicates();
    return L10n::format("Zeichnungen von Folie %@ passen zu keiner Seite mehr; sie bleiben in %@",
                        {where.join(QStringLiteral(", ")), QFileInfo(filePath).fileName()});
}

void DrawingsStore::flush() {
    writer->flush();
}
