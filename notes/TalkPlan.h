// The talk plan a sidecar gives (with the PDF metadata's entries laid over it): a length, or an
// end time and, where the file says when the talk begins, the start the countdown plans from.
#pragma once

#include "notes/Sidecar.h"
#include "pacing/PaceTarget.h"

namespace TalkPlan {

// As the .pdfpc tools plan: a start and an end make the talk's span, and any length is then
// ignored; a length and one of the two give the other; a length alone is counted by the talk
// timer. In the whole minutes the timer works in.
PaceTarget fromSidecar(const Sidecar::File& file);

} // namespace TalkPlan
