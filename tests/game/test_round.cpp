// SPDX-License-Identifier: GPL-3.0-or-later
// The question engine alone, on fake sound and speech and a fixed seed: no window, no clock.
#include "fakes/RoundRig.h"

#include <QSet>
#include <QSignalSpy>
#include <QTemporaryFile>
#include <QTest>
#include <QTimer>
#include <memory>

using namespace mokuri;
using namespace mokuri::test;
using namespace Qt::Literals::StringLiterals;

namespace {

// A round on the given pictures, started: the first question is being spoken.
struct Rig : RoundRig {
    using RoundRig::RoundRig;

    void finishSpeaking()
    {
        QVERIFY(round->speaking());
        speech.finishSpeaking();
        QVERIFY(!round->speaking());
    }
    // The untaken tile that carries the letter (the `skip`-th such tile).
    int freeTileWith(const QString& letter, int skip = 0) const
    {
        for (int i = 0; i < q().tileCount(); ++i)
            if (q().tileLetter(i) == letter && !q().isPlaced(i) && skip-- == 0) return i;
        return -1;
    }
    // The child takes a tile once the sound before has ended; every sound the engine waits
    // for is then heard to its end, and the last click or buzzer is left playing.
    int waits = 0;
    void take(int tile)
    {
        sound.finish();
        if (round->settings().takeTile == TakeTile::ByTouch) round->onTileTouched(tile);
        else round->onTileClicked(tile);
        settle();
    }
    void settle()
    {
        while (sound.isPlaying() && (round->phase() == Round::Phase::LetterSounding ||
                                     round->phase() == Round::Phase::WordDone)) {
            ++waits;
            sound.finish();
        }
    }
    void buildWord()
    {
        const QString word = q().word;
        for (QChar c : word) take(freeTileWith(QString(c)));
    }
};

Settings withDecoys(DecoyCount count, DecoyKind kind)
{
    Settings s;
    s.decoyCount = count;
    s.decoyKind = kind;
    return s;
}

} // namespace

class RoundTest : public QObject {
    Q_OBJECT

private slots:
    void wholeWordBuiltRight()
    {
        Rig rig({QStringLiteral("りんご.bmp"), QStringLiteral("いぬ.bmp"), QStringLiteral("ねこ.bmp"), QStringLiteral("とり.bmp")});
        Round& round = *rig.round;
        const QString word = nameWithoutExtension(round.tasks()[0]);
        QCOMPARE(rig.q().word, word);
        QCOMPARE(rig.q().tileLetters.join(QString()), word);
        QCOMPARE(rig.q().lastSlot, 5);
        QCOMPARE(rig.speech.spoken.last(), word + QStringLiteral("、と、並べましょう"));

        QSignalSpy placed(&round, &Round::tilePlaced);
        QSignalSpy done(&round, &Round::wordDone);
        QSignalSpy ready(&round, &Round::questionReady);
        QSignalSpy starting(&round, &Round::questionStarting);

        // While the instruction is spoken the tiles do nothing.
        rig.take(0);
        QCOMPARE(rig.q().nextLetter, 0);
        QVERIFY(rig.sound.played.isEmpty());
        rig.finishSpeaking();

        QStringList expected;
        for (int k = 0; k < word.size(); ++k) {
            const int tile = rig.freeTileWith(word.mid(k, 1));
            rig.take(tile);
            QCOMPARE(rig.q().nextLetter, k + 1);
            QCOMPARE(placed.last(), QList<QVariant>({tile, k}));
            QCOMPARE(rig.q().placedAt[size_t(tile)], k);
            expected << word.mid(k, 1) + QStringLiteral(".wav") << QStringLiteral("ガチャ.wav");
        }
        expected << QStringLiteral("ピンポン.wav");
        QCOMPARE(rig.sound.played, expected);
        QCOMPARE(rig.waits, word.size() + 2);  // each letter, the last ガチャ, the chime
        QCOMPARE(done.size(), 1);
        QVERIFY(rig.q().wordDone);
        QCOMPARE(rig.speech.spoken.last(), QStringLiteral("よくできました。これが、") + word + QStringLiteral("、だね。"));
        QVERIFY(round.nextQuestionPending());

        // The pause lasts while the praise is spoken.
        round.onNextQuestionTimer();
        QCOMPARE(ready.size(), 0);
        rig.speech.finishSpeaking();
        round.onNextQuestionTimer();
        QVERIFY(!round.nextQuestionPending());
        QCOMPARE(ready.size(), 1);
        QCOMPARE(starting.last().first().toString(), QStringLiteral("data/") + round.tasks()[1]);
        QCOMPARE(rig.q().word, nameWithoutExtension(round.tasks()[1]));
        QCOMPARE(rig.q().nextLetter, 0);
        QVERIFY(!rig.q().wordDone);
    }

