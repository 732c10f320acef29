// The worker process's side: it opens the deck with its own engine and answers the program's
// requests until the program closes the socket or goes away.
#pragma once

#include "engine/PageEngine.h"

namespace PageWorker {

// Serves the socket and cancel flag the program passed as descriptors 3 and 4, with engines from
// `open`; `addressSpace` (bytes, 0 = none) caps this process's memory. The exit status.
int serve(const decltype(EngineFactory::open)& open, qint64 addressSpace);

} // namespace PageWorker
