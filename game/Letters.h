#pragma once
// The letter tables, the decoy picker and the file a letter's sound lives in.
#include <QString>

namespace mokuri {

struct LetterTables {
    QString HiraganaTable[46];
    QString KatakanaTable[46];
    QString DigitTable[10];
};

void BuildLetterTables(LetterTables& t);

// Appends to tileString one letter of the table that occurs nowhere in it yet, each such
// letter equally likely. Returns false (and appends nothing) when every letter is taken.
bool AddDecoyFrom(const QString* table, int n, QString& tileString);

// The word a picture file names: its text before the first ".".
QString NameWithoutExtension(const QString& fileName);

// The sound file of a tile's letter: katakana (and anything above U+30A0 up to U+7FFF)
// uses the file of the letter 96 code points lower, the matching hiragana.
QString LetterSoundFile(const QString& letter);

} // namespace mokuri