    void everyPictureOncePerPassThenANewOrder()
    {
        const QStringList pictures{QStringLiteral("あ.bmp"), QStringLiteral("い.bmp"), QStringLiteral("う.bmp"),
                                   QStringLiteral("え.bmp")};
        Rig rig(pictures);
        QSignalSpy upcoming(rig.round.get(), &Round::upcomingPicture);
        QStringList order;
        for (int n = 0; n < 8; ++n) {
            rig.finishSpeaking();
            order << rig.q().picture;
            QCOMPARE(rig.q().taskIndex, n % 4);
            rig.take(rig.freeTileWith(rig.q().word));
            rig.speech.finishSpeaking();
            rig.round->onNextQuestionTimer();
        }
        QCOMPARE(QSet<QString>(order.begin(), order.begin() + 4), QSet<QString>(pictures.begin(), pictures.end()));
        QCOMPARE(QSet<QString>(order.begin() + 4, order.end()), QSet<QString>(pictures.begin(), pictures.end()));
        // Each question names the next picture to decode ahead, and a new order its first one.
        QVERIFY(upcoming.size() >= 8);
    }

    void wrongTileRetriesTheSamePicture()
    {
        Rig rig({QStringLiteral("とけい.bmp")}, withDecoys(DecoyCount::Two, DecoyKind::Hiragana));
        Round& round = *rig.round;
        QCOMPARE(rig.q().tileCount(), 5);
        QSignalSpy wrong(&round, &Round::wrongTile);
        QSignalSpy starting(&round, &Round::questionStarting);
        rig.finishSpeaking();
        rig.take(rig.freeTileWith(QStringLiteral("と")));
        rig.sound.played.clear();

        const int decoy = 3;  // the tiles after the word carry the decoys
        const QString decoyLetter = rig.q().tileLetter(decoy);
        rig.take(decoy);
        QCOMPARE(rig.sound.played, QStringList({decoyLetter + QStringLiteral(".wav"), QStringLiteral("ブー.wav")}));
        QCOMPARE(wrong.size(), 1);
        QCOMPARE(wrong.last().first().toInt(), decoy);
        QCOMPARE(rig.q().wrongTile, decoy);
        QVERIFY(round.retryPending());

        // Nothing reacts during the pause; the retry waits for the buzzer to end.
        rig.take(rig.freeTileWith(QStringLiteral("け")));
        QCOMPARE(rig.q().nextLetter, 1);
        rig.take(rig.freeTileWith(QStringLiteral("け")));
        rig.sound.play(QStringLiteral("ブー.wav"));
        const int spokenBefore = int(rig.speech.spoken.size());
        round.onRetryTimer();
        QCOMPARE(starting.size(), 0);
        rig.sound.finish();
        round.onRetryTimer();
        QVERIFY(!round.retryPending());
        QCOMPARE(starting.size(), 1);
        QCOMPARE(rig.q().word, QStringLiteral("とけい"));
        QCOMPARE(rig.q().nextLetter, 0);
        QCOMPARE(rig.q().wrongTile, -1);
        QCOMPARE(rig.speech.spoken.size(), spokenBefore + 1);
        rig.finishSpeaking();
        rig.take(rig.freeTileWith(QStringLiteral("と")));
        QCOMPARE(rig.q().nextLetter, 1);  // touches count again
    }

