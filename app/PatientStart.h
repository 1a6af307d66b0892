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
    // Esc on the waiting screen: the reading thread may still hang in the kernel, so the
    // program must end without waiting for it (std::_Exit).
    bool givenUp = false;
};

// Runs loadStartValues() off the window's thread; the waiting screen shows after `showAfter`.
// `trace` must outlive the reading thread: with givenUp, until the process ends.
PatientStartResult loadStartValuesPatiently(const QString& folder, Trace& trace,
                                            std::chrono::milliseconds showAfter = std::chrono::milliseconds(500));

} // namespace mokuri
