// The "pdfpc:" entries LaTeX's pdfpc package writes into a PDF's XMP metadata: talk timings, the
// end slide, the notes position. They count after the sidecar's, as the .pdfpc tools take them.
#pragma once

#include "notes/Sidecar.h"

#include <QByteArray>

namespace PdfMetadata {

// Bigger packets are not read.
constexpr qsizetype maximumBytes = qsizetype(4) << 20;

// Lays the packet's entries over `file`. A packet that is no well-formed XML, or too big,
// changes nothing and gives false.
bool apply(const QByteArray& packet, Sidecar::File& file);

} // namespace PdfMetadata
