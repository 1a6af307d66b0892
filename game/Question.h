// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The question in progress, as plain data: what the main screen draws and what the
// engine checks touches against. "This tile is placed" is a field here, never read back
// from where a tile stands on screen.
#include "game/Letters.h"

#include <QString>
#include <QStringList>
#include <array>

namespace mokuri {

struct Question {
    int taskIndex = 0;     // the picture's place in the task order
    QString picture;       // its file name
    QString word;          // the letters to build, at most kMaxTiles of them
    QStringList tileLetters;  // one letter a tile: the word's, then the decoys (at most kMaxTiles)
    int lastSlot = 5;      // the tile row has lastSlot + 1 places, at least six
    std::array<int, kMaxTiles> tileSlots{};  // the place of each tile in the row
    std::array<int, kMaxTiles> placedAt{};  // each tile's place in the answer row, or -1
    int nextLetter = 0;    // how many letters of the word are placed
    int wrongTile = -1;    // the tile under the wrong mark, or -1
    bool wordDone = false; // the right mark is up
    QString instruction;   // what is said when the question appears

    int tileCount() const { return int(tileLetters.size()); }
    int wordLength() const { return wordLetters; }
    QString tileLetter(int tile) const { return tileLetters.value(tile); }
    int wordLetters = 0;
    bool isPlaced(int tile) const { return placedAt[size_t(tile)] >= 0; }
};

} // namespace mokuri
