#include "game/Letters.h"

#include "game/Random.h"

#include <cstdint>

namespace mokuri {

void BuildLetterTables(LetterTables& t)
{
    static const QString hiragana =
        QStringLiteral("あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわをん");
    static const QString digits = QStringLiteral("０１２３４５６７８９");
    for (int i = 0; i < 46; ++i) {
        t.HiraganaTable[i] = hiragana.mid(i, 1);
        t.KatakanaTable[i] = QString(QChar(char16_t(hiragana[i].unicode() + 0x60)));
    }
    for (int i = 0; i < 10; ++i) t.DigitTable[i] = digits.mid(i, 1);
}

bool AddDecoyFrom(const QString* table, int n, QString& tileString)
{
    // Redrawing until a free letter comes up would never end when none is left.
    bool anyFree = false;
    for (int i = 0; i < n && !anyFree; ++i) anyFree = !tileString.contains(table[i]);
    if (!anyFree) return false;
    for (;;) {
        const QString& c = table[RandomIndex(n)];
        if (!tileString.contains(c)) {
            tileString += c;
            return true;
        }
    }
}

QString NameWithoutExtension(const QString& fileName)
{
    qsizetype dot = fileName.indexOf(u'.');
    return dot < 0 ? fileName : fileName.left(dot);
}

QString LetterSoundFile(const QString& letter)
{
    QString l = letter;
    if (!l.isEmpty() && int16_t(l[0].unicode()) > 0x30A0)
        l = QString(QChar(char16_t(l[0].unicode() - 96)));
    return l + QStringLiteral(".wav");
}

} // namespace mokuri
