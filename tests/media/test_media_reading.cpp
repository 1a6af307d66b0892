// Japanese pronunciation (MeCab) and speech synthesis to samples (espeak-ng).
#include "media/JapaneseReading.h"
#include "media/SpeechSynthesis.h"

#include <SDL.h>

#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using namespace mokuri;

class MediaReading : public QObject {
    Q_OBJECT

    static double Rms(const std::vector<std::int16_t>& s)
    {
        double sum = 0;
        for (auto v : s)
            sum += double(v) * v;
        return s.empty() ? 0.0 : std::sqrt(sum / double(s.size()));
    }

private slots:
    void pronunciationOfAVerb()
    {
        const JapaneseReading r = JapanesePronunciation(QStringLiteral("並べましょう"));
        QVERIFY2(r.ok(), qPrintable(r.error));
        QVERIFY2(r.katakana.startsWith(QStringLiteral("ナラベ")), qPrintable(r.katakana));
        QCOMPARE(r.katakana, QStringLiteral("ナラベマショウ"));
    }

    void pausesStayAndDigitsAreRead()
    {
        const JapaneseReading r = JapanesePronunciation(QStringLiteral("よくできました。これが、２かい、だね。"));
        QVERIFY2(r.ok(), qPrintable(r.error));
        QCOMPARE(r.katakana.count(QChar(u'、')), 2);
        QCOMPARE(r.katakana.count(QChar(u'。')), 2);
        QVERIFY2(r.katakana.contains(QStringLiteral("ニ")), qPrintable(r.katakana));
        for (QChar c : r.katakana) // only katakana, the long-vowel mark and the two pauses
            QVERIFY2((c.unicode() >= 0x30A1 && c.unicode() <= 0x30FC) || c == u'、' || c == u'。',
                     qPrintable(r.katakana));
    }

    void instructionIsAllKatakana()
    {
        const JapaneseReading r = JapanesePronunciation(QStringLiteral("りんご、と、並べましょう"));
        QVERIFY2(r.ok(), qPrintable(r.error));
        QCOMPARE(r.katakana, QStringLiteral("リンゴ、ト、ナラベマショウ"));
    }

    void singleLetters_data()
    {
        QTest::addColumn<QString>("letter");
        QTest::addColumn<QString>("reading");
        QTest::newRow("a") << "あ" << "ア";
        QTest::newRow("pa") << "ぱ" << "パ";
        QTest::newRow("small ya") << "ゃ" << "ヤ";
        QTest::newRow("small tsu") << "ッ" << "ツ";
        QTest::newRow("ha, not the particle") << "は" << "ハ";
        QTest::newRow("wo") << "を" << "ヲ";
        QTest::newRow("katakana") << "リ" << "リ";
        QTest::newRow("zero") << "０" << "ゼロ";
        QTest::newRow("nine") << "９" << "キュウ";
        QTest::newRow("handakuten") << "゜" << "ハンダクテン";
        QTest::newRow("dakuten") << "゛" << "ダクテン";
        QTest::newRow("long vowel") << "ー" << "ノバシボウ";
    }
    void singleLetters()
    {
        QFETCH(QString, letter);
        QFETCH(QString, reading);
        const JapaneseReading r = JapanesePronunciation(letter);
        QVERIFY2(r.ok(), qPrintable(r.error));
        QCOMPARE(r.katakana, reading);
    }

    void synthesizesASentence()
    {
        const SpeechAudio a = SynthesizeSpeech(QStringLiteral("並べましょう"));
        QVERIFY2(a.ok(), qPrintable(a.error));
        QCOMPARE(a.pronunciation, QStringLiteral("ナラベマショウ"));
        QVERIFY(a.sampleRate >= 8000);
        const double seconds = double(a.samples.size()) / a.sampleRate;
        QVERIFY2(seconds > 0.5 && seconds < 3.0, qPrintable(QString::number(seconds)));
        QVERIFY(Rms(a.samples) > 500);
    }

    void synthesizesEveryLetterOfTheDeck()
    {
        const QString letters = QStringLiteral("あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわをん"
                                               "がぎぐげござじずぜぞだぢづでどばびぶべぼぱぴぷぺぽぁぃぅぇぉっゃゅょゎー゛゜０１２３４５６７８９");
        for (QChar c : letters) {
            const SpeechAudio a = SynthesizeSpeech(QString(c), SpeechOptions{135, 55, true});
            QVERIFY2(a.ok(), qPrintable(a.error));
            const double seconds = double(a.samples.size()) / a.sampleRate;
            QVERIFY2(seconds > 0.05 && seconds < 2.0, qPrintable(QString(c) + " " + QString::number(seconds)));
            QVERIFY2(Rms(a.samples) > 300, qPrintable(QString(c)));
        }
    }

    void streamsInPieces()
    {
        int pieces = 0;
        std::size_t total = 0;
        int rate = 0;
        const QString error = SynthesizeSpeechChunks(
            QStringLiteral("この名前を並べましょう"),
            [&](const std::int16_t*, std::size_t n) {
                ++pieces;
                total += n;
                return true;
            },
            &rate);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QVERIFY(rate > 0);
        QVERIFY2(pieces > 10, qPrintable(QString::number(pieces)));
        // Stopping after the first piece ends the synthesis.
        int stoppedPieces = 0;
        QVERIFY(SynthesizeSpeechChunks(QStringLiteral("この名前を並べましょう"),
                                       [&](const std::int16_t*, std::size_t) { return ++stoppedPieces < 1; },
                                       &rate)
                    .isEmpty());
        QCOMPARE(stoppedPieces, 1);
    }

    void writesAWavSdlReads()
    {
        QTemporaryDir dir;
        const SpeechAudio a = SynthesizeSpeech(QStringLiteral("ぱ"));
        QVERIFY(a.ok());
        const QString path = dir.filePath("ぱ.wav");
        QVERIFY(WriteWavFile(path, a));
        SDL_AudioSpec spec{};
        Uint8* buf = nullptr;
        Uint32 len = 0;
        QVERIFY(SDL_LoadWAV(QFile::encodeName(path).constData(), &spec, &buf, &len));
        QCOMPARE(int(spec.freq), a.sampleRate);
        QCOMPARE(int(spec.channels), 1);
        QCOMPARE(spec.format, Uint16(AUDIO_S16LSB));
        QCOMPARE(std::size_t(len), a.samples.size() * 2);
        SDL_FreeWAV(buf);
    }
};

QTEST_GUILESS_MAIN(MediaReading)
#include "test_media_reading.moc"
