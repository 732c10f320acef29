// The worker process's side: it opens the deck with its own engine and answers the program's
// requests until the program closes the socket or goes away.
#pragma once

#include "engine/PageEngine.h"

namespace PageWorker {

// Opens the deck from `fd`, which it owns from then on; `name` is the file's path, for messages.
using Opener = std::function<std::unique_ptr<PageEngine>(
    int fd, const QString& name, const QString& password, OpenStatus* status)>;

// Serves the socket and cancel flag the program passed as descriptors 3 and 4, with engines from
// `open`; `addressSpace` (bytes, 0 = none) caps this process's memory. Before it reads a request
// it closes every other descriptor and confines itself (Sandbox): a deck comes as a descriptor
// with its open request. The exit status.
int serve(const Opener& open, qint64 addressSpace);

} // namespace PageWorker
