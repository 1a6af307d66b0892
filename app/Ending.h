// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one way the program ends: what is still being written or read gets a short while,
// what was not written by then is named where the adult sees it, and the process ends
// without waiting for work stuck on a folder that does not answer (and, then, without
// tearing down the static objects that work is in the middle of using).
#include "support/Trace.h"
#include "support/WriteQueue.h"

#include <chrono>

namespace mokuri {

// Esc ends the program within a second, whatever the folders do.
constexpr std::chrono::milliseconds kWritesPatience{300};
constexpr std::chrono::milliseconds kWorkPatience{200};

// Returns `status`, to be returned from main, when nothing is left running.
int endProgram(int status, WriteQueue* writes, Trace& trace);

} // namespace mokuri
