// A page's link annotations, its /Trans transition and its /Dur display time, read from the PDF's
// objects: nothing is run, a destination's page is looked up and an action is only named.
#pragma once

#include "engine/PageNavigation.h"

struct fz_context;
struct pdf_document;

namespace MupdfNavigation {

// What page `number` holds, within PageNavigation's bounds; what could be read where the file is
// damaged.
PageNavigation read(fz_context* context, pdf_document* document, int number);

} // namespace MupdfNavigation