    void repeatedLetterTakenFromEitherTile()
    {
        Rig rig({QStringLiteral("とまと.bmp")});
        rig.finishSpeaking();
        rig.take(2);  // the second と is right at the first place
        QCOMPARE(rig.q().placedAt[2], 0);
        rig.take(1);
        rig.take(0);
        QCOMPARE(rig.q().nextLetter, 3);
        QVERIFY(rig.q().wordDone);
    }

    void touchOrClick_data()
    {
        QTest::addColumn<TakeTile>("setting");
        QTest::addColumn<bool>("byTouch");
        QTest::addColumn<bool>("taken");
        QTest::newRow("click mode, click") << TakeTile::ByClick << false << true;
        QTest::newRow("click mode, pointer moves over") << TakeTile::ByClick << true << false;
        QTest::newRow("touch mode, touch") << TakeTile::ByTouch << true << true;
        QTest::newRow("touch mode, click") << TakeTile::ByTouch << false << false;
    }
    void touchOrClick()
    {
        QFETCH(TakeTile, setting);
        QFETCH(bool, byTouch);
        QFETCH(bool, taken);
        Settings s;
        s.takeTile = setting;
        Rig rig({QStringLiteral("いぬ.bmp")}, s);
        rig.finishSpeaking();
        const int tile = rig.freeTileWith(QStringLiteral("い"));
        byTouch ? rig.round->onTileTouched(tile) : rig.round->onTileClicked(tile);
        rig.settle();
        QCOMPARE(rig.q().nextLetter, taken ? 1 : 0);
        // A placed tile ignores the pointer passing over it again.
        byTouch ? rig.round->onTileTouched(tile) : rig.round->onTileClicked(tile);
        QCOMPARE(rig.sound.played.size(), taken ? 2 : 0);
    }

    void touchesThatAreNotJudged()
    {
        Rig rig({QStringLiteral("いぬ.bmp")}, withDecoys(DecoyCount::One, DecoyKind::Digits));
        rig.finishSpeaking();
        // A sound still playing drops the touch, it is not queued.
        rig.sound.play(QStringLiteral("ガチャ.wav"));
        rig.round->onTileClicked(rig.freeTileWith(QStringLiteral("い")));
        QCOMPARE(rig.q().nextLetter, 0);
        rig.sound.finish();
        rig.sound.played.clear();
        // Tiles beyond this question (hidden leftovers of a longer word) and nonsense.
        for (int tile : {3, kMaxTiles - 1, kMaxTiles, -1}) rig.take(tile);
        QVERIFY(rig.sound.played.isEmpty());
        // Once the word is complete the decoy does nothing.
        rig.buildWord();
        const qsizetype played = rig.sound.played.size();
        rig.take(2);
        QCOMPARE(rig.sound.played.size(), played);
        QCOMPARE(rig.q().wrongTile, -1);
    }

    void katakanaTilePlaysTheHiraganaFile()
    {
        Rig rig({QStringLiteral("ケーキ.bmp")});
        rig.finishSpeaking();
        rig.take(0);
        rig.take(1);
        QCOMPARE(rig.sound.played.mid(0, 4), QStringList({QStringLiteral("け.wav"), QStringLiteral("ガチャ.wav"),
                                                          QString(QChar(0x309C)) + QStringLiteral(".wav"),
                                                          QStringLiteral("ガチャ.wav")}));
    }

