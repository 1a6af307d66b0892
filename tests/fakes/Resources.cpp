// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/Resources.h"

#include <fstream>
#include <malloc.h>
#include <string>

namespace mokuri::test {

double residentMegabytes()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            double kb = 0;
            status >> kb;
            return kb / 1024.0;
        }
        status.ignore(1 << 12, '\n');
    }
    return 0;
}

double heapInUseMegabytes()
{
    const struct mallinfo2 m = mallinfo2();
    return double(m.uordblks + m.hblkhd) / (1024.0 * 1024.0);
}

} // namespace mokuri::test
