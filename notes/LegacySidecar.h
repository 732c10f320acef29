// The older .pdfpc text format (pdfpc 3.x to 4.4, LaTeX's pdfpcnotes, hand-written files):
// "[section]" headers anywhere in the text, each followed by its content, and notes in
// "### N" blocks numbered by slide.
#pragma once

#include "notes/Sidecar.h"

#include <QString>

namespace LegacySidecar {

// Unreadable, at the first line with text, when the text has no section at all.
Sidecar::Reading parse(const QString& text);

} // namespace LegacySidecar
