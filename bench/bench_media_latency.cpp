// SPDX-License-Identifier: GPL-3.0-or-later
// Media latencies: play -> first sample in the device buffer (device closed while idle, and
// device still open), play -> first sample heard at a PulseAudio sink, speak -> first speech
// sample in the device buffer, CPU while waiting for a 1 s sound.
// Run: bench_media_latency [--monitor SOURCE]
//   uses the default audio device (SDL_AUDIODRIVER=dummy works too). With --monitor, the
//   letter's onset is also found in what `parec -d SOURCE` records, e.g. the monitor of a
//   PulseAudio null sink that is the default sink: see BENCHMARKS.md. parec records until
//   the end: a null sink no client records from renders in blocks of 2 s, and a stream
//   opened on it waits for the next block, which a real sink does not do.
#include "media/AudioMixer.h"
#include "media/EspeakSpeechVoice.h"
#include "media/SdlSoundPlayer.h"
#include "media/SpeechSynthesis.h"
#include "media/WavData.h"
#include "support/Trace.h"

#include "LatencyReport.h"
#include "SinkRecorder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

using namespace mokuri;
using Clock = std::chrono::steady_clock;
using mokuri::bench::SinkRecorder;
using mokuri::bench::ms;
using mokuri::bench::reportLatencies;

