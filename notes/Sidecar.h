// The speaker's file beside a deck ("talk.pdf" -> "talk.pdfpc"), in both generations the .pdfpc
// tools and LaTeX/Typst packages have written: JSON, and the older text of "[section]" blocks.
// The file is untrusted input: it is read field by field, and a field of the wrong type is dropped
// on its own.
#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringView>
#include <QTime>

#include <optional>

namespace Sidecar {

// One entry of a JSON file's page list, as written.
struct Page {
    qint64 idx = -1; // 0-based PDF page; -1 when absent
    // The page label; empty when absent or not text (Typst tools write the slide number as a
    // number, which says nothing about the PDF's labels).
    QString label;
    qint64 overlay = 0; // place among the consecutive pages sharing the label
    bool forcedOverlay = false;
    bool hidden = false;
    QString note;
};

struct File {
    // The older text format, whose notes are plain text.
    bool legacy = false;
    int format = 1; // a JSON file's pdfpcFormat
    std::optional<double> durationMinutes;
    std::optional<QTime> startTime;
    std::optional<QTime> endTime;
    double lastMinutes = 5;
    // The last slide of the talk proper, counted from 0 (each generation's own count undone).
    std::optional<qint64> endSlide;
    std::optional<double> noteFontSize;
    QString beamerNotePosition; // "left", "right", "top", "bottom", "none" or empty; lower case
    bool disableMarkdown = false;
    // "type[:seconds[:angle[:h|v[:i|o]]]]", for pages without a transition of their own; as
    // written.
    QString defaultTransition;
    QList<Page> pages;
    // The older format's [skip]: pages (from 0) that continue the slide before them; absent when
    // the file has no such section.
    std::optional<QList<qint64>> skippedPages;
    // The older format's notes by the slide number its "### N" headers give (from 1).
    QMap<qint64, QString> slideNotes;
};

// Bigger files are not read at all.
constexpr qint64 maximumBytes = 8 * 1024 * 1024;
// Enough for any talk; a bigger value is a broken file and must not lay out megabytes.
constexpr qsizetype maximumNoteChars = 100000;
constexpr double maximumMinutes = 100 * 60;

// "talk.pdf" -> "talk.pdfpc", in the same folder.
QString pathFor(const QString& pdfPath);

struct Reading {
    enum Status { absent, ok, unreadable } status = absent;
    File file;
    // Where an unreadable file stops making sense, from 1; 0 when the whole file could not be
    // read (too big, no permission).
    int line = 0;
};

// Either generation: a JSON object, else the text format.
Reading parse(const QByteArray& bytes);
Reading read(const QString& pdfPath);

// The number a text starts with, as C's atoi reads it (blanks, a sign, digits; the rest ignored);
// absent when it starts with none.
std::optional<qint64> leadingNumber(QStringView text);
// A time of day as the writers give it: "14:30", "9:05:00", an ISO date and time, or a bare hour
// ("9" is 09:00).
std::optional<QTime> clockTime(const QString& text);
// Minutes from 0 to maximumMinutes; absent otherwise.
std::optional<double> minutes(double value);

} // namespace Sidecar
