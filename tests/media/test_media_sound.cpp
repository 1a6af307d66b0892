// The SDL sound control, heard through SDL's disk driver.
#include "MediaTestSupport.h"

#include "app/Trace.h"
#include "media/AudioMixer.h"
#include "media/SdlSoundControl.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

using namespace mokuri;
using namespace mokuri::test;

class MediaSound : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString oldCwd;

    struct Rig : DiskMixer {
        std::unique_ptr<SdlSoundControl> sound;
        explicit Rig(const QTemporaryDir& dir) : DiskMixer(dir), sound(std::make_unique<SdlSoundControl>(mixer)) {}
        Heard Finish()
        {
            sound.reset();
            return DiskMixer::Finish();
        }
    };

    static void PlayFile(SoundControl& s, const QString& name)
    {
        s.SetCommand("Stop");
        s.SetCommand("Close");
        s.SetFileName(name);
        s.SetCommand("Open");
        s.SetCommand("Play");
    }

    // Plays a file to its end; checks it sounds for `seconds` (within 10 %), wall clock too.
    void CheckPlaysFor(const QString& name, double seconds)
    {
        Rig r(dir);
        QVERIFY2(r.mixer->driverName() == "disk", qPrintable(r.mixer->driverName()));
        QTest::qWait(30);
        QElapsedTimer clock;
        clock.start();
        const std::uint64_t framesAtPlay = r.mixer->framesRendered();
        PlayFile(*r.sound, name);
        QCOMPARE(r.sound->Mode(), ModePlaying);
        QThread::msleep(std::uint64_t(seconds * 500));
        QCOMPARE(r.sound->Mode(), ModePlaying);
        r.sound->WaitForModeChange();
        const double waited = clock.nsecsElapsed() / 1e9;
        QVERIFY(r.sound->Mode() != ModePlaying);
        // The wait lasts as long as the device takes to play the sound: measured in the
        // device's frames (the disk driver paces itself only roughly on a busy machine),
        // and never shorter than the sound on the wall clock.
        const double waitedOnDevice = double(r.mixer->framesRendered() - framesAtPlay) / r.rate;
        QVERIFY2(waitedOnDevice > 0.9 * seconds && waitedOnDevice < seconds + 0.25,
                 qPrintable(QString("waited %1 s of device time for %2 s").arg(waitedOnDevice).arg(seconds)));
        QVERIFY2(waited > 0.85 * seconds && waited < 3 * seconds,
                 qPrintable(QString("waited %1 s for %2 s").arg(waited).arg(seconds)));
        QThread::msleep(60);
        const Heard h = r.Finish();
        QVERIFY(h.firstLoud() >= 0);
        QVERIFY2(std::fabs(h.loudSeconds() - seconds) <= 0.1 * seconds,
                 qPrintable(QString("heard %1 s of %2 s").arg(h.loudSeconds()).arg(seconds)));
        QVERIFY2(h.rms(h.firstLoud(), h.lastLoud()) > 0.1, "the sound is too quiet");
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        oldCwd = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path())); // sounds are opened by bare name here
        QVERIFY(WriteFileBytes("tone.wav", ToneWav(0.5, 22050, 1, 16)));
        QVERIFY(WriteFileBytes("long.wav", ToneWav(1.0, 22050, 1, 16)));
        QVERIFY(WriteFileBytes("あ.wav", ToneWav(0.6, 11025, 1, 8)));
        QVERIFY(WriteFileBytes("ピンポン.wav", ToneWav(0.4, 44100, 2, 16, 660.0)));
        QVERIFY(WriteFileBytes("ブー.wav", QByteArray("RIFF this is not a sound file at all")));
        qputenv("MOKURI_TRACE", QFile::encodeName(dir.filePath("trace.txt")));
        ReopenTrace();
    }
    void cleanupTestCase() { QDir::setCurrent(oldCwd); }

    void toneComesOutWithItsLength() { CheckPlaysFor("tone.wav", 0.5); }
    void eightBitMono11025PlaysAtItsLength() { CheckPlaysFor("あ.wav", 0.6); }
    void sixteenBitStereo44100PlaysAtItsLength() { CheckPlaysFor("ピンポン.wav", 0.4); }

    void stopCutsTheSound()
    {
        Rig r(dir);
        QTest::qWait(30);
        PlayFile(*r.sound, "long.wav");
        QCOMPARE(r.sound->Mode(), ModePlaying);
        QThread::msleep(200);
        r.sound->SetCommand("Stop");
        QVERIFY(r.sound->Mode() != ModePlaying);
        QElapsedTimer clock;
        clock.start();
        r.sound->WaitForModeChange();
        QVERIFY(clock.elapsed() < 200);  // far below the rest of the sound: no wait for it
        r.sound->SetCommand("Close");
        QCOMPARE(r.sound->Mode(), ModeNotOpen);
        QThread::msleep(200);
        const double heard = r.Finish().loudSeconds();
        QVERIFY2(heard > 0.1 && heard < 0.3, qPrintable(QString("heard %1 s").arg(heard)));
    }

    void aNewSoundCutsTheOldOne()
    {
        Rig r(dir);
        PlayFile(*r.sound, "long.wav");
        QThread::msleep(100);
        PlayFile(*r.sound, "tone.wav");
        QCOMPARE(r.sound->Mode(), ModePlaying);
        r.sound->WaitForModeChange();
        QVERIFY(r.sound->Mode() != ModePlaying);
        QThread::msleep(50);
        const double heard = r.Finish().loudSeconds();
        QVERIFY2(heard > 0.55 && heard < 0.7, qPrintable(QString("heard %1 s").arg(heard)));
    }

    void missingFileNeverPlays()
    {
        Rig r(dir);
        for (const QString& name : {QString("nothere.wav"), QString("ブー.wav")}) {
            PlayFile(*r.sound, name);
            QElapsedTimer clock;
            clock.start();
            for (int i = 0; i < 20; ++i) {
                QVERIFY(r.sound->Mode() != ModePlaying);
                QThread::msleep(2);
            }
            clock.restart();
            r.sound->WaitForModeChange();
            QVERIFY(clock.elapsed() < 200);  // returns at once, however loaded the machine
            QCOMPARE(r.sound->Mode(), ModeNotOpen);
        }
        QFile trace(dir.filePath("trace.txt"));
        QVERIFY(trace.open(QIODevice::ReadOnly));
        const QString log = QString::fromUtf8(trace.readAll());
        QVERIFY2(log.contains("\tmissing\tnothere.wav\n"), qPrintable(log));
        QVERIFY2(log.contains(QString::fromUtf8("\tmissing\tブー.wav\n")), qPrintable(log));
        QVERIFY(!log.contains("tone.wav"));
        const Heard h = r.Finish();
        QCOMPARE(h.firstLoud(), -1LL);
    }

    void commandsInTheWrongStateAreIgnored()
    {
        Rig r(dir);
        SoundControl& s = *r.sound;
        QCOMPARE(s.Mode(), ModeNotOpen);
        // Each step's commands ("name" sets the file name, "wait" waits for a change of mode),
        // then the mode they leave.
        const std::pair<const char*, int> steps[] = {
            {"Stop Close Play wait", ModeNotOpen}, {"name Open", ModeStopped}, {"Open Stop", ModeStopped},
            {"Play Play", ModePlaying},            {"Close Close", ModeNotOpen}, {"Bogus", ModeNotOpen}};
        for (const auto& [commands, mode] : steps) {
            for (const QString& c : QString(commands).split(' ')) {
                if (c == "name") s.SetFileName("tone.wav");
                else if (c == "wait") s.WaitForModeChange();
                else s.SetCommand(c);
            }
            QVERIFY2(s.Mode() == mode, qPrintable(QString("%1: mode %2").arg(commands).arg(s.Mode())));
        }
    }

    void cachedFileStartsAgain()
    {
        Rig r(dir);
        PlayFile(*r.sound, "tone.wav");
        const AudioClip* first = r.sound->openClip();
        r.sound->WaitForModeChange();
        // Played again from what was decoded, not read and converted again (how fast that
        // is, is the latency benchmark's business, not a timed test's).
        PlayFile(*r.sound, "tone.wav");
        QCOMPARE(r.sound->openClip(), first);
        QCOMPARE(r.sound->Mode(), ModePlaying);
        // A changed file is read again.
        r.sound->SetCommand("Close");
        QThread::msleep(20);
        QVERIFY(WriteFileBytes("tone2.wav", ToneWav(0.2, 22050, 1, 16)));
        QFile::remove("tone.wav");
        QVERIFY(QFile::rename("tone2.wav", "tone.wav"));
        r.sound->SetFileName("tone.wav");
        r.sound->SetCommand("Open");
        QVERIFY2(std::fabs(r.sound->openSeconds() - 0.2) < 0.01, qPrintable(QString::number(r.sound->openSeconds())));
        r.sound->SetCommand("Close");
        QVERIFY(WriteFileBytes("tone.wav", ToneWav(0.5, 22050, 1, 16)));
    }
};

QTEST_GUILESS_MAIN(MediaSound)
#include "test_media_sound.moc"
