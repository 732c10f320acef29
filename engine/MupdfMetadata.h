// The XMP metadata packet of a PDF (the catalog's /Metadata stream), read within a size bound.
#pragma once

#include <QByteArray>

struct fz_context;
struct pdf_document;

namespace MupdfMetadata {

// The packet with its filters undone; empty when the file has none, it cannot be read or it is
// longer than `maximumBytes`. Only that much is ever decompressed.
QByteArray read(fz_context* context, pdf_document* document, qsizetype maximumBytes);

} // namespace MupdfMetadata
