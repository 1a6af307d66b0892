// SPDX-License-Identifier: GPL-3.0-or-later
// How long the window's thread is ever busy while questions are played on the real sound
// and speech: a precise 1 ms timer on that thread, and the longest gap between its ticks
// while the child takes every letter as soon as it may. Run in a folder holding a deck:
//   bench_window_busy [QUESTIONS]
// With --switch, one switch scanning the tiles every 0.5 s instead (auditory scanning off):
// (a) the engine moving the highlight to the end of the window's repaint that drew the
// highlight frame there, and (b) Space pressed while the right tile is highlighted to the
// letter's first sample mixed into the device buffer, as a touch is measured:
//   bench_window_busy --switch [PRESSES] [--monitor SOURCE] [--auditory]
// With --auditory, each highlighted tile's letter is heard as well, and a press cuts it short.
// With --monitor, the letter's onset is also found in what `parec -d SOURCE` records (the
// monitor of a PulseAudio null sink that is the default sink, see BENCHMARKS.md); presses
// then come only when nothing has sounded for 150 ms, so that no earlier sound is taken for
// the letter.
#include "app/StartUp.h"
#include "game/Letters.h"
#include "game/Round.h"
#include "media/AudioMixer.h"
#include "media/SdlSoundPlayer.h"
#include "media/SystemMedia.h"
#include "screens/Fonts.h"
#include "screens/MainScreen.h"

#include "LatencyReport.h"
#include "SinkRecorder.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QRandomGenerator>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cctype>
#include <cstring>
#include <functional>
#include <optional>
#include <vector>

using namespace mokuri;
using Clock = std::chrono::steady_clock;
using bench::ms;
using bench::reportLatencies;

namespace {

// Sees the frame painted: a window's repaint (its UpdateRequest) in which the highlight's
// own widget got a paint event.
class WatchedApplication : public QApplication {
public:
    using QApplication::QApplication;
    std::function<void()> highlightPainted;
    bool notify(QObject* receiver, QEvent* e) override
    {
        if (e->type() == QEvent::Paint && receiver->objectName() == QLatin1String("HighlightFrame")) paintedNow_ = true;
        if (e->type() != QEvent::UpdateRequest) return QApplication::notify(receiver, e);
        paintedNow_ = false;
        const bool done = QApplication::notify(receiver, e);
        if (paintedNow_ && highlightPainted) highlightPainted();
        return done;
    }
private:
    bool paintedNow_ = false;
};

// The highlight's moves, timed before the main screen hears of them (connected first).
struct HighlightMoves {
    std::vector<double> toFrame;
    std::optional<Clock::time_point> moved;
    int overtaken = 0;  // moved again before the frame was painted

