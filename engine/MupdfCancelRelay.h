// Carries a draw's cancel flag into MuPDF's cookie, which offers no callback: one thread polls the
// flags of the draws in flight and sets the abort field of their cookies.
#pragma once

#include <atomic>

class MupdfCancelRelay {
public:
    // Sets `*abort` (a cookie's abort field) once `cancel` is set, for as long as this object
    // lives; nothing is watched when `cancel` is null.
    MupdfCancelRelay(const std::atomic_bool* cancel, int* abort);
    ~MupdfCancelRelay();

    MupdfCancelRelay(const MupdfCancelRelay&) = delete;
    MupdfCancelRelay& operator=(const MupdfCancelRelay&) = delete;

private:
    const std::atomic_bool* const cancel;
    int* const abort;
};
