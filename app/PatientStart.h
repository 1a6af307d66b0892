// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Start-up that never freezes on the folder: the text files and the picture list are read on
// a thread of their own. A folder that has not answered after a moment (a stalled network
// share) gets the waiting screen, from which Esc ends the program.
#include "app/StartUp.h"

#include <chrono>

namespace mokuri {

struct PatientStartResult {
    // As loadStartValues() gives them, once the folder has answered.
    std::optional<StartValues> values;
    // Esc on the waiting screen: the read may still hang in the kernel; the program ends
    // without waiting for it.
    bool givenUp = false;
};

// Runs loadStartValues() on the executor; the waiting screen shows after `showAfter`.
PatientStartResult loadStartValuesPatiently(const QString& folder, Trace trace,
                                            std::chrono::milliseconds showAfter = std::chrono::milliseconds(500));

} // namespace mokuri
