// SPDX-License-Identifier: GPL-3.0-or-later
// Letters, decoys, the word and sounds of a file name, the random numbers, the task order
// and the twip geometry.
#include "game/Letters.h"
#include "game/TaskOrder.h"
#include "game/TileGeometry.h"

#include <QHash>
#include <QSet>
#include <QTest>
#include <cmath>

using namespace mokuri;

namespace {

// Restores MOKURI_SEED as it was, whatever a test sets it to.
class SeedVariable {
public:
    SeedVariable() : had_(qEnvironmentVariableIsSet("MOKURI_SEED")), old_(qgetenv("MOKURI_SEED")) {}
    ~SeedVariable()
    {
        if (had_) qputenv("MOKURI_SEED", old_);
        else qunsetenv("MOKURI_SEED");
    }

private:
    bool had_;
    QByteArray old_;
};

} // namespace

class LettersLayout : public QObject {
    Q_OBJECT
private slots:
    void tables()
    {
        const QString& h = hiraganaLetters();
        const QString& k = katakanaLetters();
        const QString& d = digitLetters();
        QCOMPARE(h.size(), 46);
        QCOMPARE(k.size(), 46);
        QCOMPARE(d.size(), 10);
        QCOMPARE(h.mid(0, 1), QStringLiteral("あ"));
        QCOMPARE(h.mid(35, 1), QStringLiteral("や"));
        QCOMPARE(h.mid(45, 1), QStringLiteral("ん"));
        QCOMPARE(k.mid(0, 1), QStringLiteral("ア"));
        QCOMPARE(k.mid(44, 1), QStringLiteral("ヲ"));
        QCOMPARE(d.mid(9, 1), QStringLiteral("９"));
        QCOMPARE(QSet<QChar>(h.begin(), h.end()).size(), 46);
        for (qsizetype i = 0; i < h.size(); ++i) QCOMPARE(k[i].unicode(), char16_t(h[i].unicode() + kKatakanaOffset));
    }

    void decoysAvoidTheWholeNameAndEachOther()
    {
        Random random(7u);
        for (int round = 0; round < 2000; ++round) {
            // A name beyond ten letters: the letters after the tenth still count.
            const QString name = QStringLiteral("りんごあいうえおかきくけこ");
            QString s = name;
            QVERIFY(addDecoyFrom(hiraganaLetters(), s, random));
            QVERIFY(addDecoyFrom(hiraganaLetters(), s, random));
            QCOMPARE(s.size(), name.size() + 2);
            QVERIFY(s.startsWith(name));
            QVERIFY(hiraganaLetters().contains(s[s.size() - 2]));
            QVERIFY(!name.contains(s[s.size() - 2]));
            QVERIFY(!name.contains(s[s.size() - 1]));
            QVERIFY(s[s.size() - 2] != s[s.size() - 1]);
        }
        // Katakana リ is not hiragana り: り may be drawn for a katakana word.
        bool sawRi = false;
        for (int i = 0; i < 3000 && !sawRi; ++i) {
            QString s = QStringLiteral("リンゴ");
            QVERIFY(addDecoyFrom(hiraganaLetters(), s, random));
            sawRi = s.endsWith(QStringLiteral("り"));
        }
        QVERIFY(sawRi);
    }

    void decoyPickerGivesUpWhenNothingIsLeft()
    {
        Random random(3u);
        QString full = digitLetters();
        QVERIFY(!addDecoyFrom(digitLetters(), full, random));
        QCOMPARE(full, digitLetters());
        // Only one letter left: it is found, however long the draws take.
        QString allButOne = QStringLiteral("０１２３４５６７９");
        QVERIFY(addDecoyFrom(digitLetters(), allButOne, random));
        QCOMPARE(allButOne.back(), QChar(u'８'));
        for (int i = 0; i < 200; ++i) {
            QString s = QStringLiteral("２かい");
            QVERIFY(addDecoyFrom(digitLetters(), s, random));
            QCOMPARE(s.size(), 4);
            QVERIFY(s.back() != QChar(u'２'));
        }
    }

    void decoysAreEvenlySpread()
    {
        Random random(99u);
        QHash<QChar, int> counts;
        const int draws = 46 * 400;
        for (int i = 0; i < draws; ++i) {
            QString s = QStringLiteral("りんご");
            addDecoyFrom(katakanaLetters(), s, random);
            counts[s.back()]++;
        }
        QCOMPARE(counts.size(), 46);
        for (int c : counts) QVERIFY2(c > 300 && c < 500, qPrintable(QString::number(c)));
    }

