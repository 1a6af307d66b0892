// SPDX-License-Identifier: GPL-3.0-or-later
// The pieces of mokuri-deck that the runs of the whole tool cannot reach: the GIF writer on
// hard images, the WAV files at their edges, voice trimming, every letter a tile can carry,
// and writes that must not replace.
#include "game/Letters.h"
#include "media/WavData.h"
#include "tools/Deck.h"
#include "tools/DeckWords.h"
#include "tools/GifWriter.h"
#include "tools/LetterVoices.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <SDL.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace mokuri;
using namespace mokuri::deck;

namespace {

template <class Colour>
QImage painted(int width, int height, Colour colour)
{
    QImage img(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) img.setPixel(x, y, colour(x, y));
    return img;
}

} // namespace

class DeckPartsTest : public QObject {
    Q_OBJECT

private slots:
    void gifDecodesToTheReducedImage_data()
    {
        QTest::addColumn<QImage>("image");
        // Noise fills giflib's code table many times over; flat areas make long codes; a
        // single colour needs the smallest colour table giflib takes.
        QRandomGenerator rng(7);
        QTest::newRow("noise") << painted(300, 200, [&](int, int) { return rng.generate() | 0xFF000000u; });
        QTest::newRow("flat, odd width") << painted(641, 3, [](int, int) { return qRgb(250, 240, 230); });
        QTest::newRow("gradients") << painted(97, 61, [](int x, int y) { return qRgb(x * 2, y * 4, (x + y) % 7 * 30); });
        QTest::newRow("one pixel") << painted(1, 1, [](int, int) { return qRgb(255, 0, 0); });
    }

    void gifDecodesToTheReducedImage()
    {
        QFETCH(QImage, image);
        const QImage reduced = reduceTo256Colours(image);
        QVERIFY(reduced.colorCount() <= 256);
        const QImage decoded = QImage::fromData(encodeGif(image), "GIF");
        QVERIFY2(!decoded.isNull(), "Qt cannot read the GIF");
        QCOMPARE(decoded.size(), image.size());
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if ((decoded.pixel(x, y) & 0xFFFFFF) != (reduced.pixel(x, y) & 0xFFFFFF))
                    QFAIL(qPrintable(QStringLiteral("pixel %1,%2 differs").arg(x).arg(y)));
    }

    void fewColoursSurviveReductionExactly()
    {
        // A drawing with few colours must not be changed by the reduction at all.
        const QRgb colours[] = {qRgb(255, 0, 0), qRgb(0, 128, 0), qRgb(16, 16, 240), qRgb(255, 250, 235)};
        const QImage img = painted(64, 64, [&](int x, int y) { return colours[(x / 8 + y / 16) % 4]; });
        const QImage decoded = QImage::fromData(encodeGif(img), "GIF").convertToFormat(QImage::Format_RGB32);
        QCOMPARE(decoded, img);
    }

