// MuPDF contexts: one base per process with lock callbacks, and one clone per engine instance, so
// that every instance shares the store of decoded images and fonts.
#pragma once

struct fz_context;

namespace MupdfContext {

// A context of its own for one engine instance, cloned from the process-wide base; null when MuPDF
// cannot allocate it. The caller drops it with fz_drop_context.
fz_context* clone();

} // namespace MupdfContext
