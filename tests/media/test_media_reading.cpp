// SPDX-License-Identifier: GPL-3.0-or-later
// Japanese pronunciation (MeCab) and speech synthesis to samples (espeak-ng).
#include "media/JapaneseReading.h"
#include "media/SpeechSynthesis.h"
#include "media/WavData.h"

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
    static double Seconds(const SpeechAudio& a) { return double(a.samples.size()) / a.sampleRate; }

private slots:
    void pausesStayAndDigitsAreRead()
    {
        const JapaneseReading r = japanesePronunciation(QStringLiteral("よくできました。これが、２かい、だね。"));
        QVERIFY2(r.ok(), qPrintable(r.error));
        QCOMPARE(r.katakana.count(QChar(u'、')), 2);
        QCOMPARE(r.katakana.count(QChar(u'。')), 2);
        QVERIFY2(r.katakana.contains(QStringLiteral("ニ")), qPrintable(r.katakana));
        for (QChar c : r.katakana) // only katakana, the long-vowel mark and the two pauses
            QVERIFY2((c.unicode() >= 0x30A1 && c.unicode() <= 0x30FC) || c == u'、' || c == u'。',
                     qPrintable(r.katakana));
    }

    void readings_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("reading");
        QTest::newRow("verb") << "並べましょう" << "ナラベマショウ";
        QTest::newRow("instruction, all katakana") << "りんご、と、並べましょう" << "リンゴ、ト、ナラベマショウ";
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
    void readings()
    {
        QFETCH(QString, text);
        QFETCH(QString, reading);
        const JapaneseReading r = japanesePronunciation(text);
        QVERIFY2(r.ok(), qPrintable(r.error));
        QCOMPARE(r.katakana, reading);
    }

    void synthesizesASentence()
    {
        const SpeechAudio a = synthesizeSpeech(QStringLiteral("並べましょう"));
        QVERIFY2(a.ok(), qPrintable(a.error));
        QCOMPARE(a.pronunciation, QStringLiteral("ナラベマショウ"));
        QVERIFY(a.sampleRate >= 8000);
        QVERIFY2(Seconds(a) > 0.5 && Seconds(a) < 3.0, qPrintable(QString::number(Seconds(a))));
        QVERIFY(Rms(a.samples) > 500);
    }

    void synthesizesEveryLetterOfTheDeck()
    {
        const QString letters = QStringLiteral("あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわをん"
                                               "がぎぐげござじずぜぞだぢづでどばびぶべぼぱぴぷぺぽぁぃぅぇぉっゃゅょゎー゛゜０１２３４５６７８９");
        for (QChar c : letters) {
            const SpeechAudio a = synthesizeSpeech(QString(c), SpeechOptions{135, 55, true});
            QVERIFY2(a.ok(), qPrintable(a.error));
            QVERIFY2(Seconds(a) > 0.05 && Seconds(a) < 2.0, qPrintable(QString(c) + QLatin1Char(' ') + QString::number(Seconds(a))));
            QVERIFY2(Rms(a.samples) > 300, qPrintable(QString(c)));
        }
    }

    void streamsInPieces()
    {
        // Pieces until `more` says stop.
        auto pieces = [](int* rate, auto more) {
            int n = 0;
            const QString error = synthesizeSpeechChunks(
                QStringLiteral("この名前を並べましょう"), [&](const std::int16_t*, std::size_t) { return more(++n); }, rate);
            return error.isEmpty() ? n : -1;
        };
        int rate = 0;
        const int all = pieces(&rate, [](int) { return true; });
        QVERIFY(rate > 0);
        QVERIFY2(all > 10, qPrintable(QString::number(all)));
        // Stopping after the first piece ends the synthesis.
        QCOMPARE(pieces(&rate, [](int n) { return n < 1; }), 1);
    }

    void writesAWavSdlReads()
    {
        QTemporaryDir dir;
        const SpeechAudio a = synthesizeSpeech(QStringLiteral("ぱ"));
        QVERIFY(a.ok());
        const QString path = dir.filePath(QStringLiteral("ぱ.wav"));
        QVERIFY(writeWavFile(path, a.samples, a.sampleRate));
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
