// SPDX-License-Identifier: GPL-3.0-or-later
// mokuri-voices without a microphone: takes made of synthetic voices, noise and clipping
// cleaned as the recorder cleans them, and the folder's sounds listed and kept.
#include "content/WordLetters.h"
#include "fakes/OtherAccount.h"
#include "fakes/SpokenVoice.h"
#include "fakes/TestFolder.h"
#include "media/WavData.h"
#include "tools/Deck.h"
#include "tools/EffectSounds.h"
#include "tools/LetterVoices.h"
#include "tools/voices/VoiceShelf.h"
#include "tools/voices/VoiceTake.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>

using namespace mokuri;
using namespace mokuri::voices;
using test::readBytes;
using test::writeBytes;

namespace {

constexpr int kRate = 48000;

using Spoken = test::SpokenVoice;

// With `zerosMs` of digital silence before the room, as some devices begin.
Spoken speak(int leadMs, int voiceMs, int trailMs, double level, double noise, int zerosMs = 0)
{
    Spoken take = test::spokenVoice(kRate, leadMs, voiceMs, trailMs, level, noise);
    const std::size_t zeros = std::size_t(kRate) * std::size_t(zerosMs) / 1000;
    take.samples.insert(take.samples.begin(), zeros, 0);
    take.onset += zeros;
    take.end += zeros;
    return take;
}

} // namespace

class VoicesTest : public QObject {
    Q_OBJECT
private slots:
    void aTakeIsTrimmedFadedAndLevelled_data()
    {
        QTest::addColumn<int>("leadMs");
        QTest::addColumn<int>("voiceMs");
        QTest::addColumn<double>("level");
        QTest::addColumn<double>("noise");
        QTest::addColumn<bool>("clipped");
        QTest::addColumn<bool>("cut");
        QTest::addColumn<int>("zerosMs"); // digital silence before the room, as some devices give
        QTest::newRow("a quiet voice after a pause") << 900 << 400 << 1500.0 << 30.0 << false << false << 0;
        QTest::newRow("a loud voice at once") << 0 << 300 << 24000.0 << 30.0 << false << false << 0;
        QTest::newRow("a noisy room") << 400 << 500 << 9000.0 << 700.0 << false << false << 0;
        QTest::newRow("a noisy room after zeros") << 400 << 500 << 9000.0 << 700.0 << false << false << 300;
        QTest::newRow("too close to the microphone") << 300 << 400 << 60000.0 << 30.0 << true << false << 0;
        QTest::newRow("a take left running") << 200 << 11500 << 6000.0 << 30.0 << false << true << 0;
    }
    void aTakeIsTrimmedFadedAndLevelled()
    {
        QFETCH(int, leadMs);
        QFETCH(int, voiceMs);
        QFETCH(double, level);
        QFETCH(double, noise);
        QFETCH(bool, cut);
        QFETCH(int, zerosMs);
        const Spoken take = speak(leadMs, voiceMs, 600, level, noise, zerosMs);
        const double target = deck::effectLoudness();
        const CleanTake clean = cleanTake(take.samples, kRate, target);
        QVERIFY(!clean.samples.empty());
        QTEST(clean.clipped, "clipped");
        QCOMPARE(clean.cut, cut);
        QVERIFY(clean.samples.size() <= std::size_t(kRate) * kMaxTakeSeconds);
        const std::string fault = test::voiceFault(clean.samples, kRate, deck::voicedLoudness(clean.samples), target);
        QVERIFY2(fault.empty(), fault.c_str());
        // No more than the voice and its tail: the room after it is gone.
        if (!cut) QVERIFY(clean.samples.size() < take.end - take.onset + std::size_t(kRate) * 3 / 10);
        QVERIFY(!hasClipping(clean.samples));
        // Faded: no click at either end.
        QVERIFY(std::abs(int(clean.samples.front())) < 200);
        QVERIFY(std::abs(int(clean.samples.back())) < 200);
    }

    void aTakeWithoutAVoiceKeepsNothing()
    {
        QVERIFY(cleanTake(speak(2000, 0, 0, 0, 40).samples, kRate, 3000).samples.empty());
        QVERIFY(cleanTake({}, kRate, 3000).samples.empty());
        // A knock on the table is shorter than any letter.
        QVERIFY(cleanTake(speak(500, 12, 500, 20000, 30).samples, kRate, 3000).samples.empty());
    }

