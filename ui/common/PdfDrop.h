// What a window does with files dragged onto it: it takes the first local PDF among them.
#pragma once

#include <QUrl>
#include <optional>

class QDropEvent;
class QMimeData;

namespace PdfDrop {

// The first local file ending in ".pdf" (any letter case) among dragged data.
std::optional<QUrl> pdfUrl(const QMimeData* data);

// Accepts a drag or a drop as a copy when it carries a PDF, else ignores it; the PDF if any.
std::optional<QUrl> accept(QDropEvent* event);

} // namespace PdfDrop