    void settingsShapeTheQuestion_data()
    {
        QTest::addColumn<Settings>("settings");
        QTest::addColumn<QString>("picture");
        QTest::addColumn<int>("tiles");
        QTest::addColumn<QString>("decoyTable");
        QTest::addColumn<QString>("instruction");
        Settings readName;
        readName.instruction = Instruction::ReadThePicture;
        QTest::newRow("no decoys, read the picture") << readName << QStringLiteral("いぬ.bmp") << 2 << QString()
                                                     << QStringLiteral("この名前を並べましょう");
        QTest::newRow("one hiragana") << withDecoys(DecoyCount::One, DecoyKind::Hiragana) << QStringLiteral("いぬ.bmp") << 3
                                      << hiraganaLetters() << QStringLiteral("いぬ、と、並べましょう");
        QTest::newRow("two katakana") << withDecoys(DecoyCount::Two, DecoyKind::Katakana) << QStringLiteral("いぬ.bmp") << 4
                                      << katakanaLetters() << QStringLiteral("いぬ、と、並べましょう");
        QTest::newRow("two digits") << withDecoys(DecoyCount::Two, DecoyKind::Digits) << QStringLiteral("いぬ.bmp") << 4
                                    << digitLetters() << QStringLiteral("いぬ、と、並べましょう");
        // Hand-edited files: a count above two adds one decoy, an unknown kind none.
        QTest::newRow("count 5") << withDecoys(DecoyCount(5), DecoyKind::Hiragana) << QStringLiteral("いぬ.bmp") << 3
                                 << hiraganaLetters() << QStringLiteral("いぬ、と、並べましょう");
        QTest::newRow("kind 7") << withDecoys(DecoyCount::Two, DecoyKind(7)) << QStringLiteral("いぬ.bmp") << 2 << QString()
                                << QStringLiteral("いぬ、と、並べましょう");
        // Twelve letters: word and tiles keep ten, the instruction says all twelve, and the
        // wanted decoys do not survive the cut.
        QTest::newRow("twelve letters") << withDecoys(DecoyCount::Two, DecoyKind::Hiragana)
                                        << QStringLiteral("あいうえおかきくけこさし.bmp") << 10 << QString()
                                        << QStringLiteral("あいうえおかきくけこさし、と、並べましょう");
    }
    void settingsShapeTheQuestion()
    {
        QFETCH(Settings, settings);
        QFETCH(QString, picture);
        QFETCH(int, tiles);
        QFETCH(QString, decoyTable);
        QFETCH(QString, instruction);
        Rig rig({picture}, settings);
        const Question& q = rig.q();
        QCOMPARE(q.tileCount(), tiles);
        QCOMPARE(q.word, nameWithoutExtension(picture).left(kMaxTiles));
        QVERIFY(q.tileLetters.join(QString()).startsWith(q.word));
        for (const QString& decoy : q.tileLetters.mid(q.wordLength())) {
            QVERIFY(decoyTable.contains(decoy));
            QCOMPARE(q.tileLetters.count(decoy), 1);
        }
        QCOMPARE(rig.speech.spoken.last(), instruction);
        QCOMPARE(q.lastSlot, std::max(tiles, 6) - 1);
        QSet<int> places(q.tileSlots.begin(), q.tileSlots.begin() + q.lastSlot + 1);
        QCOMPARE(places.size(), q.lastSlot + 1);  // a permutation of the row's places
    }

