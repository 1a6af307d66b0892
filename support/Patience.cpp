// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/Patience.h"

#include <atomic>

namespace mokuri::patience {

namespace {
std::atomic<int> busy{0};
}

bool reserve()
{
    int now = busy.load();
    do {
        if (now >= kMaxBlocked) return false;
    } while (!busy.compare_exchange_weak(now, now + 1));
    return true;
}

void release() { --busy; }

int running() { return busy.load(); }

} // namespace mokuri::patience