    // A drawing of many shades on white, as the deck's pictures are: the white stays white
    // (giflib's own palette would make it 248, 248, 248) and no pixel moves far.
    void manyColoursOnWhiteStayClose()
    {
        const QImage img = painted(200, 120, [](int x, int y) {
            const int dx = x - 100, dy = y - 60;
            return dx * dx + dy * dy > 50 * 50 ? qRgb(255, 255, 255) : qRgb(x, 255 - y, (x * y) % 256);
        });
        const QImage reduced = reduceTo256Colours(img);
        QVERIFY(reduced.colorCount() > 200 && reduced.colorCount() <= 256);
        QCOMPARE(reduced.pixel(0, 0) & 0xFFFFFF, 0xFFFFFFu);
        int worst = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const QRgb a = img.pixel(x, y), b = reduced.pixel(x, y);
                worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                  std::abs(qBlue(a) - qBlue(b))});
            }
        QVERIFY2(worst <= 48, qPrintable(QString::number(worst)));
    }

    void wavIsReadBackAsWritten_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("rate");
        QTest::newRow("no sound") << 0 << 22050;
        QTest::newRow("one sample") << 1 << 8000;
        QTest::newRow("odd count") << 1001 << 44100;
        QTest::newRow("a second") << 22050 << 22050;
    }

    void wavIsReadBackAsWritten()
    {
        QFETCH(int, count);
        QFETCH(int, rate);
        std::vector<int16_t> samples(static_cast<size_t>(count));
        QRandomGenerator rng(static_cast<quint32>(count));
        for (int16_t& s : samples) s = int16_t(rng.bounded(-32768, 32768));
        const QByteArray bytes = wavBytes(samples, rate);
        SDL_AudioSpec spec{};
        Uint8* buf = nullptr;
        Uint32 len = 0;
        QVERIFY2(SDL_LoadWAV_RW(SDL_RWFromConstMem(bytes.constData(), int(bytes.size())), 1, &spec, &buf, &len),
                 SDL_GetError());
        const std::vector<int16_t> read(reinterpret_cast<int16_t*>(buf), reinterpret_cast<int16_t*>(buf + len));
        SDL_FreeWAV(buf);
        QCOMPARE(spec.freq, rate);
        QCOMPARE(int(spec.channels), 1);
        QCOMPARE(spec.format, Uint16(AUDIO_S16LSB));
        QVERIFY(read == samples);
    }

    void tidyVoiceCutsSilenceAndLevels()
    {
        const int rate = 10000;
        std::vector<int16_t> raw(3000, 0);                        // 0.3 s of silence
        for (int i = 0; i < 2000; ++i) raw.push_back(i % 20 < 10 ? 5000 : -5000); // the sound
        raw.insert(raw.end(), 4000, 3);                           // a long quiet tail
        const std::vector<int16_t> tidy = tidyVoice(raw, rate);
        QVERIFY(!tidy.empty());
        // At most the few milliseconds kept before the onset.
        size_t firstLoud = 0;
        while (std::abs(tidy[firstLoud]) < 1000) ++firstLoud;
        QVERIFY2(firstLoud <= rate * 5 / 1000, qPrintable(QString::number(firstLoud)));
        QVERIFY(tidy.size() < 2000 + size_t(rate) / 10 + 50);
        QVERIFY(tidy.size() >= 2000);
        int peak = 0;
        for (int16_t s : tidy) peak = std::max(peak, std::abs(int(s)));
        QVERIFY(peak > 28000 && peak <= 32767);
        QCOMPARE(tidy.back(), int16_t(0)); // faded out, no click at the end

        QVERIFY(tidyVoice(std::vector<int16_t>(5000, 0), rate).empty());
        QVERIFY(tidyVoice({}, rate).empty());
    }

    // A letter is brought to the loudness asked for, its pauses not counted, unless that
    // would clip it: then its peak stays under full scale.
    void matchLoudnessLevelsWithoutClipping_data()
    {
        QTest::addColumn<int>("amplitude"); // of a square wave
        QTest::addColumn<int>("spike");     // one sample this loud in it; 0 for none
        QTest::addColumn<double>("target");
        QTest::addColumn<double>("expected"); // voicedLoudness afterwards
        QTest::newRow("quiet, brought up") << 1000 << 0 << 7000.0 << 7000.0;
        QTest::newRow("loud, brought down") << 20000 << 0 << 7000.0 << 7000.0;
        QTest::newRow("a spike limits the gain") << 1000 << 10000 << 7000.0 << 1000.0 * 0.95 * 32767 / 10000;
    }
    void matchLoudnessLevelsWithoutClipping()
    {
        QFETCH(int, amplitude);
        QFETCH(int, spike);
        QFETCH(double, target);
        QFETCH(double, expected);
        std::vector<int16_t> letter(2000, 0); // a pause that must not count
        for (int i = 0; i < 4000; ++i) letter.push_back(int16_t(i % 40 < 20 ? amplitude : -amplitude));
        if (spike) letter[3000] = int16_t(spike);
        const std::vector<int16_t> out = matchLoudness(letter, target);
        QCOMPARE(out.size(), letter.size());
        const double loudness = voicedLoudness(std::vector<int16_t>(out.begin(), out.end()));
        // The spike itself is in the voiced part: compare the square wave's level.
        const double level = spike ? std::abs(double(out[2000])) : loudness;
        QVERIFY2(std::abs(level - expected) < expected * 0.01, qPrintable(QStringLiteral("%1").arg(level)));
        int peak = 0;
        for (int16_t v : out) peak = std::max(peak, std::abs(int(v)));
        QVERIFY(peak <= 32767 * 95 / 100 + 1);
        QCOMPARE(out[0], int16_t(0));
        QVERIFY(matchLoudness(std::vector<int16_t>(100, 0), target) == std::vector<int16_t>(100, 0));
    }

    void everyTileLetterHasAVoice()
    {
        const QString wav = QStringLiteral(".wav");
        QSet<QString> files;
        for (const VoiceLetter& v : voiceLetters()) {
            QVERIFY2(!files.contains(v.letter + wav), qPrintable(QStringLiteral("twice: ") + v.letter));
            files.insert(v.letter + wav);
            QVERIFY(!v.spoken.trimmed().isEmpty());
        }
        QCOMPARE(files.size(), 46 + 25 + 10 + 1 + 10 + 1);

        // Every letter the game can put on a tile, through the game's own rule for its file.
        QString letters = QStringLiteral("ーヴァィゥェォッャュョヮ") + hiraganaLetters() + katakanaLetters() + digitLetters();
        for (QChar c : QStringLiteral("がぎぐげござじずぜぞだぢづでどばびぶべぼぱぴぷぺぽぁぃぅぇぉっゃゅょゎゔ")) {
            letters += c;
            letters += QChar(char16_t(c.unicode() + kKatakanaOffset));
        }
        for (const DeckWord& w : sampleWords()) letters += w.word;
        for (QChar c : letters)
            QVERIFY2(files.contains(letterSoundFile(QString(c))),
                     qPrintable(QStringLiteral("no voice for %1 (%2)").arg(c).arg(letterSoundFile(QString(c)))));
        QVERIFY(files.contains(QStringLiteral("゜.wav")));
    }

    void writeNewFileNeverReplaces()
    {
        QTemporaryDir dir;
        QString error;
        const QString a = QStringLiteral("a.txt");
        QCOMPARE(writeNewFile(dir.path(), a, "first", &error), WriteOutcome::Created);
        QCOMPARE(writeNewFile(dir.path(), a, "second", &error), WriteOutcome::Existed);
        QFile f(dir.filePath(a));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("first"));
        // A dangling link is someone's file too.
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("nowhere")), dir.filePath(QStringLiteral("link.wav"))));
        QCOMPARE(writeNewFile(dir.path(), QStringLiteral("link.wav"), "x", &error), WriteOutcome::Existed);
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("nowhere"))));

        // A folder that cannot be written to: a failure with a reason, not a crash.
        QCOMPARE(writeNewFile(dir.filePath(QStringLiteral("missing")), QStringLiteral("b.txt"), "x", &error),
                 WriteOutcome::Failed);
        QVERIFY(!error.isEmpty());
        // Nothing but the two names asked for, no temporary file left over.
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot).size(), 2);
    }

    // A full disk (here a file-size limit, which fails a write the same way) is told in
    // words, never as "Unknown error", and leaves no temporary file.
    void aWriteThatRunsOutOfSpaceSaysWhy()
    {
        QTemporaryDir dir;
        const pid_t child = ::fork();  // the limit must not reach the test runner
        if (child == 0) {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit small{16, 16};
            ::setrlimit(RLIMIT_FSIZE, &small);
            QString why;
            const WriteOutcome outcome = writeNewFile(dir.path(), QStringLiteral("a.wav"), QByteArray(4096, 'x'), &why);
            ::_exit(outcome == WriteOutcome::Failed && why == QString::fromLocal8Bit(std::strerror(EFBIG)) ? 0 : 1);
        }
        int status = -1;
        QVERIFY(child > 0 && ::waitpid(child, &status, 0) == child);
        QCOMPARE(status, 0);
        QVERIFY(QDir(dir.path()).isEmpty());
    }

    // A FIFO under a letter's or the manifest's name (a prank in a shared folder) once held
    // mokuri-deck and the recorder's list for ever, waiting for a writer.
    void aFifoIsNoLetterAndHoldsNothing()
    {
        QTemporaryDir dir;
        for (const char* name : {"あ.wav", ".mokuri-deck-voices"})
            QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath(QString::fromUtf8(name))).constData(), 0644), 0);
        QVERIFY(fileSha256(dir.filePath(QStringLiteral("あ.wav"))).isEmpty());
        QVERIFY(readVoiceManifest(dir.path()).isEmpty());
        QVERIFY(!isEarlierEspeakLetter(dir.filePath(QStringLiteral("あ.wav"))));
    }
};

QTEST_GUILESS_MAIN(DeckPartsTest)
#include "test_deck_parts.moc"
