// SPDX-License-Identifier: GPL-3.0-or-later
// The SDL sound player, heard through SDL's disk driver. Lengths are counted in the
// device's frames, never on the wall clock.
#include "MediaTestSupport.h"

#include "media/AudioMixer.h"
#include "media/SdlSoundPlayer.h"
#include "support/Trace.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace mokuri;
using namespace mokuri::test;

class MediaSound : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString oldCwd;
    std::unique_ptr<Trace> trace;

    struct Rig : DiskMixer {
        std::unique_ptr<SdlSoundPlayer> sound;
        Rig(const QTemporaryDir& dir, Trace& trace, AudioMixer::Clock::duration linger = std::chrono::hours(24))
            : DiskMixer(dir, linger), sound(std::make_unique<SdlSoundPlayer>(trace, mixer))
        {
        }
        Heard finish()
        {
            sound.reset();
            return DiskMixer::finish();
        }
        // Waits until the sound last played is heard, then until the device has rendered
        // `seconds` more of it.
        bool waitHeardFor(double seconds)
        {
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

private slots:
    void initTestCase()
    {
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
        r.sound->play(name);
        QVERIFY(r.sound->isPlaying());
        r.sound->waitUntilEnded();
        QVERIFY(!r.sound->isPlaying());
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
        r.sound->waitUntilEnded(); // returns, as nothing plays
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
        r.sound->play(QStringLiteral("long.wav"));
        QVERIFY(r.waitHeardFor(0.1));
        const std::uint64_t framesAtSecond = r.mixer->framesRendered();
        r.sound->play(QStringLiteral("tone.wav"));
        QVERIFY(r.sound->isPlaying());
        r.sound->waitUntilEnded();
        QVERIFY(!r.sound->isPlaying());
        const int buffer = r.buffer;
        const Heard h = r.finishIdle();
        QVERIFY(h.lead >= 0);
        const long long second = h.fileFrame(framesAtSecond);
        // The old sound up to the new one, then the new one's 0.5 s, and not the old one's rest.
        QVERIFY(h.firstLoud() >= 0 && h.firstLoud() < second);
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
        r.sound->play(name);
        const std::uint64_t framesAtMissing = r.mixer->framesRendered();
        QVERIFY(!r.sound->isPlaying());
        QVERIFY(r.sound->lastClip() == nullptr);
        r.sound->waitUntilEnded();
        QVERIFY(!r.sound->isPlaying());
        QVERIFY2(traceLog().contains(QStringLiteral("\tmissing\t") + name + QLatin1Char('\n')), qPrintable(traceLog()));
        QVERIFY(!traceLog().contains(QLatin1String("long.wav")));
        const int buffer = r.buffer;
        const Heard h = r.finishIdle();
        QVERIFY(h.lead >= 0);
        QVERIFY(h.lastLoud() < h.fileFrame(framesAtMissing) + buffer);
    }

    void cachedFileIsNotReadAgainUnlessItChanged()
    {
        Rig r(dir, *trace);
        r.sound->play(QStringLiteral("tone.wav"));
        const AudioClip* first = r.sound->lastClip();
        QVERIFY(first);
        r.sound->waitUntilEnded();
        // Played again from what was decoded (how fast that is, is the latency benchmark's
        // business).
        r.sound->play(QStringLiteral("tone.wav"));
        QCOMPARE(r.sound->lastClip(), first);
        QVERIFY(r.sound->isPlaying());
        r.sound->stop();
        // A changed file is read again.
        QVERIFY(writeFileBytes(QStringLiteral("tone2.wav"), toneWav(0.2, 22050, 1, 16)));
        QFile::remove(QStringLiteral("tone.wav"));
        QVERIFY(QFile::rename(QStringLiteral("tone2.wav"), QStringLiteral("tone.wav")));
        r.sound->play(QStringLiteral("tone.wav"));
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
        const AudioClip* clip = r.sound->lastClip();
        QVERIFY(clip);
        r.sound->waitUntilEnded();
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
