// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The word a picture's file name gives, its letters, and the sound file of each letter: what
// the game plays for a word, and what the voice recorder asks an adult to record first.
#include "support/Kana.h"

#include <QString>
#include <QStringList>

namespace mokuri {

// The word a picture file names: its text before the first ".".
QString nameWithoutExtension(const QString& fileName);

// The word of a picture as the child builds it: composed (a Mac writes ガ as カ and a
// combining mark), so that every kana is one letter.
QString wordOfPicture(const QString& fileName);

// A text cut into letters: a letter outside the Basic Multilingual Plane (two UTF-16
// units) is one letter, never two halves.
QStringList splitLetters(const QString& text);

// The sound file of a tile's letter: katakana (and anything above U+30A0 up to U+7FFF)
// uses the file of its hiragana, kKatakanaOffset code points lower.
QString letterSoundFile(const QString& letter);

} // namespace mokuri
