// Letters that are not in the word, mixed among the tiles.
#include "app/Form1.h"

namespace mokuri {

void Form1::AddHiraganaDecoy() { AddDecoyFrom(Letters.HiraganaTable, 46, TileString); }
void Form1::AddKatakanaDecoy() { AddDecoyFrom(Letters.KatakanaTable, 46, TileString); }
void Form1::AddDigitDecoy() { AddDecoyFrom(Letters.DigitTable, 10, TileString); }

} // namespace mokuri
