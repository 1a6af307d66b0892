// SPDX-License-Identifier: GPL-3.0-or-later
// From a picture's file name to the word and the tiles of its question, with every decoy
// setting a settings file can hold.
//
// Input: byte 0 the decoy count, byte 1 the decoy kind (both signed, so out-of-range values
// occur), bytes 2-5 the random seed, the rest the file name as UTF-16.
#include "FuzzCheck.h"
#include "game/QuestionSetUp.h"

#include <QSet>
#include <algorithm>
#include <cstring>

using namespace mokuri;

namespace {

const QString* decoyTable(int16_t kind)
{
    switch (kind) {
    case 0: return &hiraganaLetters();
    case 1: return &katakanaLetters();
    case 2: return &digitLetters();
    default: return nullptr;
    }
}

int freeLetters(const QString& table, const QString& text)
{
    int n = 0;
    for (QChar c : table) n += text.contains(c) ? 0 : 1;
    return n;
}

// Drawing decoys until none is left: each draw adds one letter of the table that was not
// there yet, and the draw that gives up finds every letter taken.
void checkDrawsUntilNoneIsLeft(const QString& table, const QString& name, uint32_t seed)
{
    Random random(seed);
    QString s = name;
    for (int draw = 0; draw <= table.size(); ++draw) {
        const int before = freeLetters(table, s);
        const QString old = s;
        const bool added = addDecoyFrom(table, s, random);
        FUZZ_CHECK(added == (before > 0), QStringLiteral("a draw gave up with letters left, or not when none was"), name);
        if (!added) {
            FUZZ_CHECK(s == old, QStringLiteral("a draw that gave up changed the tiles"), old, s);
            return;
        }
        FUZZ_CHECK(s.size() == old.size() + 1 && s.startsWith(old));
        FUZZ_CHECK(table.contains(s.back()) && !old.contains(s.back()), QStringLiteral("decoy taken or not from the table"),
                   old, s);
    }
    FUZZ_CHECK(false, QStringLiteral("more draws than the table has letters"), name, s);
}

} // namespace

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
    const QString bare = nameWithoutExtension(fileName);
    FUZZ_CHECK(fileName.startsWith(bare) && !bare.contains(u'.'), QStringLiteral("word is not the start of the name"),
               fileName, bare);
    FUZZ_CHECK(bare.size() == fileName.size() || fileName[bare.size()] == u'.');

    Settings settings;
    settings.decoyCount = DecoyCount(decoyCount);
    settings.decoyKind = DecoyKind(decoyKind);
    settings.instruction = (seed & 1) != 0 ? Instruction::ReadThePicture : Instruction::SayTheWord;
    Random random(seed);
    const Question q = makeQuestion(0, fileName, settings, random);

    const QString name = wordOfPicture(fileName);
    const QStringList nameLetters = splitLetters(name);
    FUZZ_CHECK(nameLetters.join(QString()) == name, QStringLiteral("letters do not make up the name"), name);
    const QStringList wordLetters = nameLetters.mid(0, kMaxTiles);
    FUZZ_CHECK(q.word == wordLetters.join(QString()), QStringLiteral("word is not the name's first letters"), name, q.word);
    FUZZ_CHECK(q.wordLength() == wordLetters.size());
    FUZZ_CHECK(q.tileCount() <= kMaxTiles && q.tileCount() >= q.wordLength());
    FUZZ_CHECK(q.tileLetters.mid(0, q.wordLength()) == wordLetters, QStringLiteral("tiles do not begin with the word"),
               q.word, q.tileLetters.join(u'|'));

    // Decoys: one a successful draw, from the chosen table, never a letter of the whole
    // name (even past the tenth letter), never twice; and what the cut to ten drops first.
    const QStringList decoys = q.tileLetters.mid(q.wordLength());
    const QString* table = decoyTable(decoyCount > 0 ? decoyKind : -1);
    const int asked = table ? (decoyCount == 2 ? 2 : 1) : 0;
    const int expected =
        nameLetters.size() >= kMaxTiles ? 0 : std::min({asked, table ? freeLetters(*table, name) : 0, kMaxTiles - int(nameLetters.size())});
    FUZZ_CHECK(decoys.size() == expected, QStringLiteral("wrong number of decoys"), name, decoys.join(u'|'));
    QSet<QString> seen;
    for (const QString& d : decoys) {
        FUZZ_CHECK(d.size() == 1 && table->contains(d), QStringLiteral("decoy not from the table"), d);
        FUZZ_CHECK(!name.contains(d), QStringLiteral("decoy is a letter of the name"), name, d);
        FUZZ_CHECK(!seen.contains(d), QStringLiteral("decoy drawn twice"), decoys.join(u'|'));
        seen << d;
    }
    if (table) checkDrawsUntilNoneIsLeft(*table, name, seed);

    // The tile row: at least six places, the tiles' places a permutation of them.
    FUZZ_CHECK(q.lastSlot == std::max(q.tileCount(), 6) - 1);
    QSet<int> places;
    for (int i = 0; i <= q.lastSlot; ++i) {
        const int slot = q.tileSlots[size_t(i)];
        FUZZ_CHECK(slot >= 0 && slot <= q.lastSlot && !places.contains(slot), QStringLiteral("tile places"));
        places << slot;
    }
    for (int p : q.placedAt) FUZZ_CHECK(p == -1, QStringLiteral("a tile placed before any was taken"));
    FUZZ_CHECK(q.nextLetter == 0 && q.wrongTile == -1 && !q.wordDone);
    FUZZ_CHECK(settings.instruction == Instruction::ReadThePicture || q.instruction.startsWith(name),
               QStringLiteral("the instruction does not say the word"), name, q.instruction);

    // The same seed gives the same question (MOKURI_SEED repeats a run).
    Random again(seed);
    const Question q2 = makeQuestion(0, fileName, settings, again);
    FUZZ_CHECK(q2.tileLetters == q.tileLetters && q2.tileSlots == q.tileSlots, QStringLiteral("same seed, other question"),
               q.tileLetters.join(u'|'), q2.tileLetters.join(u'|'));

    // Every tile's sound file: a katakana tile sounds like its hiragana.
    const QString& hiragana = hiraganaLetters();
    const QString& katakana = katakanaLetters();
    for (const QString& letter : q.tileLetters) {
        const QString file = letterSoundFile(letter);
        FUZZ_CHECK(file.size() == letter.size() + 4 && file.endsWith(QStringLiteral(".wav")), QStringLiteral("sound file"),
                   letter, file);
        if (letter.size() != 1) continue;
        const qsizetype kana = std::max(hiragana.indexOf(letter), katakana.indexOf(letter));
        if (kana >= 0)
            FUZZ_CHECK(file == hiragana.mid(kana, 1) + QStringLiteral(".wav"), QStringLiteral("kana sound file"), letter, file);
        if (digitLetters().contains(letter))
            FUZZ_CHECK(file == letter + QStringLiteral(".wav"), QStringLiteral("digit sound file"), file);
    }
    return 0;
}
