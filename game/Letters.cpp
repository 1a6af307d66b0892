// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/Letters.h"

namespace mokuri {

const QString& hiraganaLetters()
{
    static const QString letters =
        QStringLiteral("あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわをん");
    return letters;
}

const QString& katakanaLetters()
{
    static const QString letters = [] {
        QString out = hiraganaLetters();
        for (QChar& c : out) c = QChar(char16_t(c.unicode() + kKatakanaOffset));
        return out;
    }();
    return letters;
}

const QString& digitLetters()
{
    static const QString letters = QStringLiteral("０１２３４５６７８９");
    return letters;
}

bool addDecoyFrom(const QString& table, QString& tileString, Random& random)
{
    // Redrawing until a free letter comes up would never end when none is left.
    bool anyFree = false;
    for (QChar c : table) anyFree = anyFree || !tileString.contains(c);
    if (!anyFree) return false;
    for (;;) {
        const QChar c = table[random.index(int(table.size()))];
        if (!tileString.contains(c)) {
            tileString += c;
            return true;
        }
    }
}

} // namespace mokuri
