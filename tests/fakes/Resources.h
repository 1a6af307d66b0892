#pragma once
// What the process holds, for the soak test and the memory benchmark.
namespace mokuri::test {
double ResidentMegabytes();
}
