// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Start-up that never freezes on the folder: the text files and the picture list are read on
// a thread of their own. A folder that has not answered after a moment (a stalled network
// share) gets the waiting screen, from which Esc ends the program.
#include "app/StartUp.h"

#include <chrono>
#include <memory>

namespace mokuri {

struct PatientStartResult {
    // As loadStartValues() gives them, once the folder has answered.
    std::optional<StartValues> values;
    // Esc on the waiting screen: the read may still hang in the kernel; the program ends
    // without waiting for it.
    bool givenUp = false;
};

// The read of the folder, started on the executor as soon as the program starts (even
// before the window system is reached, which it overlaps) and waited for through the event
// loop; the waiting screen shows after `showAfter`.
class StartRead {
public:
    StartRead(const QString& folder, Trace trace);
    PatientStartResult wait(std::chrono::milliseconds showAfter = std::chrono::milliseconds(500));

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
    QString folder_;
    Trace trace_;
};

// StartRead(folder, trace).wait(showAfter).
PatientStartResult loadStartValuesPatiently(const QString& folder, Trace trace,
                                            std::chrono::milliseconds showAfter = std::chrono::milliseconds(500));

} // namespace mokuri
