// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/Random.h"

#include <chrono>
#include <cmath>
#include <cstdlib>

namespace mokuri {

Random::Random(std::optional<uint32_t> fixedSeed) : fixedSeed_(fixedSeed), generator_(fixedSeed.value_or(12345u)) {}

std::optional<uint32_t> Random::seedFromEnvironment()
{
    const char* s = std::getenv("MOKURI_SEED");
    if (!s) return std::nullopt;
    char* end = nullptr;
    long long v = std::strtoll(s, &end, 10);
    if (end == s || *end != '\0') return std::nullopt;
    return uint32_t(v);
}

void Random::reseed()
{
    if (fixedSeed_) {
        generator_.seed(*fixedSeed_);
        return;
    }
    auto now = std::chrono::steady_clock::now().time_since_epoch().count() ^
               std::chrono::system_clock::now().time_since_epoch().count();
    generator_.seed(uint32_t(now ^ (now >> 32)));
}

float Random::next()
{
    // 24 bits: every value is exact in single precision and below 1.
    return float(generator_() >> 8) * (1.0f / 16777216.0f);
}

int Random::index(int n)
{
    if (n <= 0) return 0;
    // r * n rounded in single precision can reach n when r is close to 1.
    int i = int(std::floor(next() * float(n)));
    return i >= n ? n - 1 : i;
}

int Random::peekIndex(int n) const
{
    Random copy = *this;
    return copy.index(n);
}

} // namespace mokuri
