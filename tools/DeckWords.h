// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The pictures of the sample deck: a word a small child knows and the emoji that shows it.
#include <QString>
#include <vector>

namespace mokuri::deck {

struct DeckWord {
    QString word;   // the file name without extension, the word the child builds
    QString emoji;  // drawn from the colour emoji font
    QString format; // "jpg", "gif" or "bmp"
};

const std::vector<DeckWord>& sampleWords();

} // namespace mokuri::deck
