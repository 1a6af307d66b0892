// Letters, decoys, the word of a file name, the task order and the twip geometry.
#include "content/Globals.h"
#include "game/Letters.h"
#include "game/Random.h"
#include "game/TaskOrder.h"
#include "game/TileGeometry.h"

#include <QSet>
#include <QTest>
#include <cmath>

using namespace mokuri;

class LettersLayout : public QObject {
    Q_OBJECT
private slots:
    void tables()
    {
        LetterTables t;
        BuildLetterTables(t);
        QCOMPARE(t.HiraganaTable[0], QStringLiteral("あ"));
        QCOMPARE(t.HiraganaTable[35], QStringLiteral("や"));
        QCOMPARE(t.HiraganaTable[45], QStringLiteral("ん"));
        QCOMPARE(t.KatakanaTable[0], QStringLiteral("ア"));
        QCOMPARE(t.KatakanaTable[44], QStringLiteral("ヲ"));
        QCOMPARE(t.DigitTable[9], QStringLiteral("９"));
        QSet<QString> seen;
        for (const QString& s : t.HiraganaTable) seen << s;
        QCOMPARE(seen.size(), 46);
    }

    void decoysAvoidTheWholeNameAndEachOther()
    {
        LetterTables t;
        BuildLetterTables(t);
        RandomizeWith(7);
        for (int round = 0; round < 2000; ++round) {
            // A name beyond ten letters: the letters after the tenth still count.
            QString s = QStringLiteral("りんごあいうえおかきくけこ");
            const QString name = s;
            QVERIFY(AddDecoyFrom(t.HiraganaTable, 46, s));
            QVERIFY(AddDecoyFrom(t.HiraganaTable, 46, s));
            QCOMPARE(s.size(), name.size() + 2);
            QVERIFY(!name.contains(s[s.size() - 2]));
            QVERIFY(!name.contains(s[s.size() - 1]));
            QVERIFY(s[s.size() - 2] != s[s.size() - 1]);
        }
        // Katakana り is not hiragana リ: it may be drawn for a katakana word.
        QString k = QStringLiteral("リンゴ");
        bool sawRi = false;
        for (int i = 0; i < 3000 && !sawRi; ++i) {
            QString s = k;
            AddDecoyFrom(t.HiraganaTable, 46, s);
            sawRi = s.endsWith(QStringLiteral("り"));
        }
        QVERIFY(sawRi);
    }

    void decoyPickerGivesUpWhenNothingIsLeft()
    {
        LetterTables t;
        BuildLetterTables(t);
        QString s = QStringLiteral("０１２３４５６７８９");
        QVERIFY(!AddDecoyFrom(t.DigitTable, 10, s));
        QCOMPARE(s, QStringLiteral("０１２３４５６７８９"));
        QString two = QStringLiteral("２かい");
        for (int i = 0; i < 200; ++i) {
            QString c = two;
            QVERIFY(AddDecoyFrom(t.DigitTable, 10, c));
            QVERIFY(c.back() != QChar(0xFF12));
        }
    }

    void decoysAreEvenlySpread()
    {
        LetterTables t;
        BuildLetterTables(t);
        RandomizeWith(99);
        QHash<QString, int> counts;
        const int draws = 46 * 400;
        for (int i = 0; i < draws; ++i) {
            QString s = QStringLiteral("りんご");
            AddDecoyFrom(t.KatakanaTable, 46, s);
            counts[s.right(1)]++;
        }
        QCOMPARE(counts.size(), 46);
        for (int c : counts) QVERIFY2(c > 300 && c < 500, qPrintable(QString::number(c)));
    }

    void wordAndSoundOfAName()
    {
        QCOMPARE(NameWithoutExtension("りんご.jpg"), QStringLiteral("りんご"));
        QCOMPARE(NameWithoutExtension("a.b.gif"), QStringLiteral("a"));
        QCOMPARE(NameWithoutExtension(".jpg"), QString());
        QCOMPARE(LetterSoundFile("ア"), QStringLiteral("あ.wav"));
        QCOMPARE(LetterSoundFile("ン"), QStringLiteral("ん.wav"));
        QCOMPARE(LetterSoundFile("ー"), QString(QChar(0x309C)) + ".wav");
        QCOMPARE(LetterSoundFile("ご"), QStringLiteral("ご.wav"));
        QCOMPARE(LetterSoundFile("５"), QStringLiteral("５.wav"));
    }