    void wordsOfEveryKindOfName_data()
    {
        QTest::addColumn<QString>("picture");
        QTest::addColumn<QStringList>("tiles");
        QTest::addColumn<QString>("firstSound");
        // A Mac names files in decomposed form: カ + combining ゙ must be the one letter ガ.
        QTest::newRow("decomposed") << QStringLiteral("ガム.bmp").normalized(QString::NormalizationForm_D)
                                    << QStringList{QStringLiteral("ガ"), QStringLiteral("ム")} << QStringLiteral("が.wav");
        // Letters beyond the BMP are two UTF-16 units: one tile, one sound file each.
        QTest::newRow("emoji") << QStringLiteral("🍎🐶.jpg") << QStringList{QStringLiteral("🍎"), QStringLiteral("🐶")}
                               << QStringLiteral("🍎.wav");
        // The ten-letter limit counts letters, not units.
        QTest::newRow("eleven emoji") << QStringLiteral("🍎🍎🍎🍎🍎🍎🍎🍎🍎🍎🐶.jpg")
                                      << QStringList(10, QStringLiteral("🍎")) << QStringLiteral("🍎.wav");
    }
    void wordsOfEveryKindOfName()
    {
        QFETCH(QString, picture);
        QFETCH(QStringList, tiles);
        QFETCH(QString, firstSound);
        Rig rig({picture});
        QCOMPARE(rig.q().tileLetters, tiles);
        QCOMPARE(rig.q().wordLength(), int(tiles.size()));
        QCOMPARE(rig.q().picture, picture);  // the file is still opened by its own name
        rig.finishSpeaking();
        rig.take(0);
        QCOMPARE(rig.sound.played.first(), firstSound);
        QCOMPARE(rig.q().nextLetter, 1);
    }

    void missingSoundsDoNotStopTheGame()
    {
        Rig rig({QStringLiteral("いぬ.bmp"), QStringLiteral("ねこ.bmp")});
        rig.sound.missing = QStringList({QStringLiteral("い.wav"), QStringLiteral("ぬ.wav"), QStringLiteral("ね.wav"),
                                         QStringLiteral("こ.wav"), QStringLiteral("ガチャ.wav"),
                                         QStringLiteral("ピンポン.wav"), QStringLiteral("ブー.wav")});
        rig.finishSpeaking();
        rig.buildWord();
        QVERIFY(rig.sound.played.isEmpty());
        QVERIFY(rig.q().wordDone);
        QVERIFY(rig.round->nextQuestionPending());
    }

    void praiseWithoutPraiseLines()
    {
        Rig rig({QStringLiteral("いぬ.bmp")}, {}, {});
        rig.finishSpeaking();
        rig.buildWord();
        QCOMPARE(rig.speech.spoken.last(), QStringLiteral("。これが、いぬ、だね。"));
    }

    void adultKeys_data()
    {
        QTest::addColumn<AdultKey>("key");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QByteArray>("request");
        QTest::newRow("Esc") << AdultKey::Quit << QStringLiteral("27") << QByteArray(SIGNAL(quitRequested()));
        QTest::newRow("H") << AdultKey::Settings << QStringLiteral("72") << QByteArray(SIGNAL(settingsRequested()));
        QTest::newRow("N") << AdultKey::PictureChoice << QStringLiteral("78")
                           << QByteArray(SIGNAL(pictureChoiceRequested()));
    }
    void adultKeys()
    {
        QFETCH(AdultKey, key);
        QFETCH(QString, code);
        QFETCH(QByteArray, request);
        Rig rig({QStringLiteral("いぬ.bmp")});
        rig.finishSpeaking();
        rig.buildWord();  // the praise is being spoken and the next question is due
        QSignalSpy requested(rig.round.get(), request.constData());
        QVERIFY(rig.round->nextQuestionPending());
        const int stopsBefore = rig.speech.stops;
        rig.round->onAdultKey(key);
        QCOMPARE(requested.size(), 1);
        QVERIFY(!rig.speech.speaking);
        QCOMPARE(rig.speech.stops, stopsBefore + 1);
        QVERIFY(rig.sound.stops > 0);
        // Whatever key: the next question waits for start().
        QVERIFY(!rig.round->nextQuestionPending());
        QCOMPARE(rig.round->phase(), Round::Phase::Paused);
        QCOMPARE(rig.traceLines().last(), QStringLiteral("key\t") + code);
    }