    HighlightMoves(WatchedApplication& app, Round& round)
    {
        QObject::connect(&round, &Round::highlightMoved, [this](int tile) {
            if (tile < 0) return;
            overtaken += moved.has_value();
            moved = Clock::now();
        });
        app.highlightPainted = [this] {
            if (moved) toFrame.push_back(ms(Clock::now() - *moved));
            moved.reset();
        };
    }
};

int switchScanning(WatchedApplication& app, Round& round, MainScreen& screen, SdlSoundPlayer& sound,
                   const HighlightMoves& moves, int presses, const QString& monitor)
{
    std::vector<double> toSample, toSampleClosed, toSampleOpen, toSink;
    std::optional<bench::SinkRecorder> recorder;
    if (!monitor.isEmpty()) {
        recorder.emplace(monitor);
        if (!recorder->ok()) std::printf("parec could not be started: no onsets at the sink\n");
    }
    Clock::time_point lastEnd = Clock::now();
    QObject::connect(&sound, &SoundPlayer::soundEnded, [&] { lastEnd = Clock::now(); });

    // A press some time after the right tile took the highlight, before the scan moves on.
    QRandomGenerator random(7);
    std::optional<Clock::time_point> pressed;
    bool deviceOpenAtPress = false;
    std::uint64_t tokenBefore = 0;
    QTimer firstSample;  // runs only while a press waits for its letter
    firstSample.setTimerType(Qt::PreciseTimer);
    firstSample.setInterval(1);
    QObject::connect(&firstSample, &QTimer::timeout, [&] {
        if (sound.playToken() == tokenBefore) return;
        const std::optional<Clock::time_point> first = sound.mixer().soundFirstMixed(sound.playToken());
        if (!first) return;
        const double d = ms(*first - *pressed);
        toSample.push_back(d);
        (deviceOpenAtPress ? toSampleOpen : toSampleClosed).push_back(d);
        firstSample.stop();
        if (!recorder) return pressed.reset();
        // The sink's onset, once the letter has surely reached it; the next press waits.
        QTimer::singleShot(150, [&] {
            if (auto heard = recorder->onsetAfter(*pressed, 0.01f)) toSink.push_back(ms(*heard - *pressed));
            pressed.reset();
        });
    });
    QObject::connect(&round, &Round::highlightMoved, [&](int tile) {
        const Question& q = round.question();
        if (tile < 0 || pressed || q.tileLetter(tile) != splitLetters(q.word).value(q.nextLetter)) return;
        QTimer::singleShot(20 + int(random.bounded(300)), &screen, [&, tile] {
            if (round.highlightedTile() != tile || round.phase() != Round::Phase::WaitingForTile || pressed) return;
            if (recorder && (sound.isPlaying() || Clock::now() - lastEnd < std::chrono::milliseconds(150))) return;
            if (recorder) recorder->clear();
            tokenBefore = sound.playToken();
            deviceOpenAtPress = sound.mixer().deviceOpen();
            pressed = Clock::now();
            QCoreApplication::postEvent(&screen, new QKeyEvent(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" ")));
            QCoreApplication::postEvent(&screen, new QKeyEvent(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" ")));
            firstSample.start();
        });
    });

    screen.showOverScreen();
    while (int(toSample.size()) < presses || pressed) app.processEvents(QEventLoop::WaitForMoreEvents);
    round.silence();

    std::printf("one switch, scan every %d ms%s, %d presses on the right tile (audio driver %s)\n",
                round.access().scanIntervalMs, round.access().auditoryScan ? ", letters heard" : "", presses,
                qPrintable(sound.mixer().driverName()));
    reportLatencies("highlight moved -> repaint with the frame done", moves.toFrame, 30);
    if (moves.overtaken) std::printf("  (%d moves not painted before the next)\n", moves.overtaken);
    reportLatencies("Space -> letter's first sample in the device buffer", toSample, 30);
    reportLatencies("  of these, device closed at the press", toSampleClosed, 30);
    reportLatencies("  of these, device open at the press", toSampleOpen, 30);
    if (recorder) reportLatencies("Space -> letter's first sample heard at the sink", toSink, 30);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    WatchedApplication app(argc, argv);
    installFontSubstitutes();
    const bool switchMode = argc > 1 && std::strcmp(argv[1], "--switch") == 0;
    const int total = argc > 1 + int(switchMode) && std::isdigit(argv[1 + int(switchMode)][0])
                          ? std::atoi(argv[1 + int(switchMode)])
                          : switchMode ? 30 : 5;
    QString monitor;
    bool auditory = false;
    for (int i = 1; i < argc; ++i) {
        if (i + 1 < argc && std::strcmp(argv[i], "--monitor") == 0) monitor = QString::fromLocal8Bit(argv[i + 1]);
        auditory = auditory || std::strcmp(argv[i], "--auditory") == 0;
    }

    Trace trace(Trace::targetFromEnvironment());
    Random random(2024u);
    std::optional<StartValues> start = loadStartValues(QString(), trace);
    if (!start) {
        std::fprintf(stderr, "bench_window_busy: run it in a folder holding a deck\n");
        return 1;
    }
    std::unique_ptr<SoundPlayer> sound = createSystemSoundPlayer(trace);
    std::unique_ptr<SpeechVoice> speech(createSystemSpeechVoice());
    Round round(start->folder, start->tasks, start->settings, start->praise, *sound, *speech, random, trace);
    if (switchMode) {
        AccessSettings oneSwitch;
        oneSwitch.method = AccessMethod::OneSwitch;
        oneSwitch.scanIntervalMs = AccessSettings::kIntervalMinMs;
        oneSwitch.auditoryScan = auditory;
        round.setAccess(oneSwitch);
    }
    std::optional<HighlightMoves> moves;
    if (switchMode) moves.emplace(app, round);
    const TwipScale scale(15.0f);
    MainScreen screen(round, scale, trace);
    screen.fitToScreen(QSize(1024, 768));
    if (switchMode) return switchScanning(app, round, screen, static_cast<SdlSoundPlayer&>(*sound), *moves, total, monitor);

    int questions = 0;
    QObject::connect(&round, &Round::questionReady, [&] { ++questions; });
    screen.showOverScreen();

    std::vector<double> gaps;
    QElapsedTimer sinceTick;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (sinceTick.isValid() && questions > 0) gaps.push_back(double(sinceTick.nsecsElapsed()) / 1e6);
        sinceTick.restart();
        const Question& q = round.question();
        if (round.phase() != Round::Phase::WaitingForTile || sound->isPlaying()) return;
        const QString letter = splitLetters(q.word).value(q.nextLetter);
        for (int i = 0; i < q.tileCount(); ++i)
            if (q.tileLetter(i) == letter && !q.isPlaced(i)) {
                round.settings().takeTile == TakeTile::ByTouch ? round.onTileTouched(i) : round.onTileClicked(i);
                break;
            }
    });
    ticker.start();
    while (questions <= total) app.processEvents(QEventLoop::WaitForMoreEvents);
    round.silence();

    std::sort(gaps.begin(), gaps.end());
    const auto at = [&](double share) { return gaps.empty() ? 0.0 : gaps[std::size_t(share * double(gaps.size() - 1))]; };
    std::printf("%d questions played, %zu ticks of a 1 ms timer on the window's thread\n", total, gaps.size());
    std::printf("gap between ticks: median %.2f ms, p99 %.2f ms, p99.9 %.2f ms, longest %.2f ms (target: longest <= 16 ms)\n",
                at(0.5), at(0.99), at(0.999), gaps.empty() ? 0.0 : gaps.back());
    return 0;
}
