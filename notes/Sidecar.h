// The speaker's file beside a deck ("talk.pdf" -> "talk.pdfpc"), as presenters and LaTeX/Typst
// packages write it: notes, hidden pages and talk timings. The file is untrusted input: it is
// read field by field, and a field of the wrong type is dropped on its own.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QTime>

#include <optional>

namespace Sidecar {

struct Page {
    qint64 idx = -1; // 0-based PDF page; -1 when absent
    std::optional<QString> label;
    std::optional<qint64> overlay;
    QString note;
    bool hidden = false; // format 2 only
};

struct File {
    int format = 1;
    std::optional<double> durationMinutes;
    std::optional<QTime> endTime;
    double lastMinutes = 5;
    std::optional<qint64> endSlide; // as the file numbers it
    std::optional<double> noteFontSize;
    QString beamerNotePosition; // "left", "right", "top", "bottom", "none" or empty
    bool disableMarkdown = false;
    QList<Page> pages;

    // The entry for a PDF page with this label and overlay (its place among the consecutive
    // pages sharing the label): by index when label and overlay agree, else the first entry with
    // that label and overlay (the deck has changed since the file was written), else by index.
    const Page* pageFor(qint64 index, const QString& label, qint64 overlay) const;

    // Built by parse(): the first entry for each index, and for each label and overlay.
    QHash<qint64, qsizetype> byIndex;
    QHash<QString, qsizetype> byLabel;
};

// Bigger files are not read at all.
constexpr qint64 maximumBytes = 8 * 1024 * 1024;

// "talk.pdf" -> "talk.pdfpc", in the same folder.
QString pathFor(const QString& pdfPath);

// Absent when the text is no JSON object.
std::optional<File> parse(const QByteArray& bytes);

struct Reading {
    enum Status { absent, ok, unreadable } status = absent;
    File file;
};
Reading read(const QString& pdfPath);

} // namespace Sidecar
