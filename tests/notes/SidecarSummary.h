// A sidecar's settings as "name=value" lines, for tests that compare what a file sets.
#pragma once

#include "notes/Sidecar.h"

#include <QStringList>

// The fields a file sets, one "name=value" each; notes with their newlines shown as "\n".
inline QStringList summary(const Sidecar::File& file) {
    QStringList fields;
    if (file.durationMinutes)
        fields << QStringLiteral("duration=%1").arg(*file.durationMinutes);
    if (file.startTime)
        fields << "start=" + file.startTime->toString("HH:mm");
    if (file.endTime)
        fields << "end=" + file.endTime->toString("HH:mm");
    if (file.lastMinutes != 5)
        fields << QStringLiteral("last=%1").arg(file.lastMinutes);
    if (file.endSlide)
        fields << QStringLiteral("endSlide=%1").arg(*file.endSlide);
    if (file.noteFontSize)
        fields << QStringLiteral("font=%1").arg(*file.noteFontSize);
    if (!file.beamerNotePosition.isEmpty())
        fields << "position=" + file.beamerNotePosition;
    if (file.disableMarkdown)
        fields << QStringLiteral("plain");
    if (file.skippedPages) {
        QStringList pages;
        for (const qint64 page : *file.skippedPages)
            pages << QString::number(page);
        fields << "skip=" + pages.join(',');
    }
    for (auto note = file.slideNotes.cbegin(); note != file.slideNotes.cend(); ++note)
        fields << QStringLiteral("note %1=%2")
                      .arg(note.key())
                      .arg(QString(note.value()).replace('\n', "\\n"));
    return fields;
}
