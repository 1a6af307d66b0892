// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The game's three effect sounds, synthesized so that no recording is needed.
#include <cstdint>
#include <vector>

namespace mokuri::deck {

constexpr int kEffectRate = 22050;

// "ガチャ": a short two-part mechanical click as a tile snaps into place.
std::vector<int16_t> clickSound();
// "ブー": a low buzzer of about 0.6 s for a wrong tile.
std::vector<int16_t> buzzerSound();
// "ピンポン": a two-tone chime of about 0.8 s, high then low, for a finished word.
std::vector<int16_t> chimeSound();

// The three, each with the file the game plays it from.
struct EffectSound {
    const char16_t* file;
    std::vector<int16_t> (*make)();
};
inline constexpr EffectSound kEffectSounds[] = {
    {u"ガチャ.wav", clickSound},
    {u"ブー.wav", buzzerSound},
    {u"ピンポン.wav", chimeSound},
};

} // namespace mokuri::deck