    void theWatchFollowsTheVoiceAsItComes_data()
    {
        QTest::addColumn<int>("leadMs");
        QTest::addColumn<int>("voiceMs");
        QTest::addColumn<double>("level");
        QTest::addColumn<int>("finalState");
        QTest::addColumn<double>("noise");
        QTest::addColumn<int>("zerosMs"); // digital silence before the room, as some devices give
        QTest::newRow("a letter") << 600 << 400 << 8000.0 << int(VoiceWatch::State::Ended) << 200.0 << 0;
        QTest::newRow("a quiet letter") << 300 << 400 << 2500.0 << int(VoiceWatch::State::Ended) << 200.0 << 0;
        QTest::newRow("a noisy room after zeros") << 300 << 400 << 8000.0 << int(VoiceWatch::State::Ended) << 700.0 << 100;
        QTest::newRow("nobody speaks") << 3000 << 0 << 0.0 << int(VoiceWatch::State::Waiting) << 200.0 << 0;
        QTest::newRow("nobody speaks after zeros") << 3000 << 0 << 0.0 << int(VoiceWatch::State::Waiting) << 700.0 << 100;
        QTest::newRow("a knock") << 600 << 15 << 20000.0 << int(VoiceWatch::State::Waiting) << 200.0 << 0;
        QTest::newRow("a voice that goes on") << 100 << 12000 << 8000.0 << int(VoiceWatch::State::TooLong) << 200.0 << 0;
    }
    void theWatchFollowsTheVoiceAsItComes()
    {
        QFETCH(int, leadMs);
        QFETCH(int, voiceMs);
        QFETCH(double, level);
        QFETCH(double, noise);
        QFETCH(int, zerosMs);
        const Spoken take = speak(leadMs, voiceMs, 1000, level, noise, zerosMs);
        VoiceWatch watch(kRate);
        std::size_t fed = 0, startedAt = 0, endedAt = 0;
        for (std::size_t at = 0; at < take.samples.size() && !watch.finished(); at += 480) {
            const std::size_t n = std::min<std::size_t>(480, take.samples.size() - at);
            const auto before = watch.state();
            fed += watch.feed(take.samples.data() + at, n);
            if (before == VoiceWatch::State::Waiting && watch.state() != before) startedAt = at;
            if (watch.finished()) endedAt = at + n;
        }
        QTEST(int(watch.state()), "finalState");
        QCOMPARE(watch.samplesTaken(), fed);
        if (watch.state() == VoiceWatch::State::Ended) {
            // Noticed within 50 ms of the voice's start, and ended once it has been quiet
            // for the pause a speaker makes after a letter, not before.
            QVERIFY(startedAt >= take.onset && startedAt <= take.onset + std::size_t(kRate) / 20);
            QVERIFY(endedAt >= take.end + std::size_t(kRate) * kEndSilenceMs / 1000 - std::size_t(kRate) / 25);
            QVERIFY(endedAt <= take.end + std::size_t(kRate) * (kEndSilenceMs + 100) / 1000);
        }
        if (watch.state() == VoiceWatch::State::TooLong)
            QCOMPARE(fed, std::size_t(kRate) * kMaxTakeSeconds);
        // After its end a watch takes nothing more.
        const std::int16_t more[4] = {};
        if (watch.finished()) QCOMPARE(watch.feed(more, 4), std::size_t(0));
    }

