// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/QuestionSetUp.h"

#include <algorithm>
#include <utility>

namespace mokuri {

namespace {

const QString* decoyTable(DecoyKind kind)
{
    switch (kind) {
    case DecoyKind::Hiragana: return &hiraganaLetters();
    case DecoyKind::Katakana: return &katakanaLetters();
    case DecoyKind::Digits: return &digitLetters();
    }
    return nullptr;  // a hand-edited kind outside the three: no decoys
}

} // namespace

Question makeQuestion(int taskIndex, const QString& picture, const Settings& settings, Random& random)
{
    Question q;
    q.taskIndex = taskIndex;
    q.picture = picture;
    const QString name = wordOfPicture(picture);
    const QStringList wordLetters = splitLetters(name).mid(0, kMaxTiles);
    q.word = wordLetters.join(QString());
    q.wordLetters = int(wordLetters.size());

    QString tiles = name;
    // Any positive count adds one decoy; only exactly two adds a second.
    if (int16_t(settings.decoyCount) > 0) {
        if (const QString* table = decoyTable(settings.decoyKind)) {
            addDecoyFrom(*table, tiles, random);
            if (settings.decoyCount == DecoyCount::Two) addDecoyFrom(*table, tiles, random);
        }
    }
    q.tileLetters = splitLetters(tiles).mid(0, kMaxTiles);

    q.lastSlot = std::max(q.tileCount(), 6) - 1;
    for (int i = 0; i <= q.lastSlot; ++i) q.tileSlots[size_t(i)] = i;
    for (int k = 0; k <= q.lastSlot; ++k) {
        const int a = random.index(q.lastSlot + 1);
        const int b = random.index(q.lastSlot + 1);
        std::swap(q.tileSlots[size_t(a)], q.tileSlots[size_t(b)]);
    }
    q.placedAt.fill(-1);

    q.instruction = instructionFor(picture, settings);
    return q;
}

QString instructionFor(const QString& picture, const Settings& settings)
{
    return settings.instruction == Instruction::SayTheWord ? wordOfPicture(picture) + QStringLiteral("、と、並べましょう")
                                                           : QStringLiteral("この名前を並べましょう");
}

} // namespace mokuri
