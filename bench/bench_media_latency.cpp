// Media latencies: PlaySound -> first sample in the device buffer, Speak -> first
// speech sample in the device buffer, CPU while waiting for a 1 s sound.
// Run: ./bench_media_latency   (uses the default audio device; SDL_AUDIODRIVER=dummy works too)
#include "media/AudioMixer.h"
#include "media/EspeakSpeechControl.h"
#include "media/SdlSoundControl.h"
#include "media/SpeechSynthesis.h"
#include "media/WavData.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <thread>
#include <vector>

using namespace mokuri;
using Clock = std::chrono::steady_clock;

namespace {

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

void Report(const char* what, std::vector<double> v, double target)
{
    std::sort(v.begin(), v.end());
    const double median = v[v.size() / 2];
    const double p95 = v[std::min(v.size() - 1, v.size() * 95 / 100)];
    std::printf("%-44s n=%zu  median %.2f ms  p95 %.2f ms  max %.2f ms  (target <= %.0f ms: %s)\n", what, v.size(),
                median, p95, v.back(), target, p95 <= target ? "met" : "NOT met");
}

double CpuSeconds(int who)
{
    rusage u{};
    getrusage(who, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void WriteTone(const QString& path, double seconds)
{
    const int rate = 22050;
    std::vector<std::int16_t> s(std::size_t(seconds * rate));
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = std::int16_t(12000 * std::sin(2 * M_PI * 440 * double(i) / rate));
    writeWavFile(path, s, rate);
}

void PlayFile(SoundControl& s, const QString& name)
{
    s.SetCommand("Stop");
    s.SetCommand("Close");
    s.SetFileName(name);
    s.SetCommand("Open");
    s.SetCommand("Play");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    WriteTone("あ.wav", 0.3);
    WriteTone("long.wav", 1.0);
    std::mt19937 random(42);
    std::uniform_int_distribution<int> phase(0, 6000); // µs, spreads the calls over the buffer period

    const auto mixerStart = Clock::now();
    auto mixer = AudioMixer::Shared();
    std::printf("audio: driver %s%s, %d Hz, %d channels, %d-frame buffer (%.2f ms); device opened in %.1f ms\n",
                qPrintable(mixer->driverName()), mixer->silentFallback() ? " (fallback)" : "", mixer->sampleRate(),
                mixer->channels(), mixer->bufferFrames(), 1000.0 * mixer->bufferFrames() / mixer->sampleRate(),
                Ms(Clock::now() - mixerStart));

    // --- PlaySound -> first sample -------------------------------------------------------
    SdlSoundControl sound(mixer);
    auto t0 = Clock::now();
    sound.SetFileName("あ.wav");
    sound.SetCommand("Open");
    std::printf("first open of a 0.3 s file (read + decode + convert): %.2f ms\n", Ms(Clock::now() - t0));
    sound.SetCommand("Close");
    std::vector<double> openMs, playMs;
    for (int i = 0; i < 100; ++i) {
        std::this_thread::sleep_for(std::chrono::microseconds(phase(random)));
        t0 = Clock::now();
        PlayFile(sound, "あ.wav");
        openMs.push_back(Ms(Clock::now() - t0));
        const std::uint64_t token = sound.playToken();
        std::optional<Clock::time_point> first;
        while (!(first = mixer->soundFirstMixed(token)) && Clock::now() - t0 < std::chrono::seconds(1))
            std::this_thread::sleep_for(std::chrono::microseconds(100)); // the time comes from the mixer
        if (first)
            playMs.push_back(Ms(*first - t0));
        sound.SetCommand("Stop");
    }
    Report("PlaySoundFile calls (Stop..Play), cached file", openMs, 5);
    Report("PlaySoundFile -> first sample in buffer", playMs, 5);

    // --- CPU while waiting for a 1 s sound ------------------------------------------------
    PlayFile(sound, "long.wav");
    sound.SetCommand("Stop");
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const double cpuProcess0 = CpuSeconds(RUSAGE_SELF), cpuThread0 = CpuSeconds(RUSAGE_THREAD);
    t0 = Clock::now();
    PlayFile(sound, "long.wav");
    sound.WaitForModeChange();
    const double wall = Ms(Clock::now() - t0) / 1000.0;
    const double cpuProcess = CpuSeconds(RUSAGE_SELF) - cpuProcess0, cpuThread = CpuSeconds(RUSAGE_THREAD) - cpuThread0;
    std::printf("WaitForModeChange on a 1 s sound: waited %.3f s; CPU %.2f %% of a core for the whole process "
                "(audio thread included), %.3f %% for the waiting thread (target < 5 %%: %s)\n",
                wall, 100.0 * cpuProcess / wall, 100.0 * cpuThread / wall, cpuProcess / wall < 0.05 ? "met" : "NOT met");

    // --- Speak -> first speech sample -----------------------------------------------------
    const QString text = QStringLiteral("よくできました。これが、ひこうき、だね。"); // 20 letters
    const auto speechStart = Clock::now();
    EspeakSpeechControl speech(mixer);
    t0 = Clock::now();
    speech.Speak(text);
    const double speakCall0 = Ms(Clock::now() - t0);
    auto waitFirst = [&](std::uint64_t previous) -> std::optional<double> {
        while (Clock::now() - t0 < std::chrono::seconds(5)) {
            const std::uint64_t id = speech.currentStreamId();
            if (id != previous)
                if (auto first = mixer->speechFirstMixed(id))
                    return Ms(*first - t0);
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
        return std::nullopt;
    };
    if (auto cold = waitFirst(0))
        std::printf("first Speak right after creating the control (espeak-ng + MeCab loading): %.2f ms to the first "
                    "sample (Speak call %.3f ms; control created %.1f ms before)\n",
                    *cold, speakCall0, Ms(t0 - speechStart));
    std::vector<double> speakCall, speakMs;
    for (int i = 0; i < 40; ++i) {
        speech.StopSpeaking();
        std::this_thread::sleep_for(std::chrono::microseconds(20000 + phase(random)));
        const std::uint64_t previous = speech.currentStreamId();
        t0 = Clock::now();
        speech.Speak(text);
        speakCall.push_back(Ms(Clock::now() - t0));
        if (auto ms = waitFirst(previous))
            speakMs.push_back(*ms);
    }
    speech.StopSpeaking();
    Report("Speak call (returns at once)", speakCall, 1);
    Report("Speak (20 letters) -> first sample in buffer", speakMs, 30);

    // Whole-sentence synthesis speed, for reference.
    t0 = Clock::now();
    const SpeechAudio audio = SynthesizeSpeech(text);
    std::printf("SynthesizeSpeech of the 20 letters: %.2f s of sound in %.1f ms\n",
                double(audio.samples.size()) / std::max(1, audio.sampleRate), Ms(Clock::now() - t0));
    return 0;
}