    // What a touch does when it comes while the engine waits for a sound: it is kept and
    // handled once the sound has ended, after the verdict, where the click sound that
    // verdict started drops it (or, with no click file, lets it through).
    void touchWhileALetterSounds_data()
    {
        QTest::addColumn<bool>("firstRight");
        QTest::addColumn<bool>("clickMissing");
        QTest::addColumn<int>("lettersPlaced");
        QTest::addColumn<QStringList>("sounds");
        QTest::newRow("right, click heard: dropped") << true << false << 1
                                                   << QStringList{u"と.wav"_s, u"ガチャ.wav"_s};
        QTest::newRow("right, no click file: taken") << true << true << 2 << QStringList{u"と.wav"_s, u"け.wav"_s};
        QTest::newRow("wrong: the retry is pending") << false << false << 0 << QStringList{u"け.wav"_s, u"ブー.wav"_s};
    }
    void touchWhileALetterSounds()
    {
        QFETCH(bool, firstRight);
        QFETCH(bool, clickMissing);
        QFETCH(int, lettersPlaced);
        QFETCH(QStringList, sounds);
        Rig rig({QStringLiteral("とけい.bmp")});
        if (clickMissing) rig.sound.missing << QStringLiteral("ガチャ.wav");
        rig.finishSpeaking();
        QSignalSpy placed(rig.round.get(), &Round::tilePlaced);
        rig.round->onTileClicked(rig.freeTileWith(firstRight ? QStringLiteral("と") : QStringLiteral("け")));
        QCOMPARE(rig.round->phase(), Round::Phase::LetterSounding);
        // Clicks during the letter: nothing is judged or played yet.
        rig.round->onTileClicked(rig.freeTileWith(QStringLiteral("け")));
        rig.round->onTileClicked(rig.freeTileWith(QStringLiteral("け")));
        QCOMPARE(placed.size(), 0);
        QCOMPARE(rig.sound.played.size(), 1);
        rig.sound.finish();
        QCOMPARE(rig.sound.played, sounds);
        QCOMPARE(rig.q().nextLetter, firstRight ? 1 : 0);
        rig.sound.finish();  // the second letter, when one was taken
        QCOMPARE(rig.q().nextLetter, lettersPlaced);
        QCOMPARE(rig.round->retryPending(), !firstRight);
    }

    // Esc, H and N act in the middle of a sound; nothing of the cut question follows.
    void adultKeyDuringALongSound_data()
    {
        QTest::addColumn<AdultKey>("key");
        QTest::addColumn<bool>("atTheChime");
        QTest::newRow("Esc during a letter") << AdultKey::Quit << false;
        QTest::newRow("H during a letter") << AdultKey::Settings << false;
        QTest::newRow("N during the chime") << AdultKey::PictureChoice << true;
    }
    void adultKeyDuringALongSound()
    {
        QFETCH(AdultKey, key);
        QFETCH(bool, atTheChime);
        Rig rig({QStringLiteral("いぬ.bmp")});
        rig.finishSpeaking();
        if (atTheChime) {
            rig.take(rig.freeTileWith(QStringLiteral("い")));
            rig.sound.finish();
            rig.round->onTileClicked(rig.freeTileWith(QStringLiteral("ぬ")));
            rig.sound.finish();  // the letter; the click follows, then the chime
            rig.sound.finish();
            QCOMPARE(rig.sound.played.last(), QStringLiteral("ピンポン.wav"));
        } else {
            rig.round->onTileClicked(rig.freeTileWith(QStringLiteral("い")));
        }
        QVERIFY(rig.sound.isPlaying());
        const QStringList before = rig.traceLines();
        rig.round->onAdultKey(key);
        QVERIFY(!rig.sound.isPlaying());
        QCOMPARE(rig.round->phase(), Round::Phase::Paused);
        rig.sound.finish();  // a stopped sound ends nothing
        rig.round->onTileClicked(0);
        rig.round->onNextQuestionTimer();
        QCOMPARE(rig.traceLines().mid(before.size()), QStringList{u"key\t"_s + (key == AdultKey::Quit ? u"27"_s : key == AdultKey::Settings ? u"72"_s : u"78"_s)});
        QCOMPARE(rig.speech.spoken.size(), 1);
        rig.round->start();
        QCOMPARE(rig.round->phase(), Round::Phase::Instruction);
        QCOMPARE(rig.q().nextLetter, 0);
    }