    // The letters the picture words use come first, then the rest of the table, then the
    // effects; each sound is told by who made it.
    void theShelfPutsTheWordsFirstAndKnowsWhoMadeEach()
    {
        QTemporaryDir sounds, pictures;
        for (const char* name : {"りんご.jpg", "ケーキ.bmp", "バナナ.gif", "notes.txt"})
            writeBytes(QDir(pictures.path()).filePath(QString::fromUtf8(name)), "x");
        const QString deckLetter = QStringLiteral("り.wav"), personLetter = QStringLiteral("ん.wav"),
                      changedLetter = QStringLiteral("ば.wav");
        const QByteArray deckBytes = wavBytes(std::vector<std::int16_t>(100, 5), 22050);
        for (const QString& f : {deckLetter, personLetter, changedLetter})
            writeBytes(QDir(sounds.path()).filePath(f), deckBytes);
        writeBytes(QDir(sounds.path()).filePath(changedLetter), deckBytes + "more");
        QHash<QString, deck::MadeLetter> made;
        made.insert(deckLetter, {deck::fileSha256(QDir(sounds.path()).filePath(deckLetter)), QStringLiteral("open-jtalk mei")});
        made.insert(changedLetter, {deck::fileSha256(QDir(sounds.path()).filePath(deckLetter)), QStringLiteral("open-jtalk mei")});
        writeBytes(QDir(sounds.path()).filePath(deck::kVoiceManifest),
                  deckLetter.toUtf8() + '\t' + made[deckLetter].sha256 + "\topen-jtalk mei\n" +
                      changedLetter.toUtf8() + '\t' + made[changedLetter].sha256 + "\topen-jtalk mei\n");
        writeBytes(QDir(sounds.path()).filePath(QStringLiteral("ガチャ.wav")), wavBytes(deck::clickSound(), deck::kEffectRate));
        writeBytes(QDir(sounds.path()).filePath(QStringLiteral("ブー.wav")), deckBytes);

        const std::vector<ShelfSound> shelf = shelfOf(sounds.path(), pictures.path());
        QCOMPARE(shelf.size(), deck::voiceLetters().size() + 3);
        const QSet<QString> wordFiles{QStringLiteral("り.wav"), QStringLiteral("ん.wav"), QStringLiteral("ご.wav"),
                                      QStringLiteral("け.wav"), QStringLiteral("゜.wav"), QStringLiteral("き.wav"),
                                      QStringLiteral("ば.wav"), QStringLiteral("な.wav")};
        QSet<QString> first;
        for (std::size_t i = 0; i < std::size_t(wordFiles.size()); ++i) {
            QVERIFY(shelf[i].wordsNeedIt && !shelf[i].effect);
            first << shelf[i].file;
        }
        QCOMPARE(first, wordFiles);
        for (std::size_t i = std::size_t(wordFiles.size()); i < shelf.size(); ++i) QVERIFY(!shelf[i].wordsNeedIt);
        QVERIFY(shelf[shelf.size() - 3].effect && shelf.back().effect);

        QHash<QString, ShelfSound> on;
        for (const ShelfSound& s : shelf) on.insert(s.file, s);
        // What the adult is asked to say: the letter itself, or the name of a small letter,
        // a digit or the long vowel mark.
        QCOMPARE(on[QStringLiteral("は.wav")].prompt, QStringLiteral("は"));
        QCOMPARE(on[QStringLiteral("っ.wav")].prompt, QStringLiteral("ちいさい ツ"));
        QCOMPARE(on[QStringLiteral("３.wav")].prompt, QStringLiteral("さん"));
        QCOMPARE(on[QStringLiteral("゜.wav")].prompt, QStringLiteral("のばすぼう"));
        QCOMPARE(on[QStringLiteral("゜.wav")].label, QStringLiteral("ー"));
        const std::pair<QString, Maker> makers[] = {
            {deckLetter, Maker::Deck}, {personLetter, Maker::Person}, {changedLetter, Maker::Person},
            {QStringLiteral("ご.wav"), Maker::Missing}, {QStringLiteral("ガチャ.wav"), Maker::Deck},
            {QStringLiteral("ブー.wav"), Maker::Person}, {QStringLiteral("ピンポン.wav"), Maker::Missing}};
        for (const auto& [file, maker] : makers) QVERIFY2(on[file].maker == maker, qPrintable(file));
        // Without a picture folder: the table's order.
        QCOMPARE(shelfOf(sounds.path(), QString()).front().file, QStringLiteral("あ.wav"));
    }

    // A kept take replaces the deck's letter, is noted as a person's, and the deck renewing
    // its letters in another voice leaves it alone.
    void aKeptTakeIsThePersonsForGood()
    {
        QTemporaryDir sounds;
        int spoken = 0;
        auto voiceNamed = [&](const QString& engine, std::size_t length) {
            return deck::LetterVoice{engine, [&spoken, length](const QString&) {
                                         ++spoken;
                                         std::vector<std::int16_t> s(length + 1000, 0);
                                         for (std::size_t i = 500; i < 500 + length; ++i) s[i] = std::int16_t(i % 2 ? 3000 : -3000);
                                         return deck::Spoken{s, 22050, {}};
                                     }};
        };
        deck::DeckMaker first(sounds.path(), voiceNamed(QStringLiteral("old"), 3000), {}, [](const QString&) {});
        first.make(false);
        const QString path = QDir(sounds.path()).filePath(QStringLiteral("あ.wav"));
        QCOMPARE(makerOf(sounds.path(), QStringLiteral("あ.wav"), false), Maker::Deck);

        const std::vector<std::int16_t> take = cleanTake(speak(300, 400, 500, 9000, 30).samples, kRate, deck::effectLoudness()).samples;
        QString message;
        QVERIFY2(keepTake(sounds.path(), QStringLiteral("あ.wav"), take, kRate, &message), qPrintable(message));
        QCOMPARE(readBytes(path), wavBytes(take, kRate));
        QCOMPARE(makerOf(sounds.path(), QStringLiteral("あ.wav"), false), Maker::Person);
        const auto manifest = deck::readVoiceManifest(sounds.path());
        QCOMPARE(manifest.value(QStringLiteral("あ.wav")).engine, deck::kPersonEngine);
        QCOMPARE(manifest.value(QStringLiteral("あ.wav")).sha256, deck::fileSha256(path));

        const QByteArray before = readBytes(QDir(sounds.path()).filePath(QStringLiteral("い.wav")));
        spoken = 0;
        deck::DeckMaker renewal(sounds.path(), voiceNamed(QStringLiteral("new"), 5000), {}, [](const QString&) {});
        renewal.setRenew(true);
        renewal.make(false);
        QCOMPARE(readBytes(path), wavBytes(take, kRate));
        QCOMPARE(spoken, int(deck::voiceLetters().size()) - 1);
        QVERIFY(readBytes(QDir(sounds.path()).filePath(QStringLiteral("い.wav"))) != before);
        QCOMPARE(deck::readVoiceManifest(sounds.path()).value(QStringLiteral("あ.wav")).engine, deck::kPersonEngine);
        QCOMPARE(makerOf(sounds.path(), QStringLiteral("あ.wav"), false), Maker::Person);
    }

