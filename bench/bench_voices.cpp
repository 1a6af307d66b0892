// SPDX-License-Identifier: GPL-3.0-or-later
// mokuri-voices: from the end of a spoken letter to its file on disk, through SDL's disk
// capture (the "microphone" is a file the driver reads at the pace of a real device).
//
//   bench_voices [RUNS]
//   bench_voices --whole-set DECK
//
// Prints, per run and as medians: the end of the voice in the input to the take heard back
// (the recorder waits kEndSilenceMs of quiet by design, then cleans the take), Enter to the
// file written (with the deck's manifest), and the cleaning of a full 10-second take alone.
// With --whole-set: every letter the words of DECK (a copy of a sample deck: its letters are
// replaced) use, recorded one after another as an adult would, Space once and then Enter
// after each take, and how long that took.
#include "media/SdlVoiceInput.h"
#include "tools/voices/VoiceRecorder.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <vector>

using namespace mokuri;
using namespace mokuri::voices;

namespace {

constexpr int kRate = SdlVoiceInput::kRate;

std::vector<std::int16_t> voice(double leadS, double voiceS, double trailS, double level)
{
    std::vector<std::int16_t> out;
    const int on = int(leadS * kRate), off = int((leadS + voiceS) * kRate), total = int((leadS + voiceS + trailS) * kRate);
    for (int i = 0; i < total; ++i) {
        double v = 30 * std::sin(i * 0.37);
        if (i >= on && i < off) {
            const double t = double(i - on) / kRate;
            v += level * std::min({1.0, t / 0.015, double(off - i) / kRate / 0.04}) * std::sin(2 * std::numbers::pi * 190 * t);
        }
        out.push_back(std::int16_t(std::lround(v)));
    }
    return out;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void waitWhile(VoiceRecorder& recorder, std::initializer_list<VoiceRecorder::Stage> stages)
{
    QEventLoop loop;
    QObject::connect(&recorder, &VoiceRecorder::changed, &loop, [&] {
        if (std::find(stages.begin(), stages.end(), recorder.stage()) == stages.end()) loop.quit();
    });
    if (std::find(stages.begin(), stages.end(), recorder.stage()) != stages.end()) loop.exec();
}

} // namespace

// SDL's disk driver takes `said` for what the microphone hears, from the start at each take.
bool microphoneHears(const QTemporaryDir& dir, const std::vector<std::int16_t>& said)
{
    const QString input = dir.filePath(QStringLiteral("microphone.raw"));
    QFile f(input);
    if (!f.open(QIODevice::WriteOnly) ||
        f.write(reinterpret_cast<const char*>(said.data()), qint64(said.size() * 2)) != qint64(said.size() * 2))
        return false;
    qputenv("SDL_DISKAUDIOFILEIN", QFile::encodeName(input));
    qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(dir.filePath(QStringLiteral("speaker.raw"))));
    return true;
}

int wholeSet(const QString& deck)
{
    SdlVoiceInput microphone;
    VoiceRecorder recorder(deck, deck, microphone, {});
    int letters = 0;
    while (letters < int(recorder.shelf().size()) && recorder.shelf()[std::size_t(letters)].wordsNeedIt) ++letters;
    QElapsedTimer clock;
    clock.start();
    recorder.record(); // Space, once
    for (int i = 0; i < letters; ++i) {
        waitWhile(recorder, {VoiceRecorder::Stage::Listening, VoiceRecorder::Stage::Speaking});
        if (recorder.stage() != VoiceRecorder::Stage::Heard) {
            std::fprintf(stderr, "bench_voices: letter %d: %s\n", i + 1, qPrintable(recorder.message()));
            return 1;
        }
        recorder.keepAndNext(); // Enter
        waitWhile(recorder, {VoiceRecorder::Stage::Saving});
    }
    recorder.cancel();
    int person = 0;
    for (const ShelfSound& s : recorder.shelf()) person += s.maker == Maker::Person ? 1 : 0;
    std::printf("the words' %d letters recorded and kept in %.1f s (%d sounds of the folder now a person's)\n",
                letters, double(clock.elapsed()) / 1000, person);
    return 0;
}

int main(int argc, char** argv)
{
    qputenv("SDL_AUDIODRIVER", "disk");
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (argc > 2 && QByteArray(argv[1]) == "--whole-set") {
        if (!microphoneHears(dir, voice(0.3, 0.4, 0, 9000))) return 1;
        return wholeSet(QString::fromLocal8Bit(argv[2]));
    }
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    const std::vector<std::int16_t> said = voice(0.5, 0.4, 0, 9000);
    if (!microphoneHears(dir, said)) return 1;

    std::vector<double> heard, written;
    for (int run = 0; run < runs; ++run) {
        QTemporaryDir sounds;
        SdlVoiceInput microphone;
        VoiceRecorder recorder(sounds.path(), QString(), microphone, {});
        QElapsedTimer sinceEnd;
        std::size_t arrived = 0;
        QObject::connect(&microphone, &VoiceInput::samplesTaken, [&](const std::vector<std::int16_t>& s) {
            // The moment the last voiced sample has come from the device.
            if (arrived < said.size() && arrived + s.size() >= said.size()) sinceEnd.start();
            arrived += s.size();
        });
        recorder.record();
        if (recorder.stage() != VoiceRecorder::Stage::Listening) {
            std::fprintf(stderr, "bench_voices: %s\n", qPrintable(recorder.message()));
            return 1;
        }
        waitWhile(recorder, {VoiceRecorder::Stage::Listening, VoiceRecorder::Stage::Speaking});
        heard.push_back(double(sinceEnd.nsecsElapsed()) / 1e6);
        QElapsedTimer save;
        save.start();
        recorder.keepAndNext();
        waitWhile(recorder, {VoiceRecorder::Stage::Saving});
        written.push_back(double(save.nsecsElapsed()) / 1e6);
        recorder.cancel();
        std::printf("run %d: end of voice -> heard back %.1f ms, Enter -> file written %.2f ms\n", run + 1,
                    heard.back(), written.back());
    }
    const std::vector<std::int16_t> tenSeconds = voice(0.2, 9.6, 0.2, 9000);
    std::vector<double> cleaning;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        const CleanTake take = cleanTake(tenSeconds, kRate, 3000);
        cleaning.push_back(double(t.nsecsElapsed()) / 1e6);
        if (take.samples.empty()) return 1;
    }
    std::printf("median of %d: end of voice -> heard back %.1f ms (of which %d ms of quiet by design); "
                "Enter -> file written %.2f ms; cleaning a 10 s take %.2f ms\n",
                runs, median(heard), kEndSilenceMs, median(written), median(cleaning));
    return 0;
}
