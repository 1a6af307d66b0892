// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The game's random numbers: single-precision values in [0, 1) like the numbers the game's
// rules are written for, and a fixed seed (MOKURI_SEED) that makes a whole run repeat.
#include <cstdint>
#include <optional>
#include <random>

namespace mokuri {

class Random {
public:
    // `fixedSeed`: every reseed uses it; without one every reseed takes the clock.
    explicit Random(std::optional<uint32_t> fixedSeed = std::nullopt);

    // The integer in MOKURI_SEED, if it holds one.
    static std::optional<uint32_t> seedFromEnvironment();

    // Starts a new sequence: from the fixed seed, or from the clock.
    void reseed();
    // Uniform in [0, 1).
    float next();
    // Int(r * n) for a fresh r, always inside 0 .. n - 1 (0 when n < 1).
    int index(int n);
    // What index(n) would give next, without drawing it.
    int peekIndex(int n) const;

private:
    std::optional<uint32_t> fixedSeed_;
    std::mt19937 generator_;
};

} // namespace mokuri