    // The engine owns its timers; precise, since a coarse one may fire 5 % early and cut
    // the half second the wrong mark is shown.
    void timersBelongToTheEngine()
    {
        Rig rig({QStringLiteral("いぬ.bmp")});
        for (auto [name, ms] : {std::pair{"Timer1", 500}, std::pair{"Timer2", 1000}}) {
            auto* timer = rig.round->findChild<QTimer*>(QString::fromLatin1(name));
            QVERIFY2(timer, name);
            QCOMPARE(timer->interval(), ms);
            QCOMPARE(timer->timerType(), Qt::PreciseTimer);
            QVERIFY(!timer->isActive());
        }
    }

    // The first order drawn during start-up is the one the first question asks from, and
    // its instruction was handed to the voice ahead; a fixed seed gives the same run.
    void firstInstructionMadeAhead()
    {
        const QStringList pictures{u"いぬ.bmp"_s, u"ねこ.bmp"_s, u"とり.bmp"_s, u"うし.bmp"_s};
        FakeSound sound;
        FakeSpeech speech;
        Random random{2024u};
        Trace trace;
        Round round(PictureFolder{u"data"_s, pictures}, pictures, Settings{}, {}, sound, speech, random, trace);
        round.prepareFirstQuestion();
        QCOMPARE(speech.prepared.size(), 1);
        round.start();
        QCOMPARE(speech.spoken, speech.prepared.mid(0, 1));
        Rig plain(pictures);  // started without it, on the same seed
        QCOMPARE(round.question().picture, plain.q().picture);
    }

    void traceOfAQuestion()
    {
        Rig rig({QStringLiteral("とけい.bmp")}, withDecoys(DecoyCount::One, DecoyKind::Digits));
        rig.finishSpeaking();
        const QStringList lines = rig.traceLines();
        QCOMPARE(lines.size(), 3);
        QVERIFY2(lines[0].startsWith(QStringLiteral("question\tindex=0\tword=とけい\ttiles=とけい")), qPrintable(lines[0]));
        QVERIFY(lines[0].contains(QStringLiteral("\tslots=")));
        QVERIFY(lines[0].endsWith(QStringLiteral("\tpicture=とけい.bmp")));
        QCOMPARE(lines[1], QStringLiteral("speak\tとけい、と、並べましょう"));
        QCOMPARE(lines[2], QStringLiteral("speech-ended"));
        rig.take(rig.freeTileWith(QStringLiteral("け")));
        QCOMPARE(rig.traceLines().mid(3), QStringList({QStringLiteral("sound\tけ.wav"), QStringLiteral("wrong\tけ"),
                                                       QStringLiteral("sound\tブー.wav")}));
    }

    void aFixedSeedRepeatsTheRun()
    {
        const QStringList pictures{QStringLiteral("いぬ.bmp"), QStringLiteral("ねこ.bmp"), QStringLiteral("とり.bmp"),
                                   QStringLiteral("うし.bmp"), QStringLiteral("さかな.bmp")};
        auto run = [&] {
            Rig rig(pictures, withDecoys(DecoyCount::Two, DecoyKind::Katakana));
            QStringList seen;
            for (int n = 0; n < 7; ++n) {
                rig.finishSpeaking();
                QStringList places;
                for (int slot : rig.q().tileSlots) places << QString::number(slot);
                seen << rig.q().tileLetters.join(QString()) + places.join(u',');
                rig.buildWord();
                seen << rig.speech.spoken.last();
                rig.speech.finishSpeaking();
                rig.round->onNextQuestionTimer();
            }
            return seen;
        };
        QCOMPARE(run(), run());
    }
};

QTEST_MAIN(RoundTest)
#include "test_round.moc"
