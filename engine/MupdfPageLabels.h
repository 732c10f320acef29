// Page labels ("iii", "A-2") read from a PDF's /PageLabels number tree.
#pragma once

#include <QString>
#include <QStringList>

struct fz_context;
struct pdf_document;

namespace MupdfPageLabels {

// One label per page, or an empty list when the file has none or they cannot be read.
QStringList read(fz_context* context, pdf_document* document, int pageCount);

// The label of the page `number` (counting from the range's start value) in a range of `style`
// (the PDF name D, R, r, A or a; empty for the prefix alone) with `prefix`.
QString format(const QString& style, const QString& prefix, int number);

} // namespace MupdfPageLabels
