// SPDX-License-Identifier: GPL-3.0-or-later
// WAV files in many encodings, written by libsndfile itself, and damaged ones, read as the
// sound player and Open JTalk's reader read them; and the speech resampler.
#include "fakes/TestFolder.h"
#include "fakes/ToneWav.h"
#include "media/Resampler.h"
#include "media/WavReader.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sndfile.h>

#include <cmath>
#include <vector>

using namespace mokuri;

namespace {

constexpr double kHz = 440.0, kAmplitude = 0.5;

double tone(long long frame, int rate) { return kAmplitude * std::sin(2.0 * M_PI * kHz * double(frame) / rate); }

// Interleaved samples written by libsndfile in `format`; unnormalised, 1.0 is not full scale.
bool writeSamples(const QString& path, int format, int channels, int rate, const std::vector<double>& samples,
                  bool normalised = true)
{
    SF_INFO info{};
    info.format = format;
    info.channels = channels;
    info.samplerate = rate;
    SNDFILE* f = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!f)
        return false;
    sf_command(f, SFC_SET_NORM_DOUBLE, nullptr, normalised ? SF_TRUE : SF_FALSE);
    const sf_count_t frames = sf_count_t(samples.size()) / channels;
    const bool written = sf_writef_double(f, samples.data(), frames) == frames;
    return sf_close(f) == 0 && written;
}

// `seconds` of the tone on every channel.
bool writeTone(const QString& path, int format, int channels, int rate, double seconds)
{
    std::vector<double> samples;
    for (long long i = 0; i < std::llround(seconds * rate); ++i)
        samples.insert(samples.end(), std::size_t(channels), tone(i, rate));
    return writeSamples(path, format, channels, rate, samples);
}

} // namespace

