// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the process holds, for the soak test and the memory benchmark.
namespace mokuri::test {
// Resident set size from /proc/self/status; 0 where that cannot be read.
double residentMegabytes();
// Bytes the program has allocated and not freed, over all of malloc's arenas. Unlike the
// resident size it does not move with how many arenas threads happened to open at once.
double heapInUseMegabytes();
}
