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
#include <QRegularExpression>
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
private slots:
    void initTestCase() { QVERIFY(QDir(dir.path()).mkpath("espeak-ng-data")); }  // an empty data folder

    void failureIsSaidOnceAndTheGameGoesOn_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("variable");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("stderrLine");  // a pattern; empty: no message of ours at all
        QTest::addColumn<QString>("stdoutHas");
        const QString noMecab = dir.filePath("no-such-dictionary");
        QTest::newRow("espeak-ng data missing") << "speak" << "ESPEAK_DATA_PATH" << dir.path() << "mokuri: speech failed" << "";
        QTest::newRow("MeCab dictionary missing") << "speak" << "MOKURI_MECAB_DICDIR" << noMecab
                                                  << "mokuri: speech failed: .*MeCab" << "";
        // A single letter needs no MeCab: the deck can still be made.
        QTest::newRow("a letter without MeCab") << "letter" << "MOKURI_MECAB_DICDIR" << noMecab << "" << "";
        QTest::newRow("no audio device: dummy in real time") << "sound" << "SDL_AUDIODRIVER" << "no-such-driver"
                                                             << "no audio device" << "driver=dummy";
    }

    void failureIsSaidOnceAndTheGameGoesOn()
    {
        QFETCH(QString, mode);
        QFETCH(QString, variable);
        QFETCH(QString, value);
        QFETCH(QString, stderrLine);
        QFETCH(QString, stdoutHas);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("SDL_AUDIODRIVER", "dummy");
        env.remove("MOKURI_TRACE");
        env.insert(variable, value);
        const Outcome o = Child(mode, env);
        QVERIFY2(o.exitCode == 0, qPrintable(o.out + o.err));
        QVERIFY2(o.out.contains(stdoutHas), qPrintable(o.out));
        if (stderrLine.isEmpty()) {
            QVERIFY2(!o.err.contains("mokuri:"), qPrintable(o.err));
        } else {
            QCOMPARE(o.err.count(QRegularExpression(stderrLine)), 1);
            QCOMPARE(o.err.trimmed().count('\n'), 0);  // one line on stderr, nothing else
        }
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
