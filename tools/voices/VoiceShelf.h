// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The sounds of a sounds folder as the recorder shows them: every letter file the game can
// play and the three effects, each recorded by a person, made by mokuri-deck, or missing;
// and keeping a take there so that no later mokuri-deck run renews it.
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace mokuri::voices {

enum class Maker { Person, Deck, Missing };

struct ShelfSound {
    QString file;          // the file name in the sounds folder, "あ.wav"
    QString label;         // what the adult reads: the letter, "ー" for ゜.wav, the effect's name
    QString prompt;        // what to say: the letter's reading, or the effect's name
    bool effect = false;
    bool wordsNeedIt = false; // a letter of a word of the picture folder
    Maker maker = Maker::Missing;
};

// The letters the words of `pictureFolder` use come first, in the order the words have them,
// then the other letters, then the effects. An empty or unreadable picture folder puts the
// letters in the order of the kana table.
std::vector<ShelfSound> shelfOf(const QString& soundsFolder, const QString& pictureFolder);

// Who made `file` of `soundsFolder` now.
Maker makerOf(const QString& soundsFolder, const QString& file, bool effect);

// Writes a cleaned take as `file` (replacing what was there, crash-safely) and notes in
// mokuri-deck's manifest that the file is a person's. False with a message for the adult
// when the file could not be written; a file already there is then left as it was.
bool keepTake(const QString& soundsFolder, const QString& file,
              const std::vector<std::int16_t>& samples, int sampleRate, QString* message);

// Puts back mokuri-deck's own sound for an effect file. False with a message when it could
// not be written.
bool restoreEffect(const QString& soundsFolder, const QString& file, QString* message);

} // namespace mokuri::voices
