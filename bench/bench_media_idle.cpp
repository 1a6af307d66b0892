// SPDX-License-Identifier: GPL-3.0-or-later
// CPU of a game waiting for a touch: the real sound player and speech voice play a letter
// and speak a sentence, then the event loop idles; measured are this process and, when one
// runs, the PulseAudio server.
// Run: bench_media_idle [SECONDS]             (default 30)
//      bench_media_idle --keep-open [SECONDS] the same with the device never closed, for comparison
//      bench_media_idle --watch PID [SECONDS]  measures a running process (the game) instead
// Both read utime + stime from /proc/PID/stat (the server: the first process named
// "pulseaudio") at the start and the end of the idle period.
#include "media/AudioMixer.h"
#include "media/EspeakSpeechVoice.h"
#include "media/SdlSoundPlayer.h"
#include "media/SpeechSynthesis.h"
#include "media/WavData.h"
#include "support/Trace.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>

using namespace mokuri;

namespace {

// utime + stime of a process, all its threads, in seconds.
std::optional<double> cpuSeconds(const QString& pid)
{
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray stat = f.readAll();
    // The command name, in parentheses, may hold spaces: count fields after its end.
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return std::nullopt;
    const double ticks = double(fields[11].toLongLong() + fields[12].toLongLong()); // fields 14 and 15 of stat
    return ticks / double(sysconf(_SC_CLK_TCK));
}

QString pulseAudioPid()
{
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool number = false;
        entry.toInt(&number);
        if (!number)
            continue;
        QFile comm(QStringLiteral("/proc/%1/comm").arg(entry));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == "pulseaudio")
            return entry;
    }
    return {};
}

void runEventLoopFor(double seconds)
{
    QEventLoop loop;
    QTimer::singleShot(int(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
}

void report(const char* what, std::optional<double> cpu, double seconds, double target)
{
    if (!cpu) {
        std::printf("%-40s not measured\n", what);
        return;
    }
    const double percent = 100.0 * *cpu / seconds;
    std::printf("%-40s %.3f %% of a core (%.2f s CPU in %.0f s)", what, percent, *cpu, seconds);
    if (target > 0)
        std::printf("  (target <= %.1f %%: %s)", target, percent <= target ? "met" : "NOT met");
    std::printf("\n");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QString watched = QString::number(getpid());
    int arg = 1;
    bool keepOpen = false;
    if (argc > 2 && std::strcmp(argv[1], "--watch") == 0) {
        watched = QString::fromLatin1(argv[2]);
        arg = 3;
    } else if (argc > 1 && std::strcmp(argv[1], "--keep-open") == 0) {
        keepOpen = true;
        arg = 2;
    }
    const double seconds = argc > arg ? std::atof(argv[arg]) : 30.0;
    const bool self = watched == QString::number(getpid());
    const QString pulse = pulseAudioPid();

    QTemporaryDir dir;
    Trace trace;
    std::shared_ptr<AudioMixer> mixer;
    std::unique_ptr<SdlSoundPlayer> sound;
    std::unique_ptr<EspeakSpeechVoice> speech;
    if (self) {
        QDir::setCurrent(dir.path());
        const SpeechAudio letter = synthesizeSpeech(QStringLiteral("あ"), SpeechOptions{135, 55, true});
        if (!writeWavFile(QStringLiteral("あ.wav"), letter.samples, letter.sampleRate))
            std::fprintf(stderr, "the letter could not be made: %s\n", qPrintable(letter.error));
        mixer = keepOpen ? std::make_shared<AudioMixer>(std::chrono::hours(24)) : AudioMixer::shared();
        std::printf("audio: driver %s%s, %d-frame buffer\n", qPrintable(mixer->driverName()),
                    mixer->silentFallback() ? " (fallback)" : "", mixer->bufferFrames());
        sound = std::make_unique<SdlSoundPlayer>(trace, mixer);
        speech = std::make_unique<EspeakSpeechVoice>(mixer);
        sound->play(QStringLiteral("あ.wav"));
        QEventLoop played;
        QObject::connect(sound.get(), &SoundPlayer::soundEnded, &played, &QEventLoop::quit);
        QTimer::singleShot(15000, &played, &QEventLoop::quit);
        if (sound->isPlaying()) played.exec();
        QEventLoop spoken;
        QObject::connect(speech.get(), &SpeechVoice::speechEnded, &spoken, &QEventLoop::quit);
        QTimer::singleShot(15000, &spoken, &QEventLoop::quit);
        speech->speak(QStringLiteral("よくできました。これが、りんご、だね。"));
        spoken.exec();
        // The device stays open for a moment after the last sound; the idle period starts
        // once it has closed, as it does for a child looking at the screen.
        runEventLoopFor(std::chrono::duration<double>(AudioMixer::kDefaultLinger).count() + 0.5);
        std::printf("device open after the linger: %s\n", mixer->deviceOpen() ? "yes" : "no");
    }
    std::printf("idle for %.0f s: %s%s\n", seconds, self ? "this process" : qPrintable(QStringLiteral("process ") + watched),
                pulse.isEmpty() ? ", no PulseAudio server running" : qPrintable(QStringLiteral(" and PulseAudio (pid %1)").arg(pulse)));

    const auto game0 = cpuSeconds(watched);
    const auto pulse0 = pulse.isEmpty() ? std::nullopt : cpuSeconds(pulse);
    if (self)
        runEventLoopFor(seconds);
    else
        sleep(unsigned(seconds));
    const auto game1 = cpuSeconds(watched);
    const auto pulse1 = pulse.isEmpty() ? std::nullopt : cpuSeconds(pulse);

    const auto game = game0 && game1 ? std::optional<double>(*game1 - *game0) : std::nullopt;
    const auto server = pulse0 && pulse1 ? std::optional<double>(*pulse1 - *pulse0) : std::nullopt;
    report(self ? "this process" : "the watched process", game, seconds, self && mixer->paced() ? 0.1 : 0);
    if (!pulse.isEmpty()) {
        report("PulseAudio", server, seconds, 0);
        report("both", game && server ? std::optional<double>(*game + *server) : std::nullopt, seconds, 0.5);
    }
    return 0;
}
