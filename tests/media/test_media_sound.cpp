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
    int run = 0;

    struct Rig {
        QString rawPath;
        std::shared_ptr<AudioMixer> mixer;
        std::unique_ptr<SdlSoundControl> sound;
        int channels = 0;
        int rate = 0;
        int buffer = 0;
        // Closes the device (so the disk file is complete) and reads what was heard.
        Heard Finish()
        {
            sound.reset();
            mixer.reset();
            return Heard::Read(rawPath, channels, rate);
        }
    };

    Rig Open()
    {
        Rig r;
        r.rawPath = dir.filePath(QString("heard%1.raw").arg(++run));
        UseDiskAudio(r.rawPath);
        r.mixer = std::make_shared<AudioMixer>();
        r.sound = std::make_unique<SdlSoundControl>(r.mixer);
        r.channels = r.mixer->channels();
        r.rate = r.mixer->sampleRate();
        r.buffer = r.mixer->bufferFrames();
        return r;
    }

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
        Rig r = Open();
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
        const long long first = h.firstLoud(), last = h.lastLoud();
        QVERIFY(first >= 0);
        const double heard = h.seconds(last - first + 1);
        QVERIFY2(std::fabs(heard - seconds) <= 0.1 * seconds,
                 qPrintable(QString("heard %1 s of %2 s").arg(heard).arg(seconds)));
        QVERIFY2(h.rms(first, last) > 0.1, "the sound is too quiet");
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
        Rig r = Open();
        QTest::qWait(30);
        PlayFile(*r.sound, "long.wav");
        QCOMPARE(r.sound->Mode(), ModePlaying);
        QThread::msleep(200);
        r.sound->SetCommand("Stop");
        QVERIFY(r.sound->Mode() != ModePlaying);
        QElapsedTimer clock;
        clock.start();
        r.sound->WaitForModeChange();
        QVERIFY(clock.elapsed() < 20);
        r.sound->SetCommand("Close");
        QCOMPARE(r.sound->Mode(), ModeNotOpen);
        QThread::msleep(200);
        const Heard h = r.Finish();
        const double heard = h.seconds(h.lastLoud() - h.firstLoud() + 1);
        QVERIFY2(heard > 0.1 && heard < 0.3, qPrintable(QString("heard %1 s").arg(heard)));
    }

    void aNewSoundCutsTheOldOne()
    {
        Rig r = Open();
        PlayFile(*r.sound, "long.wav");
        QThread::msleep(100);
        PlayFile(*r.sound, "tone.wav");
        QCOMPARE(r.sound->Mode(), ModePlaying);
        r.sound->WaitForModeChange();
        QVERIFY(r.sound->Mode() != ModePlaying);
        QThread::msleep(50);
        const Heard h = r.Finish();
        const double heard = h.seconds(h.lastLoud() - h.firstLoud() + 1);
        QVERIFY2(heard > 0.55 && heard < 0.7, qPrintable(QString("heard %1 s").arg(heard)));
    }

    void missingFileNeverPlays()
    {
        Rig r = Open();
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
            QVERIFY(clock.elapsed() < 5);
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
        Rig r = Open();
        SoundControl& s = *r.sound;
        QCOMPARE(s.Mode(), ModeNotOpen);
        s.SetCommand("Stop");
        s.SetCommand("Close");
        s.SetCommand("Play");
        s.WaitForModeChange();
        QCOMPARE(s.Mode(), ModeNotOpen);
        s.SetFileName("tone.wav");
        s.SetCommand("Open");
        QCOMPARE(s.Mode(), ModeStopped);
        s.SetCommand("Open");
        s.SetCommand("Stop");
        QCOMPARE(s.Mode(), ModeStopped);
        s.SetCommand("Play");
        s.SetCommand("Play");
        QCOMPARE(s.Mode(), ModePlaying);
        s.SetCommand("Close");
        s.SetCommand("Close");
        QCOMPARE(s.Mode(), ModeNotOpen);
        s.SetCommand("Bogus");
        QCOMPARE(s.Mode(), ModeNotOpen);
    }

    void cachedFileStartsAgain()
    {
        Rig r = Open();
        PlayFile(*r.sound, "tone.wav");
        r.sound->WaitForModeChange();
        QElapsedTimer clock;
        clock.start();
        PlayFile(*r.sound, "tone.wav");
        QVERIFY2(clock.nsecsElapsed() < 5'000'000, qPrintable(QString::number(clock.nsecsElapsed())));
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