    void anEffectComesBackToTheDecksOwn()
    {
        QTemporaryDir sounds;
        const QString chime = QStringLiteral("ピンポン.wav");
        QString message;
        QVERIFY(keepTake(sounds.path(), chime, std::vector<std::int16_t>(500, 100), kRate, &message));
        QCOMPARE(makerOf(sounds.path(), chime, true), Maker::Person);
        QVERIFY2(restoreEffect(sounds.path(), chime, &message), qPrintable(message));
        QCOMPARE(makerOf(sounds.path(), chime, true), Maker::Deck);
        QCOMPARE(readBytes(QDir(sounds.path()).filePath(chime)), wavBytes(deck::chimeSound(), deck::kEffectRate));
        QVERIFY(!restoreEffect(sounds.path(), QStringLiteral("あ.wav"), &message));
    }

    // A folder that takes no file, or a disk that is full: a message, and the sound kept
    // before is still there, whole.
    void aFailedKeepLosesNothing_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("a folder of another account") << QStringLiteral("account");
        QTest::newRow("a full disk") << QStringLiteral("full");
        QTest::newRow("no folder") << QStringLiteral("gone");
    }
    void aFailedKeepLosesNothing()
    {
        QFETCH(QString, how);
        QTemporaryDir sounds;
        QString message;
        const std::vector<std::int16_t> old(300, 7), take(48000, 1000);
        QVERIFY(keepTake(sounds.path(), QStringLiteral("か.wav"), old, kRate, &message));
        const QByteArray kept = readBytes(QDir(sounds.path()).filePath(QStringLiteral("か.wav")));
        const QByteArray manifest = readBytes(QDir(sounds.path()).filePath(deck::kVoiceManifest));
        const QString folder = how == QLatin1String("gone") ? sounds.filePath(QStringLiteral("nothing")) : sounds.path();
        auto attempt = [&] {
            QString why;
            return !keepTake(folder, QStringLiteral("か.wav"), take, kRate, &why) && why.contains(QStringLiteral("これまでの音はそのままです")) == (how != QLatin1String("gone")) && !why.isEmpty();
        };
        if (how == QLatin1String("account")) {
            // Without write bits for anyone: another account (as root) or this one is kept out.
            const auto permissions = QFile::permissions(sounds.path());
            QVERIFY(QFile::setPermissions(sounds.path(), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                                             QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther));
            const bool refused = test::asAnotherAccount(attempt);
            QFile::setPermissions(sounds.path(), permissions);
            QVERIFY(refused);
        } else if (how == QLatin1String("full")) {
            const pid_t child = ::fork(); // the limit must not reach the test runner
            if (child == 0) {
                ::signal(SIGXFSZ, SIG_IGN);
                const rlimit small{4096, 4096};
                ::setrlimit(RLIMIT_FSIZE, &small);
                ::_exit(attempt() ? 0 : 1);
            }
            int status = -1;
            QVERIFY(child > 0 && ::waitpid(child, &status, 0) == child);
            QCOMPARE(status, 0);
        } else {
            QVERIFY(attempt());
        }
        QCOMPARE(readBytes(QDir(sounds.path()).filePath(QStringLiteral("か.wav"))), kept);
        QCOMPARE(readBytes(QDir(sounds.path()).filePath(deck::kVoiceManifest)), manifest);
        const QStringList left = QDir(sounds.path()).entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(left.size(), 2);
    }
};

QTEST_GUILESS_MAIN(VoicesTest)
#include "test_voices.moc"
