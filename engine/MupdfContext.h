// MuPDF contexts: one base per process with lock callbacks, and one clone per engine instance, so
// that every instance shares the store of decoded images and fonts.
#pragma once

struct fz_context;

namespace MupdfContext {

// A context of its own for one engine instance, cloned from the process-wide base; null when MuPDF
// cannot allocate it. The caller drops it with fz_drop_context.
fz_context* clone();

// While one is alive on a thread, the images drawn there are decoded whole instead of only the
// part inside the clip. For a band of a larger image: MuPDF would decode each band's part anew,
// at a scaling phase of its own, so bands came out slightly unlike the whole draw and a photo
// was decoded once per band. Whole, it is decoded once, stored, and scaled as for the whole draw.
class WholeImages {
public:
    explicit WholeImages(bool wanted);
    ~WholeImages();
    WholeImages(const WholeImages&) = delete;
    WholeImages& operator=(const WholeImages&) = delete;

private:
    const bool previous;
};

} // namespace MupdfContext
