#pragma once
// The one random generator of the game.
#include <cstdint>

namespace mokuri {

// Reseeds from the clock, or from MOKURI_SEED when it holds an integer so a run repeats.
void Randomize();
void RandomizeWith(uint32_t seed);
// Uniform in [0, 1), single precision like the numbers it stands in for.
float Rnd();
// Int(r * n) for a fresh r, always inside 0 .. n - 1 (n >= 1).
int RandomIndex(int n);

} // namespace mokuri
