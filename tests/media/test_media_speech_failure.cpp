// SPDX-License-Identifier: GPL-3.0-or-later
// Failures that must not hang or crash the game: espeak-ng data missing, MeCab dictionary
// missing, no audio device. Each runs in a child process of this test (their state is
// per process).
#include "MediaTestSupport.h"
#include "support/Logging.h"

#include "media/SdlSoundPlayer.h"
#include "media/SpeechSynthesis.h"
#include "media/SystemMedia.h"
#include "support/Trace.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <cstring>

using namespace mokuri;
using namespace mokuri::test;

namespace {

// Speaks once; exit code 0 when exactly one speechEnded came, after speak returned.
int speakOnce(int argc, char** argv, const QString& text, bool synthesisMustFail)
{
    QCoreApplication app(argc, argv);
    const SpeechAudio direct = synthesizeSpeech(text);
    if (direct.ok() == synthesisMustFail) {
        std::fprintf(stdout, "synthesizeSpeech ok=%d error=%s\n", direct.ok(), qPrintable(direct.error));
        return 3;
    }
    std::unique_ptr<SpeechVoice> speech(createSystemSpeechVoice());
    int ended = 0;
    bool inSpeak = true;
    bool early = false;
    QObject::connect(speech.get(), &SpeechVoice::speechEnded, [&] {
        ++ended;
        early |= inSpeak;
    });
    speech->speak(text);
    inSpeak = false;
    if (!QTest::qWaitFor([&] { return ended > 0; }, 10000))
        std::fprintf(stdout, "no speechEnded\n");
    QTest::qWait(300); // a second speechEnded would come now
    std::fprintf(stdout, "ended=%d early=%d\n", ended, early);
    return ended == 1 && !early ? 0 : 1;
}

// Plays a 0.3 s sound on the fallback; exit code 0 when it played and the wait lasted while
// the silent driver played it (in its frames, which follow the clock there).
int playWithoutDevice(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    writeFileBytes(QStringLiteral("tone.wav"), toneWav(0.3, 22050, 1, 16));
    Trace trace;
    auto sound = createSystemSoundPlayer(trace);
    SdlSoundPlayer sound2(trace, std::make_shared<AudioMixer>()); // a second mixer: no second message
    AudioMixer& mixer = static_cast<SdlSoundPlayer*>(sound.get())->mixer();
    const std::uint64_t framesAtPlay = mixer.framesRendered();
    sound->play(QStringLiteral("tone.wav"));
    const bool playing = sound->isPlaying();
    (void)QTest::qWaitFor([&] { return !sound->isPlaying(); }, 30000);
    const double played = double(mixer.framesRendered() - framesAtPlay) / mixer.sampleRate();
    std::fprintf(stdout, "driver=%s playing=%d played=%.3f s\n", qPrintable(mixer.driverName()), playing, played);
    return playing && !sound->isPlaying() && played >= 0.29 ? 0 : 1;
}

} // namespace

class MediaSpeechFailure : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    struct Outcome {
        int exitCode = -1;
        QString out, err;
    };
    Outcome child(const QString& mode, const QProcessEnvironment& env)
    {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), mode});
        Outcome o;
        if (!p.waitForFinished(15000)) {
            p.kill();
            p.waitForFinished();
            o.err = QStringLiteral("timed out");
            return o;
        }
        o.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
        o.out = QString::fromLocal8Bit(p.readAllStandardOutput());
        o.err = QString::fromLocal8Bit(p.readAllStandardError());
        return o;
    }
private slots:
    void initTestCase() { QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("espeak-ng-data"))); }  // an empty data folder

    void failureIsSaidOnceAndTheGameGoesOn_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("variable");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("stderrLine");  // a pattern; empty: no message of ours at all
        QTest::addColumn<QString>("stdoutHas");
        const QString noMecab = dir.filePath(QStringLiteral("no-such-dictionary"));
        auto s = [](const char* text) { return QString::fromUtf8(text); };
        QTest::newRow("espeak-ng data missing") << s("speak") << s("ESPEAK_DATA_PATH") << dir.path()
                                                << s("mokuri: speech failed") << QString();
        QTest::newRow("MeCab dictionary missing") << s("speak") << s("MOKURI_MECAB_DICDIR") << noMecab
                                                  << s("mokuri: speech failed: .*MeCab") << QString();
        // A single letter needs no MeCab: the deck can still be made.
        QTest::newRow("a letter without MeCab") << s("letter") << s("MOKURI_MECAB_DICDIR") << noMecab << QString() << QString();
        // Without Open JTalk or its voice the game speaks with espeak-ng, and says why once.
        QTest::newRow("no open_jtalk") << s("sentence") << s("MOKURI_OPEN_JTALK") << dir.filePath(s("no-such-program"))
                                       << s("mokuri: speaking with espeak-ng: open_jtalk is not installed") << QString();
        QTest::newRow("no voice Mei") << s("sentence") << s("XDG_CACHE_HOME") << dir.path()
                                      << s("mokuri: speaking with espeak-ng: the voice Mei is not installed") << QString();
        QTest::newRow("no audio device: dummy in real time") << s("sound") << s("SDL_AUDIODRIVER") << s("no-such-driver")
                                                             << s("no audio device") << s("driver=dummy");
    }

    void failureIsSaidOnceAndTheGameGoesOn()
    {
        QFETCH(QString, mode);
        QFETCH(QString, variable);
        QFETCH(QString, value);
        QFETCH(QString, stderrLine);
        QFETCH(QString, stdoutHas);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
        env.remove(QStringLiteral("MOKURI_TRACE"));
        env.remove(QStringLiteral("MOKURI_VOICE"));
        env.remove(QStringLiteral("MOKURI_VOICE_DIR"));
        if (mode != QLatin1String("sentence")) // the other rows are about espeak-ng itself
            env.insert(QStringLiteral("MOKURI_SPEECH"), QStringLiteral("espeak-ng"));
        env.insert(variable, value);
        const Outcome o = child(mode, env);
        QVERIFY2(o.exitCode == 0, qPrintable(o.out + o.err));
        QVERIFY2(o.out.contains(stdoutHas), qPrintable(o.out));
        if (stderrLine.isEmpty()) {
            QVERIFY2(!o.err.contains(QLatin1String("mokuri:")), qPrintable(o.err));
        } else {
            QCOMPARE(o.err.count(QRegularExpression(stderrLine)), 1);
            QCOMPARE(o.err.trimmed().count(u'\n'), 0);  // one line on stderr, nothing else
        }
    }
};

int main(int argc, char** argv)
{
    mokuri::installProgramLog("mokuri");  // the messages on stderr, as the game writes them
    if (argc > 2 && std::strcmp(argv[1], "--child") == 0) {
        const QString mode = QString::fromLatin1(argv[2]);
        char* childArgv[] = {argv[0], nullptr};
        int childArgc = 1;
        if (mode == QLatin1String("speak"))
            return speakOnce(childArgc, childArgv, QStringLiteral("並べましょう"), true);
        if (mode == QLatin1String("sentence"))
            return speakOnce(childArgc, childArgv, QStringLiteral("並べましょう"), false);
        if (mode == QLatin1String("letter"))
            return speakOnce(childArgc, childArgv, QStringLiteral("ぱ"), false);
        if (mode == QLatin1String("sound"))
            return playWithoutDevice(childArgc, childArgv);
        return 2;
    }
    QCoreApplication app(argc, argv);
    MediaSpeechFailure test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_media_speech_failure.moc"