class MediaWav : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    // Every row but the first three was refused before, or is a container or layout the
    // sound player did not read.
    void readsEveryEncoding_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("rate");
        QTest::addColumn<double>("tolerance"); // largest error of a sample; 0: a lossy codec, loudness only
        QTest::newRow("16-bit stereo 44100 Hz") << (SF_FORMAT_WAV | SF_FORMAT_PCM_16) << 2 << 44100 << 1e-4;
        QTest::newRow("8-bit mono 11025 Hz") << (SF_FORMAT_WAV | SF_FORMAT_PCM_U8) << 1 << 11025 << 0.01;
        QTest::newRow("IMA ADPCM stereo 22050 Hz") << (SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM) << 2 << 22050 << 0.0;
        QTest::newRow("24-bit mono 96000 Hz") << (SF_FORMAT_WAV | SF_FORMAT_PCM_24) << 1 << 96000 << 1e-6;
        QTest::newRow("32-bit stereo 8000 Hz") << (SF_FORMAT_WAV | SF_FORMAT_PCM_32) << 2 << 8000 << 1e-6;
        QTest::newRow("float stereo 48000 Hz") << (SF_FORMAT_WAV | SF_FORMAT_FLOAT) << 2 << 48000 << 1e-6;
        QTest::newRow("double mono 22050 Hz") << (SF_FORMAT_WAV | SF_FORMAT_DOUBLE) << 1 << 22050 << 1e-6;
        QTest::newRow("A-law mono 8000 Hz") << (SF_FORMAT_WAV | SF_FORMAT_ALAW) << 1 << 8000 << 0.02;
        QTest::newRow("µ-law mono 8000 Hz") << (SF_FORMAT_WAV | SF_FORMAT_ULAW) << 1 << 8000 << 0.02;
        QTest::newRow("MS ADPCM mono 22050 Hz") << (SF_FORMAT_WAV | SF_FORMAT_MS_ADPCM) << 1 << 22050 << 0.05;
        QTest::newRow("GSM 6.10 mono 8000 Hz") << (SF_FORMAT_WAV | SF_FORMAT_GSM610) << 1 << 8000 << 0.0;
        QTest::newRow("extensible 16-bit 6 channels 48000 Hz") << (SF_FORMAT_WAVEX | SF_FORMAT_PCM_16) << 6 << 48000 << 1e-4;
        QTest::newRow("RF64 16-bit mono 16000 Hz") << (SF_FORMAT_RF64 | SF_FORMAT_PCM_16) << 1 << 16000 << 1e-4;
    }
    void readsEveryEncoding()
    {
        QFETCH(int, format);
        QFETCH(int, channels);
        QFETCH(int, rate);
        QFETCH(double, tolerance);
        const QString path = dir.filePath(QStringLiteral("%1.wav").arg(QString::fromUtf8(QTest::currentDataTag())));
        QVERIFY(writeTone(path, format, channels, rate, 0.5));
        // The seeds of fuzz/corpus/wav: a short one at 8 kHz, after the fuzz target's byte of seconds.
        if (const QString seeds = qEnvironmentVariable("MOKURI_WAV_SEEDS"); !seeds.isEmpty()) {
            const QString seed = dir.filePath(QStringLiteral("seed.wav"));
            QVERIFY(writeTone(seed, format, channels, 8000, 0.03));
            QFile out(seeds + u'/' + QString::fromUtf8(QTest::currentDataTag()).replace(u' ', u'-').replace(u'µ', QStringLiteral("mu")));
            QVERIFY(out.open(QIODevice::WriteOnly) && out.write(QByteArray(1, '\1') + test::readBytes(seed)) > 1);
        }
        // From the file piece by piece (the sound player), and from bytes in memory (Open JTalk).
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QBuffer memory;
        memory.setData(test::readBytes(path));
        QVERIFY(memory.open(QIODevice::ReadOnly));
        for (QIODevice* source : {static_cast<QIODevice*>(&file), static_cast<QIODevice*>(&memory)}) {
            WavReader wav(*source);
            QVERIFY2(wav.ok(), qPrintable(wav.error()));
            QCOMPARE(wav.channels(), channels);
            QCOMPARE(wav.sampleRate(), rate);
            QCOMPARE(wav.isPcm16(), (format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_16);
            // A codec of blocks may pad its last one.
            QVERIFY2(wav.frames() >= rate / 2 && wav.frames() < rate / 2 + 2048, qPrintable(QString::number(wav.frames())));
            const std::vector<float> samples = wav.readFloat(rate); // more than there is: what there is
            QCOMPARE(qint64(samples.size()), wav.frames() * channels);
            double sum = 0, worst = 0;
            for (std::size_t i = 0; i < samples.size(); ++i) {
                const long long frame = (long long)(i) / channels;
                if (frame >= rate / 2)
                    break;
                sum += double(samples[i]) * samples[i];
                worst = std::max(worst, std::fabs(samples[i] - tone(frame, rate)));
            }
            const double rms = std::sqrt(sum / double(rate / 2 * channels));
            QVERIFY2(std::fabs(rms - kAmplitude / std::sqrt(2.0)) < 0.05, qPrintable(QString::number(rms)));
            if (tolerance > 0)
                QVERIFY2(worst <= tolerance, qPrintable(QStringLiteral("a sample off by %1").arg(worst)));
        }
    }

    // Damaged files read as far as they are whole, or not at all; never more than the budget.
    void damagedFilesAreBounded_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<qint64>("budget");
        QTest::addColumn<int>("frames"); // -1: not readable
        QTest::addColumn<int>("fewer");  // up to so many fewer frames: what the header took of the budget
        const QByteArray whole = test::toneWav(0.5, 8000, 1, 16); // 44-byte header, 4000 frames
        QByteArray claimsMore = whole;
        claimsMore[40] = char(0xFF); // the data chunk claims far more than the file holds
        claimsMore[41] = char(0xFF);
        QByteArray noChannels = whole;
        noChannels[22] = 0;
        QByteArray emptyChunks("RIFF\xFF\xFF\xFF\x7FWAVE", 12);
        for (int i = 0; i < 200000; ++i)
            emptyChunks += QByteArray("abcd\0\0\0\0", 8);
        QTest::newRow("whole") << whole << WavReader::kDefaultByteBudget << 4000 << 0;
        QTest::newRow("cut in the data") << whole.left(44 + 2 * 1000 + 1) << WavReader::kDefaultByteBudget << 1000 << 0;
        QTest::newRow("data claims more than there is") << claimsMore << WavReader::kDefaultByteBudget << 4000 << 0;
        QTest::newRow("cut in the header") << whole.left(30) << WavReader::kDefaultByteBudget << -1 << 0;
        QTest::newRow("no channels") << noChannels << WavReader::kDefaultByteBudget << -1 << 0;
        QTest::newRow("not RIFF") << QByteArray("junk, not a sound\n") << WavReader::kDefaultByteBudget << -1 << 0;
        QTest::newRow("empty") << QByteArray() << WavReader::kDefaultByteBudget << -1 << 0;
        QTest::newRow("1.6 MB of empty chunks, no format") << emptyChunks << WavReader::kDefaultByteBudget << -1 << 0;
        QTest::newRow("a budget of 1000 frames") << whole << qint64(44 + 2 * 1000) << 1000 << 8;
    }
    void damagedFilesAreBounded()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(qint64, budget);
        QFETCH(int, frames);
        QFETCH(int, fewer);
        QBuffer memory;
        memory.setData(bytes);
        QVERIFY(memory.open(QIODevice::ReadOnly));
        WavReader wav(memory, budget);
        QCOMPARE(wav.ok(), frames >= 0);
        if (!wav.ok()) {
            QVERIFY(!wav.error().isEmpty());
            QVERIFY(wav.readFloat(1000).empty());
            return;
        }
        const std::vector<std::int16_t> samples = wav.readInt16(1 << 20);
        QVERIFY2(int(samples.size()) <= frames && int(samples.size()) >= frames - fewer, qPrintable(QString::number(samples.size())));
        for (int i = 0; i < int(samples.size()); ++i)
            QVERIFY(std::abs(samples[std::size_t(i)] - std::lround(32767 * tone(i, 8000))) <= 1);
    }

    // What the sound player takes of a file: its first seconds, never more samples than 10 s
    // of 8 channels at 48 kHz, no more channels than SDL converts.
    void playerTakesTheBoundedStart_data()
    {
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("rate");
        QTest::addColumn<double>("fileSeconds");
        QTest::addColumn<int>("maxSeconds");
        QTest::addColumn<double>("seconds"); // taken; 0: not readable
        QTest::addColumn<bool>("cut");
        QTest::newRow("shorter than asked") << 1 << 8000 << 1.5 << 2 << 1.5 << false;
        QTest::newRow("longer than asked") << 2 << 8000 << 3.0 << 2 << 2.0 << true;
        QTest::newRow("8 channels at 192 kHz: the sample bound") << 8 << 192000 << 3.0 << 10 << 2.5 << true;
        QTest::newRow("9 channels") << 9 << 8000 << 0.5 << 10 << 0.0 << false;
    }
    void playerTakesTheBoundedStart()
    {
        QFETCH(int, channels);
        QFETCH(int, rate);
        QFETCH(double, fileSeconds);
        QFETCH(int, maxSeconds);
        QFETCH(double, seconds);
        const QString path = dir.filePath(QStringLiteral("start.wav"));
        QVERIFY(writeTone(path, SF_FORMAT_WAV | SF_FORMAT_PCM_16, channels, rate, fileSeconds));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const WavStart start = readWavStart(file, maxSeconds);
        if (seconds == 0) {
            QCOMPARE(start.channels, 0);
            QVERIFY(start.samples.empty());
            return;
        }
        QCOMPARE(start.channels, channels);
        QCOMPARE(start.sampleRate, rate);
        QCOMPARE(qint64(start.samples.size()), std::llround(seconds * rate) * channels);
        QTEST(start.cut, "cut");
    }

    // A float file may hold anything: what reaches the mixer is within full scale.
    void floatSamplesAreKeptInRange()
    {
        const QString path = dir.filePath(QStringLiteral("loud.wav"));
        QVERIFY(writeSamples(path, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1, 8000, {0.25, 7.0, -3.0, NAN, INFINITY, -0.5}, false));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        WavReader wav(file);
        QCOMPARE(wav.readFloat(6), (std::vector<float>{0.25f, 1.0f, -1.0f, 0.0f, 0.0f, -0.5f}));
    }

    // Speech to the device's rate: as long as it should be, the tone at its pitch, the onset
    // on time, and each piece given back as it comes rather than held.
    void resamplesSpeech_data()
    {
        QTest::addColumn<int>("inRate");
        QTest::addColumn<int>("outRate");
        QTest::newRow("espeak-ng to 48000") << 22050 << 48000;
        QTest::newRow("espeak-ng to 44100") << 22050 << 44100;
        QTest::newRow("16000 to 48000") << 16000 << 48000;
        QTest::newRow("48000 to 22050") << 48000 << 22050;
        QTest::newRow("the same rate") << 48000 << 48000;
    }
    void resamplesSpeech()
    {
        QFETCH(int, inRate);
        QFETCH(int, outRate);
        const int onset = inRate / 10; // silence, then 0.5 s of the tone
        std::vector<std::int16_t> in(std::size_t(onset + inRate / 2));
        for (std::size_t i = std::size_t(onset); i < in.size(); ++i)
            in[i] = std::int16_t(std::lround(32767 * tone((long long)(i) - onset, inRate)));
        const double ratio = double(outRate) / inRate;

        const std::vector<float> whole = resampleSpeech(in.data(), in.size(), inRate, outRate);
        QVERIFY2(std::fabs(double(whole.size()) - double(in.size()) * ratio) <= 2, qPrintable(QString::number(whole.size())));
        std::size_t first = 0;
        while (first < whole.size() && std::fabs(whole[first]) < 0.01f)
            ++first;
        QVERIFY2(std::fabs(double(first) - onset * ratio) <= 3 * std::max(1.0, ratio),
                 qPrintable(QStringLiteral("onset at %1, due at %2").arg(first).arg(onset * ratio)));
        int crossings = 0;
        for (std::size_t i = first + 1; i < whole.size(); ++i)
            crossings += (whole[i - 1] < 0) != (whole[i] < 0);
        QVERIFY2(std::abs(crossings - int(2 * kHz / 2)) <= 2, qPrintable(QString::number(crossings))); // 0.5 s of 440 Hz

        std::vector<float> pieces;
        StreamResampler stream(inRate, outRate);
        for (std::size_t at = 0; at < in.size(); at += 512) {
            const std::size_t n = std::min<std::size_t>(512, in.size() - at);
            const std::size_t before = pieces.size();
            stream.push(in.data() + at, n, pieces);
            // Held back: 2 ms of input at most.
            QVERIFY2(double(at + n) - double(pieces.size()) / ratio <= inRate * 0.002,
                     qPrintable(QStringLiteral("%1 of %2 out").arg(pieces.size() - before).arg(double(n) * ratio)));
        }
        stream.flush(pieces);
        QCOMPARE(pieces.size(), whole.size());
        for (std::size_t i = 0; i < whole.size(); ++i)
            QVERIFY(std::fabs(pieces[i] - whole[i]) < 1e-4f);
    }
};

QTEST_GUILESS_MAIN(MediaWav)
#include "test_media_wav.moc"
