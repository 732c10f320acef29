// The deck's file as the engines get it: opened once by a process that may open files, then read
// through its descriptor, so that the process that interprets it needs no file system at all.
#pragma once

#include "engine/PageEngine.h"

namespace DeckFile {

// A read-only descriptor of `path` (closed on exec), or -1 with the reason in `status`.
int open(const QString& path, OpenStatus* status);

// Whether the file starts like a PDF: its header within the first kilobyte, where readers accept
// it after some junk. Reads without moving the descriptor's offset.
bool looksLikePdf(int fd);

} // namespace DeckFile
