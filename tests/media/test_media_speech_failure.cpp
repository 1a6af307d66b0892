// Failures that must not hang or crash the game: espeak-ng data missing, MeCab dictionary
// missing, no audio device. Each runs in a child process of this test (their state is
// per process).
#include "MediaTestSupport.h"

#include "media/EspeakSpeechControl.h"
#include "media/SdlSoundControl.h"
#include "media/SpeechSynthesis.h"
#include "media/SystemMedia.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <cstring>

using namespace mokuri;
using namespace mokuri::test;

namespace {

// Speaks once; exit code 0 when exactly one SpeechEnded came, after Speak, within 3 s.
int SpeakOnce(int argc, char** argv, const QString& text, bool synthesisMustFail)
{
    QCoreApplication app(argc, argv);
    const SpeechAudio direct = SynthesizeSpeech(text);
    if (direct.ok() == synthesisMustFail) {
        std::fprintf(stdout, "SynthesizeSpeech ok=%d error=%s\n", direct.ok(), qPrintable(direct.error));
        return 3;
    }
    std::unique_ptr<SpeechControl> speech(CreateSystemSpeechControl());
    int ended = 0;
    bool inSpeak = true;
    bool early = false;
    QObject::connect(speech.get(), &SpeechControl::SpeechEnded, [&] {
        ++ended;
        early |= inSpeak;
    });
    speech->Speak(text);
    inSpeak = false;
    QElapsedTimer clock;
    clock.start();
    while (ended == 0 && clock.elapsed() < 3000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const qint64 after = clock.elapsed();
    QTest::qWait(300);
    std::fprintf(stdout, "ended=%d early=%d after=%lld ms\n", ended, early, (long long)after);
    return ended == 1 && !early ? 0 : 1;
}

int PlayWithoutDevice(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    WriteFileBytes("tone.wav", ToneWav(0.3, 22050, 1, 16));
    auto sound = CreateSystemSoundControl();
    auto sound2 = std::make_unique<SdlSoundControl>(std::make_shared<AudioMixer>()); // a second mixer: no second message
    QElapsedTimer clock;
    clock.start();
    sound->SetFileName("tone.wav");
    sound->SetCommand("Open");
    sound->SetCommand("Play");
    const bool playing = sound->Mode() == ModePlaying;
    sound->WaitForModeChange();
    const qint64 ms = clock.elapsed();
    std::fprintf(stdout, "driver=%s playing=%d waited=%lld ms\n",
                 qPrintable(static_cast<SdlSoundControl*>(sound.get())->mixer().driverName()), playing,
                 (long long)ms);
    return playing && ms >= 270 && ms <= 400 ? 0 : 1;
}

} // namespace

class MediaSpeechFailure : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    struct Outcome {
        int exitCode = -1;
        QString out, err;
    };
    Outcome Child(const QString& mode, const QProcessEnvironment& env)
    {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QCoreApplication::applicationFilePath(), {"--child", mode});
        Outcome o;
        if (!p.waitForFinished(15000)) {
            p.kill();
            p.waitForFinished();
            o.err = "timed out";
            return o;
        }
        o.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
        o.out = QString::fromLocal8Bit(p.readAllStandardOutput());
        o.err = QString::fromLocal8Bit(p.readAllStandardError());
        return o;
    }
    static QProcessEnvironment Env()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("SDL_AUDIODRIVER", "dummy");
        env.remove("MOKURI_TRACE");
        return env;
    }

private slots:
    void espeakDataMissing()
    {
        QVERIFY(QDir(dir.path()).mkpath("espeak-ng-data")); // an empty data folder
        QProcessEnvironment env = Env();
        env.insert("ESPEAK_DATA_PATH", dir.path());
        const Outcome o = Child("speak", env);
        QVERIFY2(o.exitCode == 0, qPrintable(o.out + o.err));
        QCOMPARE(o.err.count("mokuri: speech failed"), 1);
        QCOMPARE(o.err.trimmed().count('\n'), 0); // one line on stderr, nothing else
    }

    void mecabDictionaryMissing()
    {
        QProcessEnvironment env = Env();
        env.insert("MOKURI_MECAB_DICDIR", dir.filePath("no-such-dictionary"));
        const Outcome o = Child("speak", env);
        QVERIFY2(o.exitCode == 0, qPrintable(o.out + o.err));
        QCOMPARE(o.err.count("mokuri: speech failed"), 1);
        QVERIFY(o.err.contains("MeCab"));
        QCOMPARE(o.err.trimmed().count('\n'), 0);
        // A single letter needs no MeCab: the deck can still be made.
        const Outcome letter = Child("letter", env);
        QVERIFY2(letter.exitCode == 0, qPrintable(letter.out + letter.err));
        QCOMPARE(letter.err.count("mokuri: speech failed"), 0);
    }

    void noAudioDeviceFallsBackToDummyInRealTime()
    {
        QProcessEnvironment env = Env();
        env.insert("SDL_AUDIODRIVER", "no-such-driver");
        const Outcome o = Child("sound", env);
        QVERIFY2(o.exitCode == 0, qPrintable(o.out + o.err));
        QVERIFY2(o.out.contains("driver=dummy"), qPrintable(o.out));
        QCOMPARE(o.err.count("no audio device"), 1);
    }
};

int main(int argc, char** argv)
{
    if (argc > 2 && std::strcmp(argv[1], "--child") == 0) {
        const QString mode = QString::fromLatin1(argv[2]);
        char* childArgv[] = {argv[0], nullptr};
        int childArgc = 1;
        if (mode == "speak")
            return SpeakOnce(childArgc, childArgv, QStringLiteral("並べましょう"), true);
        if (mode == "letter")
            return SpeakOnce(childArgc, childArgv, QStringLiteral("ぱ"), false);
        if (mode == "sound")
            return PlayWithoutDevice(childArgc, childArgv);
        return 2;
    }
    QCoreApplication app(argc, argv);
    MediaSpeechFailure test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_media_speech_failure.moc"
