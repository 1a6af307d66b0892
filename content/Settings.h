// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The six settings an adult chooses with key H, as the game uses them.
#include <cstdint>

namespace mokuri {

// What the instruction says: the word itself, or only "read this picture's name".
enum class Instruction { SayTheWord, ReadThePicture };

// The decoys' values are kept as stored: a hand-edited Word.txt may hold any number,
// and the game and the settings dialog each have a rule for what such a number means.
enum class DecoyCount : int16_t { None = 0, One = 1, Two = 2 };
enum class DecoyKind : int16_t { Hiragana = 0, Katakana = 1, Digits = 2 };

// How a child takes a tile: by merely touching (pointing at) it, or by clicking it.
enum class TakeTile { ByTouch, ByClick };

struct Settings {
    Instruction instruction = Instruction::SayTheWord;
    bool showModel = true;
    DecoyCount decoyCount = DecoyCount::None;
    DecoyKind decoyKind = DecoyKind::Hiragana;
    bool showPointer = true;
    TakeTile takeTile = TakeTile::ByClick;
    bool operator==(const Settings&) const = default;
};

} // namespace mokuri