namespace {

double cpuSeconds(int who)
{
    rusage u{};
    getrusage(who, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void writeTone(const QString& path, double seconds)
{
    const int rate = 22050;
    std::vector<std::int16_t> s(std::size_t(seconds * rate));
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = std::int16_t(12000 * std::sin(2 * M_PI * 440 * double(i) / rate));
    if (!writeWavFile(path, s, rate))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QString monitor;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--monitor") == 0)
            monitor = QString::fromLocal8Bit(argv[i + 1]);
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    writeTone(QStringLiteral("あ.wav"), 0.3);
    writeTone(QStringLiteral("long.wav"), 1.0);
    std::mt19937 random(42);
    std::uniform_int_distribution<int> phase(0, 12000); // µs, spreads the calls over the buffer period

    const auto mixerStart = Clock::now();
    // A short linger, so that the device is closed again soon after each letter.
    auto mixer = std::make_shared<AudioMixer>(std::chrono::milliseconds(300));
    std::printf("audio: driver %s%s, %d Hz, %d channels, %d-frame buffer (%.2f ms); device opened in %.1f ms\n",
                qPrintable(mixer->driverName()), mixer->silentFallback() ? " (fallback)" : "", mixer->sampleRate(),
                mixer->channels(), mixer->bufferFrames(), 1000.0 * mixer->bufferFrames() / mixer->sampleRate(),
                ms(Clock::now() - mixerStart));
    auto waitDevice = [&](bool open) {
        const auto until = Clock::now() + std::chrono::seconds(5);
        while (mixer->deviceOpen() != open && Clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    };

    Trace trace;
    SdlSoundPlayer sound(trace, mixer);
    // The player reads on the executor and answers through the event loop.
    auto pumpUntil = [](auto done, std::chrono::milliseconds limit) {
        const auto until = Clock::now() + limit;
        while (!done() && Clock::now() < until)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        return done();
    };
    // The end comes as a signal: the thread sleeps in the event loop until it does.
    auto waitUntilEnded = [&] {
        QEventLoop loop;
        QObject::connect(&sound, &SoundPlayer::soundEnded, &loop, &QEventLoop::quit);
        QTimer::singleShot(15000, &loop, &QEventLoop::quit);
        if (sound.isPlaying()) loop.exec();
    };
    auto t0 = Clock::now();
    sound.play(QStringLiteral("あ.wav"));
    pumpUntil([&] { return sound.lastClip() != nullptr; }, std::chrono::seconds(5));
    std::printf("first play of a 0.3 s file (read + decode + convert): %.2f ms\n", ms(Clock::now() - t0));
    sound.stop();

    std::optional<SinkRecorder> recorder;
    if (!monitor.isEmpty()) {
        recorder.emplace(monitor);
        if (!recorder->ok())
            std::printf("parec could not be started: no onsets at the sink\n");
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }

    // --- play -> first sample, with the device closed (idle) and still open ---------------
    for (const bool deviceClosed : {true, false}) {
        std::vector<double> callMs, bufferMs, sinkMs;
        for (int i = 0; i < 40; ++i) {
            waitUntilEnded();
            if (deviceClosed)
                waitDevice(false);
            // Long enough for the letter before to have left the sink, short of the linger.
            std::this_thread::sleep_for(std::chrono::microseconds(100000 + phase(random)));
            if (recorder)
                recorder->clear();
            t0 = Clock::now();
            const std::uint64_t before = sound.playToken();
            sound.play(QStringLiteral("あ.wav"));
            callMs.push_back(ms(Clock::now() - t0));
            std::optional<Clock::time_point> first;
            // The time comes from the mixer; the token once the executor's look at the file is back.
            pumpUntil([&] { return sound.playToken() != before && (first = mixer->soundFirstMixed(sound.playToken())); },
                      std::chrono::seconds(1));
            if (first)
                bufferMs.push_back(ms(*first - t0));
            if (recorder) {
                std::this_thread::sleep_for(std::chrono::milliseconds(150));
                if (auto heard = recorder->onsetAfter(t0, 0.05f))
                    sinkMs.push_back(ms(*heard - t0));
            }
        }
        waitUntilEnded();
        std::printf("-- %s\n", deviceClosed ? "device closed (idle) at the touch" : "device open at the touch");
        reportLatencies("play calls, cached file", callMs, 0);
        reportLatencies("play -> first sample in the device buffer", bufferMs, 0);
        if (recorder)
            reportLatencies("play -> first sample heard at the sink", sinkMs, 30);
    }

    // --- CPU while waiting for a 1 s sound ------------------------------------------------
    sound.play(QStringLiteral("long.wav"));
    waitUntilEnded();
    const double cpuProcess0 = cpuSeconds(RUSAGE_SELF), cpuThread0 = cpuSeconds(RUSAGE_THREAD);
    t0 = Clock::now();
    sound.play(QStringLiteral("long.wav"));
    waitUntilEnded();
    const double wall = ms(Clock::now() - t0) / 1000.0;
    const double cpuProcess = cpuSeconds(RUSAGE_SELF) - cpuProcess0, cpuThread = cpuSeconds(RUSAGE_THREAD) - cpuThread0;
    std::printf("the event loop during a 1 s sound: waited %.3f s; CPU %.2f %% of a core for the whole process "
                "(audio thread included), %.3f %% for the waiting thread (target < 5 %%: %s)\n",
                wall, 100.0 * cpuProcess / wall, 100.0 * cpuThread / wall, cpuProcess / wall < 0.05 ? "met" : "NOT met");

    // --- speak -> first speech sample -----------------------------------------------------
    const QString text = QStringLiteral("よくできました。これが、ひこうき、だね。"); // 20 letters
    const auto speechStart = Clock::now();
    EspeakSpeechVoice speech(mixer);
    t0 = Clock::now();
    speech.speak(text);
    const double speakCall0 = ms(Clock::now() - t0);
    auto waitFirst = [&](std::uint64_t previous) -> std::optional<double> {
        while (Clock::now() - t0 < std::chrono::seconds(5)) {
            const std::uint64_t id = speech.currentStreamId();
            if (id != previous)
                if (auto first = mixer->speechFirstMixed(id))
                    return ms(*first - t0);
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
        return std::nullopt;
    };
    if (auto cold = waitFirst(0))
        std::printf("first speak right after creating the voice (espeak-ng + MeCab loading): %.2f ms to the first "
                    "sample (speak call %.3f ms; voice created %.1f ms before)\n",
                    *cold, speakCall0, ms(t0 - speechStart));
    std::vector<double> speakCall, speakMs;
    for (int i = 0; i < 40; ++i) {
        speech.stop();
        if (i % 2 == 0)
            waitDevice(false); // every other one from a closed device
        std::this_thread::sleep_for(std::chrono::microseconds(20000 + phase(random)));
        const std::uint64_t previous = speech.currentStreamId();
        t0 = Clock::now();
        speech.speak(text);
        speakCall.push_back(ms(Clock::now() - t0));
        if (auto first = waitFirst(previous))
            speakMs.push_back(*first);
    }
    speech.stop();
    reportLatencies("speak call (returns at once)", speakCall, 1);
    reportLatencies("speak (20 letters) -> first sample in buffer", speakMs, 30);

    // Whole-sentence synthesis speed, for reference.
    t0 = Clock::now();
    const SpeechAudio audio = synthesizeSpeech(text);
    std::printf("synthesizeSpeech of the 20 letters: %.2f s of sound in %.1f ms\n",
                double(audio.samples.size()) / std::max(1, audio.sampleRate), ms(Clock::now() - t0));
    return 0;
}
