// SPDX-License-Identifier: GPL-3.0-or-later
// The Open JTalk voice: synthesis time per sentence and per letter (wall clock and the CPU
// of the open_jtalk processes), speak -> first speech sample in the device buffer for a text
// synthesised ahead (prepare) and for one that is not, and the CPU of the idle voice.
// Run: bench_openjtalk [--monitor SOURCE] [IDLE_SECONDS]   (default 10; SDL_AUDIODRIVER=dummy
//   works). With --monitor, the onset of each text synthesised ahead is also found in what
//   `parec -d SOURCE` records (a PulseAudio null sink's monitor: see BENCHMARKS.md).
// Needs open_jtalk and the voice Mei (./run.sh fetches it).
#include "media/AudioMixer.h"
#include "media/OpenJTalk.h"
#include "media/OpenJTalkSpeechVoice.h"

#include "SinkRecorder.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <QTest>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <optional>
#include <cstdio>
#include <thread>
#include <vector>

using namespace mokuri;
using mokuri::bench::Clock;

namespace {

double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double cpuSeconds(int who)
{
    rusage u{};
    getrusage(who, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void report(const char* what, std::vector<double> v, double target)
{
    if (v.empty()) {
        std::printf("%-56s no measurement\n", what);
        return;
    }
    std::sort(v.begin(), v.end());
    std::printf("%-56s n=%zu  median %.1f ms  p95 %.1f ms  max %.1f ms", what, v.size(), v[v.size() / 2],
                v[std::min(v.size() - 1, v.size() * 95 / 100)], v.back());
    if (target > 0)
        std::printf("  (target <= %.0f ms: %s)", target, v.back() <= target ? "met" : "NOT met");
    std::printf("\n");
}

const char16_t* const kWords[] = {u"りんご", u"ひこうき", u"でんしゃ", u"ケーキ", u"トマト", u"ぶどう",
                                  u"いちご", u"バナナ", u"さかな", u"くるま", u"たまご", u"ねこ"};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int idleSeconds = 10;
    QString monitor;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--monitor") == 0 && i + 1 < argc)
            monitor = QString::fromLocal8Bit(argv[++i]);
        else
            idleSeconds = std::max(1, std::atoi(argv[i]));
    }
    const OpenJTalkChoice choice = chooseOpenJTalk(OpenJTalkSearch::standard(QString()));
    if (!choice.setup) {
        std::fprintf(stderr, "bench_openjtalk: %s\n", qPrintable(choice.why));
        return 1;
    }
    const OpenJTalkSetup setup = *choice.setup;

    // --- synthesis alone ------------------------------------------------------------------
    auto timeSynthesis = [&](const char* what, const QStringList& texts, const QString& voice) {
        std::vector<double> wall, cpu;
        double sound = 0;
        for (const QString& t : texts) {
            const double cpu0 = cpuSeconds(RUSAGE_CHILDREN);
            const auto t0 = Clock::now();
            const OpenJTalkAudio a = synthesizeWithOpenJTalk(setup, voice, t);
            wall.push_back(ms(Clock::now() - t0));
            cpu.push_back((cpuSeconds(RUSAGE_CHILDREN) - cpu0) * 1000);
            if (!a.ok())
                std::fprintf(stderr, "bench_openjtalk: %s\n", qPrintable(a.error));
            sound += double(a.samples.size()) / std::max(1, a.sampleRate);
        }
        std::printf("%s: %.2f s of sound on average\n", what, sound / double(texts.size()));
        report("  wall clock", wall, 0);
        report("  CPU of open_jtalk", cpu, 0);
    };
    QStringList instructions, praise, letters;
    for (const char16_t* w : kWords) {
        instructions << QString::fromUtf16(w) + QStringLiteral("、と、並べましょう");
        praise << QStringLiteral("よくできました。これが、") + QString::fromUtf16(w) + QStringLiteral("、だね。");
    }
    for (QChar c : QStringLiteral("アカサタナハマヤラワガパキシチニヒミリ"))
        letters << QString(c);
    timeSynthesis("instruction (normal style)", instructions, setup.voice);
    timeSynthesis("praise (happy style)", praise, setup.praiseVoice);
    timeSynthesis("a letter", letters, setup.voice);

    // --- speak -> first sample ------------------------------------------------------------
    auto mixer = AudioMixer::shared();
    OpenJTalkSpeechVoice speech(setup, mixer);
    int ended = 0;
    QObject::connect(&speech, &SpeechVoice::speechEnded, [&] { ++ended; });
    auto firstSample = [&](const QString& text) -> std::optional<double> {
        const std::uint64_t before = speech.currentStreamId();
        const int endedBefore = ended;
        const auto t0 = Clock::now();
        speech.speak(text);
        std::optional<double> first;
        (void)QTest::qWaitFor([&] {
            const std::uint64_t id = speech.currentStreamId();
            if (!first && id != before)
                if (auto at = mixer->speechFirstMixed(id))
                    first = ms(*at - t0);
            return ended > endedBefore;
        }, 30000);
        return first;
    };
    std::optional<bench::SinkRecorder> recorder;
    if (!monitor.isEmpty()) {
        recorder.emplace(monitor);
        if (!recorder->ok())
            std::printf("parec could not be started: no onsets at the sink\n");
        QTest::qWait(300);
    }
    // One text first, as the game's first instruction: the device and the sink start.
    (void)firstSample(QStringLiteral("はじめましょう"));
    std::vector<double> ahead, notAhead, heard;
    for (int i = 0; i < 12; ++i) {
        // As the game does: the praise is prepared while the question is played.
        const QString text = praise[i];
        speech.prepare(text);
        (void)QTest::qWaitFor([&] { return speech.isCached(text); }, 30000);
        if (recorder)
            recorder->clear();
        const auto t0 = Clock::now();
        if (auto f = firstSample(text))
            ahead.push_back(*f);
        if (recorder)
            if (auto onset = recorder->onsetAfter(t0, 0.02f))
                heard.push_back(ms(*onset - t0));
        if (auto f = firstSample(instructions[i]))
            notAhead.push_back(*f);
    }
    std::printf("each, synthesised ahead:");
    for (double v : ahead)
        std::printf(" %.1f", v);
    std::printf(" ms\n");
    report("speak -> first sample, synthesised ahead", ahead, 30);
    report("speak -> first sample, not synthesised ahead", notAhead, 0);
    if (recorder)
        report("speak -> voice heard at the sink, synthesised ahead", heard, 30);

    // --- idle -------------------------------------------------------------------------------
    (void)QTest::qWaitFor([&] { return !mixer->deviceOpen(); }, 10000);
    const double cpu0 = cpuSeconds(RUSAGE_SELF);
    const auto t0 = Clock::now();
    // An event loop that sleeps (QTest::qWait would poll every 10 ms).
    QEventLoop idle;
    QTimer::singleShot(idleSeconds * 1000, &idle, &QEventLoop::quit);
    idle.exec();
    const double wall = ms(Clock::now() - t0) / 1000;
    std::printf("idle voice (after speaking, cache full): CPU %.3f %% of a core over %.0f s\n",
                100.0 * (cpuSeconds(RUSAGE_SELF) - cpu0) / wall, wall);
    return 0;
}