    void randomIndexStaysInRange()
    {
        RandomizeWith(1);
        for (int n : {1, 3, 7, 21}) {
            for (int i = 0; i < 20000; ++i) {
                int k = RandomIndex(n);
                QVERIFY(k >= 0 && k < n);
            }
        }
        float r = Rnd();
        QVERIFY(r >= 0 && r < 1);
    }

    void seedFromEnvironmentRepeatsARun()
    {
        qputenv("MOKURI_SEED", "42");
        Randomize();
        float a = Rnd(), b = Rnd();
        Randomize();
        QCOMPARE(Rnd(), a);
        QCOMPARE(Rnd(), b);
        qunsetenv("MOKURI_SEED");
    }

    void shuffleKeepsTheNames()
    {
        QString tasks[MaxPictures];
        for (int i = 0; i < 10; ++i) tasks[i] = QString::number(i);
        tasks[10] = "untouched";
        ShuffleTasks(tasks, 10);
        QStringList sorted;
        for (int i = 0; i < 10; ++i) sorted << tasks[i];
        sorted.sort();
        QCOMPARE(sorted, QStringList({"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}));
        QCOMPARE(tasks[10], QStringLiteral("untouched"));
        QString one[1] = {"only"};
        ShuffleTasks(one, 1);
        QCOMPARE(one[0], QStringLiteral("only"));
        ShuffleTasks(one, 0);
    }

    void geometryOfTheWorkedExample()
    {
        const float W = 15360, H = 11520;
        TwipRect img = ImageRect(W, H);
        QCOMPARE(img.top, 2880.f);
        QCOMPARE(img.left, 3840.f);
        QCOMPARE(img.width, 7680.f);
        QCOMPARE(img.height, 5760.f);

        struct Row { int slotCount; int16_t size; float gap; float first, second, last; int font; float rowTop, tileTop; };
        const Row rows[] = {
            {6, 2194, 313.43f, 313.43f, 2820.86f, 12850.57f, 107, 343, 8983},
            {8, 1706, 189.56f, 189.56f, 2085.11f, 13458.44f, 83, 587, 9227},
            {10, 1396, 126.91f, 126.91f, 1649.82f, 13833.09f, 68, 742, 9382},
        };
        for (const Row& r : rows) {
            const int last = r.slotCount - 1;
            const int16_t size = TileSizeFor(W, last);
            QCOMPARE(size, r.size);
            QVERIFY(std::fabs(TileLeft(0, size, last) - r.first) < 0.01f);
            QVERIFY(std::fabs(TileLeft(1, size, last) - r.second) < 0.01f);
            QVERIFY(std::fabs(TileLeft(last, size, last) - r.last) < 0.01f);
            QCOMPARE(TileFontSize(size), r.font);
            TwipRect row = ModelRowRect(W, H, 3, size);
            QCOMPARE(row.top, r.rowTop);
            QCOMPARE(TileTop(H, row.top), r.tileTop);
        }
        TwipRect three = ModelRowRect(W, H, 3, 2194);
        QCOMPARE(three.width, 6582.f);
        QCOMPARE(three.left, 4389.f);
        TwipRect none = ModelRowRect(W, H, 0, 2194);
        QCOMPARE(none.width, 0.f);
        QCOMPARE(none.left, 7680.f);
    }

    void correctMarkFromTheWindowSize()
    {
        // 1024 x 768 and 800 x 600 pixels at 15 twips a pixel.
        struct Case { float W, H; MarkGeometry expected; };
        const Case cases[] = {{15360, 11520, {307, 2649, 4608, 7680, 5760}}, {12000, 9000, {240, 2070, 3600, 6000, 4500}}};
        for (const Case& c : cases) {
            const MarkGeometry g = CorrectMarkGeometry(c.W, c.H);
            QCOMPARE(g.fontSize, c.expected.fontSize);
            QCOMPARE(g.top, c.expected.top);
            QCOMPARE(g.left, c.expected.left);
            QCOMPARE(g.width, c.expected.width);
            QCOMPARE(g.height, c.expected.height);
        }
    }
};

QTEST_GUILESS_MAIN(LettersLayout)
#include "test_letters_layout.moc"
