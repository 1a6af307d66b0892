// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the process holds, for the soak test and the memory benchmark.
namespace mokuri::test {
// Resident set size from /proc/self/status; 0 where that cannot be read.
double residentMegabytes();
}
