// SPDX-License-Identifier: GPL-3.0-or-later
// The SDL sound player, heard through SDL's disk driver. Lengths are counted in the
// device's frames, never on the wall clock.
#include "MediaTestSupport.h"
#include "support/Logging.h"

#include "media/AudioMixer.h"
#include "media/SdlSoundPlayer.h"
#include "support/Trace.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

using namespace mokuri;
using namespace mokuri::test;

Q_DECLARE_METATYPE(mokuri::test::LongWav)

class MediaSound : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString oldCwd;
    std::unique_ptr<Trace> trace;

    struct Rig : DiskMixer {
        std::unique_ptr<SdlSoundPlayer> sound;
        Rig(const QTemporaryDir& dir, Trace& trace, AudioMixer::Clock::duration linger = std::chrono::hours(24),
            bool fast = false)
            : DiskMixer(dir, linger, fast), sound(std::make_unique<SdlSoundPlayer>(trace, mixer))
        {
        }
        Heard finish()
        {
            sound.reset();
            return DiskMixer::finish();
        }
        // Waits until the last play has its clip (read off this thread) or has been skipped.
        bool started()
        {
            return QTest::qWaitFor([&] { return sound->lastClip() || !sound->isPlaying(); }, 10000);
        }
        // Waits, through the event loop, for the sound's end as the game hears of it.
        bool ended()
        {
            return QTest::qWaitFor([&] { return !sound->isPlaying(); }, 30000);
        }
        // Waits until the sound last played is heard, then until the device has rendered
        // `seconds` more of it.
        bool waitHeardFor(double seconds)
        {
            if (!started())
                return false;
            if (!QTest::qWaitFor([&] { return mixer->soundFirstMixed(sound->playToken()).has_value(); }, 10000))
                return false;
            return waitRendered(mixer->framesRendered(), seconds);
        }
    };

    QString traceLog() const
    {
        QFile f(dir.filePath(QStringLiteral("trace.txt")));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

    // What this process writes to stderr while it lives.
    struct StderrCapture {
        QString path;
        int saved = -1;
        explicit StderrCapture(const QString& file) : path(file)
        {
            std::fflush(stderr);
            saved = ::dup(2);
            const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(fd, 2);
            ::close(fd);
        }
        ~StderrCapture() { restore(); }
        void restore()
        {
            if (saved < 0)
                return;
            std::fflush(stderr);
            ::dup2(saved, 2);
            ::close(saved);
            saved = -1;
        }
        QString text()
        {
            restore();
            QFile f(path);
            return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
        }
    };

    // The most memory this process has held since resetLargestMemory(), in MiB.
    static double largestMemoryMiB()
    {
        QFile f(QStringLiteral("/proc/self/status"));
        if (!f.open(QIODevice::ReadOnly))
            return -1;
        for (const QByteArray& line : f.readAll().split('\n'))
            if (line.startsWith("VmHWM:"))
                return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
        return -1;
    }
    static bool resetLargestMemory()
    {
        QFile f(QStringLiteral("/proc/self/clear_refs"));
        return f.open(QIODevice::WriteOnly) && f.write("5") == 1;
    }

private slots:
    void initTestCase()
    {
        installProgramLog("mokuri");  // the messages on stderr, as the game writes them
        QVERIFY(dir.isValid());
        oldCwd = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path())); // sounds are opened by bare name here
        QVERIFY(writeFileBytes(QStringLiteral("tone.wav"), toneWav(0.5, 22050, 1, 16)));
        QVERIFY(writeFileBytes(QStringLiteral("long.wav"), toneWav(1.0, 22050, 1, 16)));
        QVERIFY(writeFileBytes(QStringLiteral("あ.wav"), toneWav(0.6, 11025, 1, 8)));
        QVERIFY(writeFileBytes(QStringLiteral("ピンポン.wav"), toneWav(0.4, 44100, 2, 16, 660.0)));
        QVERIFY(writeFileBytes(QStringLiteral("ブー.wav"), QByteArray("RIFF this is not a sound file at all")));
        trace = std::make_unique<Trace>(dir.filePath(QStringLiteral("trace.txt")));
    }
    void cleanupTestCase() { QDir::setCurrent(oldCwd); }

    void playsToItsEndAtItsLength_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<double>("seconds");
        QTest::newRow("16-bit mono 22050 Hz") << QStringLiteral("tone.wav") << 0.5;
        QTest::newRow("8-bit mono 11025 Hz") << QStringLiteral("あ.wav") << 0.6;
        QTest::newRow("16-bit stereo 44100 Hz") << QStringLiteral("ピンポン.wav") << 0.4;
    }
    void playsToItsEndAtItsLength()
    {
        QFETCH(QString, name);
        QFETCH(double, seconds);
        Rig r(dir, *trace);
        QVERIFY2(r.mixer->driverName() == QLatin1String("disk"), qPrintable(r.mixer->driverName()));
        const std::uint64_t framesAtPlay = r.mixer->framesRendered();
        QSignalSpy endedSpy(r.sound.get(), &SoundPlayer::soundEnded);
        r.sound->play(name);
        QVERIFY(r.sound->isPlaying());
        QVERIFY(r.ended());
        QCOMPARE(endedSpy.size(), 1);
        // The wait lasted while the device played the sound, and not until a time-out.
        const double waited = r.secondsSince(framesAtPlay);
        QVERIFY2(waited >= seconds * 0.99 && waited < seconds + 1.0,
                 qPrintable(QStringLiteral("waited %1 s of device time for %2 s").arg(waited).arg(seconds)));
        const Heard h = r.finish();
        QVERIFY(h.firstLoud() >= 0);
        QVERIFY2(std::fabs(h.loudSeconds() - seconds) <= 0.1 * seconds,
                 qPrintable(QStringLiteral("heard %1 s of %2 s").arg(h.loudSeconds()).arg(seconds)));
        QVERIFY2(h.rms(h.firstLoud(), h.lastLoud()) > 0.1, "the sound is too quiet");
    }

    void stopCutsTheSound()
    {
        Rig r(dir, *trace, std::chrono::milliseconds(0));
        r.sound->play(QStringLiteral("long.wav"));
        QVERIFY(r.waitHeardFor(0.2));
        r.sound->stop();
        const std::uint64_t framesAtStop = r.mixer->framesRendered();
        QVERIFY(!r.sound->isPlaying());
        const int buffer = r.buffer;
        const Heard h = r.finishIdle();
        QVERIFY(h.lead >= 0);
        // Silent from the buffer after the stop on; the 0.8 s left were never heard.
        const long long stopFrame = h.fileFrame(framesAtStop);
        QVERIFY2(h.lastLoud() < stopFrame + buffer,
                 qPrintable(QStringLiteral("sound %1 frames after the stop").arg(h.lastLoud() - stopFrame)));
        QVERIFY2(h.loudSeconds() >= 0.15, qPrintable(QStringLiteral("heard %1 s").arg(h.loudSeconds())));
    }

    void aNewSoundCutsTheOldOne()
    {
        Rig r(dir, *trace, std::chrono::milliseconds(0));
        // Decoded once before: the frames counted from the second play on are then the cut
        // and the new sound, not how long a busy machine takes to read a file (a benchmark's
        // business).
        r.sound->play(QStringLiteral("tone.wav"));
        QVERIFY(r.started());
        r.sound->stop();
        r.sound->play(QStringLiteral("long.wav"));
        QVERIFY(r.waitHeardFor(0.1));
        const std::uint64_t framesAtSecond = r.mixer->framesRendered();
        r.sound->play(QStringLiteral("tone.wav"));
        QVERIFY(r.sound->isPlaying());
        QVERIFY(r.ended());
        const int buffer = r.buffer;
        const Heard h = r.finishIdle();
        QVERIFY(h.lead >= 0);
        const long long second = h.fileFrame(framesAtSecond);
        // The old sound up to the new one, then the new one's 0.5 s, and not the old one's rest.
        QVERIFY2(h.firstLoud() >= 0 && h.firstLoud() < second,
                 qPrintable(QStringLiteral("first loud %1, second play at %2").arg(h.firstLoud()).arg(second)));
        const double afterSecond = h.seconds(h.lastLoud() - second);
        QVERIFY2(afterSecond > 0.5 - 0.02 && afterSecond < 0.5 + h.seconds(2 * buffer),
                 qPrintable(QStringLiteral("heard %1 s after the second play").arg(afterSecond)));
    }

    void unplayableFileIsTracedAndSilencesTheSoundBefore_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("missing") << QStringLiteral("nothere.wav");
        QTest::newRow("not a sound") << QStringLiteral("ブー.wav");
    }
    void unplayableFileIsTracedAndSilencesTheSoundBefore()
    {
        QFETCH(QString, name);
        Rig r(dir, *trace, std::chrono::milliseconds(0));
        r.sound->play(QStringLiteral("long.wav"));
        QVERIFY(r.waitHeardFor(0.1));
        QSignalSpy endedSpy(r.sound.get(), &SoundPlayer::soundEnded);
        r.sound->play(name);
        QVERIFY(r.sound->lastClip() == nullptr);
        // Found unplayable off this thread: the sound before is cut in the same step as the
        // game hears of it, as of any sound's end.
        QVERIFY(r.ended());
        const std::uint64_t framesAtMissing = r.mixer->framesRendered();
        QCOMPARE(endedSpy.size(), 1);
        // Known now: the next play is skipped at once, with nothing to wait for.
        r.sound->play(name);
        QVERIFY(!r.sound->isPlaying());
        QCoreApplication::processEvents();
        QCOMPARE(endedSpy.size(), 1);
        QVERIFY2(traceLog().contains(QStringLiteral("\tmissing\t") + name + QLatin1Char('\n')), qPrintable(traceLog()));
        QVERIFY(!traceLog().contains(QLatin1String("long.wav")));
        const int buffer = r.buffer;
        const Heard h = r.finishIdle();
        QVERIFY(h.lead >= 0);
        QVERIFY(h.lastLoud() < h.fileFrame(framesAtMissing) + buffer);
    }

    // A recorder left running makes a letter last minutes, and the game waits for it before
    // its verdict: only the first 10 s are read and played, whatever the file's length.
    void longSoundPlaysOnlyItsFirstTenSeconds_data()
    {
        QTest::addColumn<LongWav>("wav");
        QTest::addColumn<bool>("tone"); // a tone to its cut, else a steady level
        const auto wav = [](int tag, int bits, int channels, int rate, double fileSeconds) {
            LongWav w;
            w.tag = tag;
            w.bits = bits;
            w.channels = channels;
            w.rate = rate;
            w.fileSeconds = fileSeconds;
            return w;
        };
        QTest::newRow("16-bit mono 22050 Hz, 60 s") << wav(1, 16, 1, 22050, 60) << true;
        QTest::newRow("8-bit mono 11025 Hz, 60 s") << wav(1, 8, 1, 11025, 60) << true;
        QTest::newRow("24-bit stereo 44100 Hz, 60 s") << wav(1, 24, 2, 44100, 60) << true;
        QTest::newRow("32-bit stereo 48000 Hz, 60 s") << wav(1, 32, 2, 48000, 60) << true;
        QTest::newRow("float stereo 48000 Hz, 1 h") << wav(3, 32, 2, 48000, 3600) << true;
        QTest::newRow("IMA ADPCM mono 22050 Hz, 60 s") << wav(0x11, 4, 1, 22050, 60) << false;
        LongWav odd = wav(1, 16, 2, 48000, 3600);
        odd.oddChunks = true;
        QTest::newRow("16-bit stereo 48000 Hz, 1 h, chunks of odd size") << odd << true;
        LongWav ext = wav(1, 16, 2, 44100, 60);
        ext.extensible = true;
        QTest::newRow("16-bit stereo 44100 Hz extensible, 60 s") << ext << true;
    }
    void longSoundPlaysOnlyItsFirstTenSeconds()
    {
        QFETCH(LongWav, wav);
        QFETCH(bool, tone);
        const QString name = QStringLiteral("い%1.wav").arg(QString::fromUtf8(QTest::currentDataTag())).remove(QLatin1Char(','));
        QVERIFY(wav.write(name));
        Rig r(dir, *trace, std::chrono::milliseconds(0), true);
        const bool measured = resetLargestMemory();
        const double memoryBefore = largestMemoryMiB();
        r.sound->play(name);
        QVERIFY(r.started());
        const double memoryGrowth = largestMemoryMiB() - memoryBefore;
        QVERIFY(r.sound->isPlaying());
        const AudioClip* clip = r.sound->lastClip();
        QVERIFY(clip);
        // 10 s at the device's rate, give or take the resampler's rounding.
        QVERIFY2(std::fabs(clip->seconds() - 10.0) < 0.01, qPrintable(QStringLiteral("decoded %1 s").arg(clip->seconds())));
        // An hour-long file costs what its first 10 s cost: a few MiB, not the file's size
        // (which was read whole before: 660 MiB and more).
        if (measured) {
            qInfo("peak memory growth while loading: %.1f MiB", memoryGrowth);
            QVERIFY2(memoryGrowth < 64, qPrintable(QStringLiteral("the process grew by %1 MiB").arg(memoryGrowth)));
        } else {
            qWarning("peak memory not measured: /proc/self/clear_refs cannot be written");
        }

        QVERIFY(r.ended());
        const Heard h = r.finishIdle();
        QVERIFY(h.lead >= 0);
        // Heard for 10 s (the file holds 15 s of it) and then silence.
        QVERIFY(h.firstLoud() >= 0);
        QVERIFY2(std::fabs(h.loudSeconds() - 10.0) < 0.05, qPrintable(QStringLiteral("heard %1 s").arg(h.loudSeconds())));
        if (tone)
            QVERIFY2(h.rms(h.firstLoud(), h.lastLoud()) > 0.3, "not the tone");
        else
            QVERIFY2(std::fabs(h.rms(h.firstLoud(), h.lastLoud()) - 16000.0 / 32768.0) < 0.02, "not the steady level");
        QFile::remove(name);
    }

    // Said once per file, on stderr and in the trace, not at every play; a short file is not
    // mentioned.
    void longSoundIsReportedOncePerFile()
    {
        const QStringList longNames{QStringLiteral("録音1.wav"), QStringLiteral("録音2.wav")};
        for (const QString& name : longNames)
            QVERIFY(LongWav{}.write(name));
        StderrCapture err(dir.filePath(QStringLiteral("stderr.txt")));
        {
            Rig r(dir, *trace, std::chrono::milliseconds(0), true);
            // Two 10-s clips do not fit the cache together: each play of one decodes it again.
            for (const QString& name : {longNames[0], longNames[1], longNames[0], longNames[1]}) {
                r.sound->play(name);
                QVERIFY(r.started());
                QVERIFY(r.sound->lastClip());
                QVERIFY2(std::fabs(r.sound->lastClip()->seconds() - 10.0) < 0.01, qPrintable(name));
                r.sound->stop();
            }
            r.sound->play(QStringLiteral("tone.wav"));
            QVERIFY(r.ended());
        }
        const QString errors = err.text();
        const QString log = traceLog();
        for (const QString& name : longNames) {
            QCOMPARE(log.count(QStringLiteral("\twarning\t") + name + QStringLiteral(" plays only its first 10 s\n")), 1);
            QCOMPARE(log.count(name), 1);
            QCOMPARE(errors.count(name), 1);
            QVERIFY2(errors.contains(QStringLiteral("only its first 10 s")), qPrintable(errors));
        }
        QVERIFY2(!errors.contains(QLatin1String("tone.wav")), qPrintable(errors));
        QVERIFY(!log.contains(QLatin1String("warning\ttone.wav")));
    }

    void cachedFileIsNotReadAgainUnlessItChanged()
    {
        Rig r(dir, *trace);
        r.sound->play(QStringLiteral("tone.wav"));
        QVERIFY(r.started());
        const AudioClip* first = r.sound->lastClip();
        QVERIFY(first);
        QVERIFY(r.ended());
        // Played again from what was decoded (how fast that is, is the latency benchmark's
        // business).
        r.sound->play(QStringLiteral("tone.wav"));
        QVERIFY(r.started());
        QCOMPARE(r.sound->lastClip(), first);
        QVERIFY(r.sound->isPlaying());
        r.sound->stop();
        // A changed file is read again.
        QVERIFY(writeFileBytes(QStringLiteral("tone2.wav"), toneWav(0.2, 22050, 1, 16)));
        QFile::remove(QStringLiteral("tone.wav"));
        QVERIFY(QFile::rename(QStringLiteral("tone2.wav"), QStringLiteral("tone.wav")));
        r.sound->play(QStringLiteral("tone.wav"));
        QVERIFY(r.started());
        QVERIFY(r.sound->lastClip());
        QVERIFY2(std::fabs(r.sound->lastClip()->seconds() - 0.2) < 0.01,
                 qPrintable(QString::number(r.sound->lastClip()->seconds())));
        r.sound->stop();
        QVERIFY(writeFileBytes(QStringLiteral("tone.wav"), toneWav(0.5, 22050, 1, 16)));
    }

    // Waiting for a touch costs nothing: the device closes once nothing plays, and a sound
    // after that opens it again and is heard from its very first sample.
    void idleDeviceClosesAndTheNextSoundIsHeardWhole()
    {
        Rig r(dir, *trace, std::chrono::milliseconds(0));
        QTRY_VERIFY_WITH_TIMEOUT(!r.mixer->deviceOpen(), 10000);
        const std::uint64_t framesWhileClosed = r.mixer->framesRendered();

        r.sound->play(QStringLiteral("tone.wav"));
        QVERIFY(r.started());
        const AudioClip* clip = r.sound->lastClip();
        QVERIFY(clip);
        QVERIFY(r.ended());
        QTRY_VERIFY_WITH_TIMEOUT(!r.mixer->deviceOpen(), 10000);
        const std::uint64_t framesAfter = r.mixer->framesRendered();
        // Nothing was rendered while the device was closed, and it closed soon after the sound.
        QCOMPARE(r.mixer->openedAtFrame(), framesWhileClosed);
        const std::uint64_t session = framesAfter - framesWhileClosed;
        QVERIFY(session >= clip->frameCount());
        QVERIFY2(session < clip->frameCount() + std::uint64_t(r.rate),
                 qPrintable(QStringLiteral("%1 frames rendered for a %2-frame sound").arg(session).arg(clip->frameCount())));
        QCOMPARE(r.mixer->framesRendered(), framesAfter);

        const std::vector<float> expected = clip->samples;
        const Heard h = r.finishIdle();
        // The disk file was started anew when the device reopened: it is this sound, from its
        // first sample on, and what the device rendered. Before that, SDL may have written one
        // buffer of silence while the device started paused.
        const long long lead = h.lead;
        QVERIFY2(lead >= 0 && lead <= 4 * r.buffer, qPrintable(QStringLiteral("%1 frames not rendered by the mixer").arg(lead)));
        for (long long f = 0; f < lead; ++f)
            QCOMPARE(h.peak(f), 0.0f);
        const std::size_t compared = std::min<std::size_t>(expected.size(), std::size_t(r.buffer) * std::size_t(h.channels) * 4);
        const std::size_t start = std::size_t(lead) * std::size_t(h.channels);
        for (std::size_t i = 0; i < compared; ++i)
            QVERIFY2(std::fabs(h.samples[start + i] - expected[i]) < 1e-6, qPrintable(QStringLiteral("sample %1").arg(i)));
    }
};

QTEST_GUILESS_MAIN(MediaSound)
#include "test_media_sound.moc"
