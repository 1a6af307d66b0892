#include "game/Random.h"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <random>
#include <string>

namespace mokuri {

namespace {
std::mt19937& Generator()
{
    static std::mt19937 gen(12345u);
    return gen;
}
}

void RandomizeWith(uint32_t seed) { Generator().seed(seed); }

void Randomize()
{
    if (const char* s = std::getenv("MOKURI_SEED")) {
        char* end = nullptr;
        long long v = std::strtoll(s, &end, 10);
        if (end != s && *end == '\0') {
            RandomizeWith(uint32_t(v));
            return;
        }
    }
    auto now = std::chrono::steady_clock::now().time_since_epoch().count() ^
               std::chrono::system_clock::now().time_since_epoch().count();
    RandomizeWith(uint32_t(now ^ (now >> 32)));
}

float Rnd()
{
    // 24 bits: every value is exact in single precision and below 1.
    return float(Generator()() >> 8) * (1.0f / 16777216.0f);
}

int RandomIndex(int n)
{
    if (n <= 0) return 0;
    // r * n rounded in single precision can reach n when r is close to 1.
    int i = int(std::floor(Rnd() * float(n)));
    return i >= n ? n - 1 : i;
}

} // namespace mokuri
