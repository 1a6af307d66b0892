// From a picture's file name to the word and the tiles of its question, with every
// decoy setting a settings file can hold.
//
// Input: byte 0 DecoyCount, byte 1 DecoyKind (both signed, so out-of-range values
// occur), bytes 2-5 the random seed, the rest the file name as UTF-16.
#include "FuzzCheck.h"
#include "content/Globals.h"
#include "game/Letters.h"
#include "game/Random.h"

#include <algorithm>
#include <cstring>

using namespace mokuri;

namespace {

LetterTables Tables;

struct Question {
    QString word;                 // the answer row
    QString tiles;                // word letters first, then the decoys that survived the cut
    QString appended;             // every decoy drawn, before the cut
    int failedDraws = 0;
    int askedDraws = 0;
    const QString* table = nullptr;
    int tableSize = 0;
};

// The question set-up's derivation, step by step as the game does it.
Question Derive(const QString& fileName, int16_t decoyCount, int16_t decoyKind, uint32_t seed)
{
    RandomizeWith(seed);
    Question q;
    const QString name = NameWithoutExtension(fileName);
    QString tileString = name;
    q.word = name.left(10);
    if (decoyCount > 0) {
        switch (decoyKind) {
        case 0: q.table = Tables.HiraganaTable; q.tableSize = 46; break;
        case 1: q.table = Tables.KatakanaTable; q.tableSize = 46; break;
        case 2: q.table = Tables.DigitTable; q.tableSize = 10; break;
        default: break;
        }
        if (q.table) {
            q.askedDraws = decoyCount == 2 ? 2 : 1;
            for (int d = 0; d < q.askedDraws; ++d)
                if (!AddDecoyFrom(q.table, q.tableSize, tileString)) ++q.failedDraws;
        }
    }
    q.appended = tileString.mid(name.size());
    q.tiles = tileString.left(10);
    return q;
}

bool InTable(const Question& q, const QString& letter)
{
    return std::find(q.table, q.table + q.tableSize, letter) != q.table + q.tableSize;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    BuildLetterTables(Tables);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 6) return 0;
    const int16_t decoyCount = int8_t(data[0]);
    const int16_t decoyKind = int8_t(data[1]);
    uint32_t seed;
    std::memcpy(&seed, data + 2, 4);
    QString fileName;
    for (size_t i = 6; i + 1 < size; i += 2) fileName += QChar(char16_t(data[i] | (data[i + 1] << 8)));

    // The word is the text before the first dot.
    const QString name = NameWithoutExtension(fileName);
    FUZZ_CHECK(fileName.startsWith(name) && !name.contains(u'.'), QStringLiteral("word is not the start of the name"),
               fileName, name);
    FUZZ_CHECK(name.size() == fileName.size() || fileName[name.size()] == u'.');

    const Question q = Derive(fileName, decoyCount, decoyKind, seed);
    FUZZ_CHECK(q.word.size() <= 10 && q.tiles.size() <= 10);
    FUZZ_CHECK(q.word == name.left(10));
    FUZZ_CHECK(q.tiles.startsWith(q.word), QStringLiteral("tiles do not begin with the word"), q.word, q.tiles);

    // Decoys: one per successful draw, from the chosen table, never a letter of the
    // whole name (even past the tenth letter), never twice.
    FUZZ_CHECK(q.appended.size() == q.askedDraws - q.failedDraws);
    for (qsizetype i = 0; i < q.appended.size(); ++i) {
        const QString d = q.appended.mid(i, 1);
        FUZZ_CHECK(InTable(q, d), QStringLiteral("decoy not from the table"), d);
        FUZZ_CHECK(!name.contains(d), QStringLiteral("decoy is a letter of the name"), name, d);
        FUZZ_CHECK(q.appended.indexOf(d) == i, QStringLiteral("decoy drawn twice"), q.appended);
    }
    // A draw gives up only when the table has no letter left.
    if (q.failedDraws > 0)
        for (int i = 0; i < q.tableSize; ++i)
            FUZZ_CHECK((name + q.appended).contains(q.table[i]), QStringLiteral("draw gave up with letters left"), name);
    // Decoys are what the cut to ten letters drops first.
    FUZZ_CHECK(q.tiles == (name + q.appended).left(10));

    // The same seed gives the same question (MOKURI_SEED repeats a run).
    const Question again = Derive(fileName, decoyCount, decoyKind, seed);
    FUZZ_CHECK(again.tiles == q.tiles, QStringLiteral("same seed, other tiles"), q.tiles, again.tiles);

    // Every tile's sound file: a katakana tile sounds like its hiragana.
    for (QChar c : q.tiles) {
        const QString file = LetterSoundFile(QString(c));
        FUZZ_CHECK(file.size() == 5 && file.endsWith(QStringLiteral(".wav")), QStringLiteral("sound file"), file);
        for (int i = 0; i < 46; ++i)
            if (QString(c) == Tables.KatakanaTable[i] || QString(c) == Tables.HiraganaTable[i])
                FUZZ_CHECK(file == Tables.HiraganaTable[i] + QStringLiteral(".wav"),
                           QStringLiteral("kana sound file"), QString(c), file);
        for (int i = 0; i < 10; ++i)
            if (QString(c) == Tables.DigitTable[i])
                FUZZ_CHECK(file == Tables.DigitTable[i] + QStringLiteral(".wav"), QStringLiteral("digit sound file"), file);
    }
    return 0;
}
