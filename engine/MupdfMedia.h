// The clips and sounds of a PDF page read with MuPDF: Movie, Screen (rendition actions), Sound
// and link annotations, the page-open actions that start them, and the bytes of those embedded in
// the file, taken out into a memfd. Everything read is bounded: the file is untrusted.
#pragma once

#include "engine/MediaLink.h"

struct fz_context;
struct pdf_document;

namespace MupdfMedia {

// The page's media in the order of its annotations; empty when it has none or cannot be read.
QList<MediaLink> read(fz_context* context, pdf_document* document, int page);

// A memfd (sealable, not yet sealed) holding entry `index` of read()'s list: the embedded file
// with its filters undone, a sound annotation's samples as a WAV file. -1 when the entry is not
// embedded, cannot be read or holds more than `maximumBytes`; only that much is ever decoded.
int extract(fz_context* context, pdf_document* document, int page, int index, qint64 maximumBytes);

} // namespace MupdfMedia