    void wordOfAFileName_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("word");
        QTest::newRow("kana") << QStringLiteral("りんご.jpg") << QStringLiteral("りんご");
        QTest::newRow("up to the first dot") << QStringLiteral("a.b.gif") << QStringLiteral("a");
        QTest::newRow("nothing before the dot") << QStringLiteral(".jpg") << QString();
        QTest::newRow("no dot") << QStringLiteral("ねこ") << QStringLiteral("ねこ");
    }
    void wordOfAFileName()
    {
        QFETCH(QString, fileName);
        QFETCH(QString, word);
        QCOMPARE(nameWithoutExtension(fileName), word);
    }

    void soundFileOfALetter_data()
    {
        QTest::addColumn<QString>("letter");
        QTest::addColumn<QString>("file");
        QTest::newRow("katakana") << QStringLiteral("ア") << QStringLiteral("あ.wav");
        QTest::newRow("last katakana") << QStringLiteral("ン") << QStringLiteral("ん.wav");
        // Anything above U+30A0 is moved down, the long-vowel mark too.
        QTest::newRow("long-vowel mark") << QStringLiteral("ー") << QString(QChar(0x309C)) + QStringLiteral(".wav");
        QTest::newRow("hiragana") << QStringLiteral("ご") << QStringLiteral("ご.wav");
        QTest::newRow("digit") << QStringLiteral("５") << QStringLiteral("５.wav");
        QTest::newRow("kanji below U+8000") << QStringLiteral("猫") << QString(QChar(0x72CB)) + QStringLiteral(".wav");
        QTest::newRow("kanji from U+8000") << QStringLiteral("魚") << QStringLiteral("魚.wav");
        QTest::newRow("ASCII") << QStringLiteral("a") << QStringLiteral("a.wav");
    }
    void soundFileOfALetter()
    {
        QFETCH(QString, letter);
        QFETCH(QString, file);
        QCOMPARE(letterSoundFile(letter), file);
    }

    void randomIndexStaysInRange()
    {
        Random random(1u);
        for (int n : {1, 3, 7, 21, 101}) {
            QSet<int> seen;
            for (int i = 0; i < 20000; ++i) {
                const int k = random.index(n);
                QVERIFY(k >= 0 && k < n);
                seen << k;
            }
            QCOMPARE(seen.size(), n);
        }
        QCOMPARE(random.index(0), 0);
        QCOMPARE(random.index(-5), 0);
        for (int i = 0; i < 20000; ++i) {
            const float r = random.next();
            QVERIFY(r >= 0.0f && r < 1.0f);
        }
    }

    void aFixedSeedRepeatsTheSequence()
    {
        Random a(42u), b(42u), other(43u);
        QList<float> first, again, fromOther;
        for (int i = 0; i < 8; ++i) first << a.next();
        for (int i = 0; i < 8; ++i) again << b.next();
        for (int i = 0; i < 8; ++i) fromOther << other.next();
        QCOMPARE(again, first);
        QVERIFY(fromOther != first);
        // A reseed starts the sequence over.
        a.reseed();
        QList<float> afterReseed;
        for (int i = 0; i < 8; ++i) afterReseed << a.next();
        QCOMPARE(afterReseed, first);
    }

    void seedFromTheEnvironment_data()
    {
        QTest::addColumn<QByteArray>("value");  // "-": not set
        QTest::addColumn<bool>("hasSeed");
        QTest::addColumn<uint>("seed");
        QTest::newRow("not set") << QByteArray("-") << false << 0u;
        QTest::newRow("number") << QByteArray("42") << true << 42u;
        QTest::newRow("zero") << QByteArray("0") << true << 0u;
        QTest::newRow("empty") << QByteArray("") << false << 0u;
        QTest::newRow("word") << QByteArray("abc") << false << 0u;
        QTest::newRow("trailing text") << QByteArray("42x") << false << 0u;
    }
    void seedFromTheEnvironment()
    {
        QFETCH(QByteArray, value);
        QFETCH(bool, hasSeed);
        QFETCH(uint, seed);
        SeedVariable restore;
        if (value == "-") qunsetenv("MOKURI_SEED");
        else qputenv("MOKURI_SEED", value);
        const std::optional<uint32_t> got = Random::seedFromEnvironment();
        QCOMPARE(got.has_value(), hasSeed);
        if (hasSeed) QCOMPARE(*got, uint32_t(seed));
    }

    void shuffleKeepsTheNames()
    {
        Random random(5u);
        TaskList tasks;
        for (int i = 0; i < 10; ++i) tasks << QString::number(i);
        TaskList shuffled = tasks;
        shuffleTasks(shuffled, random);
        TaskList sorted = shuffled;
        sorted.sort();
        QCOMPARE(sorted, tasks);

        TaskList one{QStringLiteral("only")};
        shuffleTasks(one, random);
        QCOMPARE(one, TaskList{QStringLiteral("only")});
        TaskList none;
        shuffleTasks(none, random);
        QVERIFY(none.isEmpty());
    }

    void shuffleRepeatsWithAFixedSeedAndMixesAcrossSeeds()
    {
        TaskList tasks;
        for (int i = 0; i < 6; ++i) tasks << QString::number(i);
        // Every shuffle reseeds: with a fixed seed each pass gives the same order.
        Random fixed(11u);
        TaskList a = tasks, b = tasks;
        shuffleTasks(a, fixed);
        fixed.next();
        shuffleTasks(b, fixed);
        QCOMPARE(b, a);

        // Over many seeds every task comes first now and then.
        QSet<QString> firsts;
        for (uint32_t seed = 0; seed < 300; ++seed) {
            Random r(seed);
            TaskList t = tasks;
            shuffleTasks(t, r);
            firsts << t.first();
        }
        QCOMPARE(firsts.size(), int(tasks.size()));
    }

    void geometryOfTheWorkedExample_data()
    {
        // 1024 x 768 pixels at 15 twips a pixel.
        QTest::addColumn<int>("slotCount");
        QTest::addColumn<int>("size");
        QTest::addColumn<double>("first");
        QTest::addColumn<double>("second");
        QTest::addColumn<double>("last");
        QTest::addColumn<int>("font");
        QTest::addColumn<float>("rowTop");
        QTest::addColumn<float>("tileTopTwips");
        QTest::newRow("six places") << 6 << 2194 << 313.43 << 2820.86 << 12850.57 << 107 << 343.f << 8983.f;
        QTest::newRow("eight places") << 8 << 1706 << 189.56 << 2085.11 << 13458.44 << 83 << 587.f << 9227.f;
        QTest::newRow("ten places") << 10 << 1396 << 126.91 << 1649.82 << 13833.09 << 68 << 742.f << 9382.f;
    }
    void geometryOfTheWorkedExample()
    {
        QFETCH(int, slotCount);
        QFETCH(int, size);
        QFETCH(double, first);
        QFETCH(double, second);
        QFETCH(double, last);
        QFETCH(int, font);
        QFETCH(float, rowTop);
        QFETCH(float, tileTopTwips);
        const float W = 15360, H = 11520;
        const int lastSlot = slotCount - 1;
        const int16_t tileSize = tileSizeFor(W, lastSlot);
        QCOMPARE(int(tileSize), size);
        QVERIFY(std::fabs(tileLeft(0, tileSize, lastSlot) - first) < 0.01);
        QVERIFY(std::fabs(tileLeft(1, tileSize, lastSlot) - second) < 0.01);
        QVERIFY(std::fabs(tileLeft(lastSlot, tileSize, lastSlot) - last) < 0.01);
        QCOMPARE(tileFontSize(tileSize), font);
        const TwipRect row = modelRowRect(W, H, 3, tileSize);
        QCOMPARE(row.top, rowTop);
        QCOMPARE(tileTop(H, row.top), tileTopTwips);
        QCOMPARE(placedTileLeft(2, tileSize, row.left), row.left + 2.f * float(tileSize));

        // The wrong mark covers the tile where it stands.
        const float left = tileLeft(1, tileSize, lastSlot);
        const TwipRect wrong = wrongMarkRect(H, row.top, left, tileSize);
        QCOMPARE(wrong.left, left);
        QCOMPARE(wrong.top, tileTop(H, row.top));
        QCOMPARE(wrong.width, float(tileSize));
        QCOMPARE(wrong.height, float(tileSize));
        QVERIFY(wrongMarkFontSize(tileSize) > tileFontSize(tileSize));
    }

    void pictureAndModelRowOfTheWorkedExample()
    {
        const float W = 15360, H = 11520;
        const TwipRect img = imageRect(W, H);
        QCOMPARE(img.top, 2880.f);
        QCOMPARE(img.left, 3840.f);
        QCOMPARE(img.width, 7680.f);
        QCOMPARE(img.height, 5760.f);
        const TwipRect three = modelRowRect(W, H, 3, 2194);
        QCOMPARE(three.width, 6582.f);
        QCOMPARE(three.height, 2194.f);
        QCOMPARE(three.left, 4389.f);
        const TwipRect none = modelRowRect(W, H, 0, 2194);
        QCOMPARE(none.width, 0.f);
        QCOMPARE(none.left, 7680.f);
    }

    void rightMarkFromTheWindowSize_data()
    {
        QTest::addColumn<float>("W");
        QTest::addColumn<float>("H");
        QTest::addColumn<int>("fontSize");
        QTest::addColumn<float>("top");
        QTest::addColumn<float>("left");
        QTest::addColumn<float>("width");
        QTest::addColumn<float>("height");
        // 1024 x 768 and 800 x 600 pixels at 15 twips a pixel.
        QTest::newRow("1024x768") << 15360.f << 11520.f << 307 << 2649.f << 4608.f << 7680.f << 5760.f;
        QTest::newRow("800x600") << 12000.f << 9000.f << 240 << 2070.f << 3600.f << 6000.f << 4500.f;
    }
    void rightMarkFromTheWindowSize()
    {
        QFETCH(float, W);
        QFETCH(float, H);
        QFETCH(int, fontSize);
        QFETCH(float, top);
        QFETCH(float, left);
        QFETCH(float, width);
        QFETCH(float, height);
        const MarkGeometry g = rightMarkGeometry(W, H);
        QCOMPARE(g.fontSize, fontSize);
        QCOMPARE(g.top, top);
        QCOMPARE(g.left, left);
        QCOMPARE(g.width, width);
        QCOMPARE(g.height, height);
    }
};

QTEST_GUILESS_MAIN(LettersLayout)
#include "test_letters_layout.moc"
