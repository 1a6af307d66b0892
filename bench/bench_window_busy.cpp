// SPDX-License-Identifier: GPL-3.0-or-later
// How long the window's thread is ever busy while questions are played on the real sound
// and speech: a precise 1 ms timer on that thread, and the longest gap between its ticks
// while the child takes every letter as soon as it may. Run in a folder holding a deck:
//   bench_window_busy [QUESTIONS]
#include "app/StartUp.h"
#include "game/Letters.h"
#include "game/Round.h"
#include "media/SystemMedia.h"
#include "screens/Fonts.h"
#include "screens/MainScreen.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace mokuri;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    installFontSubstitutes();
    const int total = argc > 1 ? std::atoi(argv[1]) : 5;

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
    const TwipScale scale(15.0f);
    MainScreen screen(round, scale, trace);
    screen.fitToScreen(QSize(1024, 768));

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
