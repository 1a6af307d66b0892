// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The letters of the game: the decoy tables, the file each letter's sound lives in, and
// the word a picture's file name gives (content/WordLetters.h).
#include "content/WordLetters.h"
#include "support/Kana.h"
#include "support/Random.h"

#include <QString>
#include <QStringList>

namespace mokuri {

// Only this many letters of a word (and of word plus decoys) become tiles.
constexpr int kMaxTiles = 10;

// The 46 plain hiragana, あ to ん, each one UTF-16 code unit.
const QString& hiraganaLetters();
// The katakana of the same sounds, in the same order.
const QString& katakanaLetters();
// The full-width digits ０ to ９.
const QString& digitLetters();

// Appends to tileString one letter of `table` that occurs nowhere in it yet, each such
// letter equally likely. Returns false (and appends nothing) when every letter is taken.
bool addDecoyFrom(const QString& table, QString& tileString, Random& random);

} // namespace mokuri
