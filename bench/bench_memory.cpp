// SPDX-License-Identifier: GPL-3.0-or-later
// Memory over a long game on the real sound and speech: resident size after 30 and after
// 300 questions, each answered right as soon as its instruction has been spoken.
// Run in a folder holding a deck (pictures, letter sounds, O.txt): bench_memory [QUESTIONS]
#include "fakes/ScreenParts.h"
#include "app/StartUp.h"
#include "fakes/Resources.h"
#include "game/Round.h"
#include "media/SystemMedia.h"
#include "screens/Fonts.h"
#include "screens/MainScreen.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

using namespace mokuri;
using mokuri::test::residentMegabytes;
using mokuri::test::tileOf;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    installFontSubstitutes();
    const int total = argc > 1 ? std::atoi(argv[1]) : 300;

    Trace trace(Trace::targetFromEnvironment());
    Random random(Random::seedFromEnvironment());
    std::optional<StartValues> start = loadStartValues(QString(), trace);
    if (!start) {
        std::fprintf(stderr, "bench_memory: run it in a folder holding a deck\n");
        return 1;
    }
    std::unique_ptr<SoundPlayer> sound = createSystemSoundPlayer(trace);
    std::unique_ptr<SpeechVoice> speech(createSystemSpeechVoice());
    Round round(start->folder, start->tasks, start->settings, start->praise, *sound, *speech, random, trace);
    const TwipScale scale(15.0f);
    MainScreen screen(round, scale, trace);
    screen.fitToScreen(QSize(1024, 768));
    round.findChild<QTimer*>(QStringLiteral("Timer1"))->setInterval(20);
    round.findChild<QTimer*>(QStringLiteral("Timer2"))->setInterval(20);

    int questions = 0;
    double at30 = 0;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&round, &Round::questionReady, [&] {
        if (++questions == 30) at30 = residentMegabytes();
        if (questions % 50 == 0)
            std::fprintf(stderr, "%d questions, %.1f MB, %.0f s\n", questions, residentMegabytes(), double(clock.elapsed()) / 1000.0);
    });
    screen.showOverScreen();

    // The child looks at the screen now and then; between looks the program sleeps.
    QTimer look;
    look.start(20);
    while (questions <= total) {
        app.processEvents(QEventLoop::WaitForMoreEvents);
        const Question& q = round.question();
        if (questions == 0 || round.speaking() || q.nextLetter >= q.wordLength()) continue;
        if (questions == total && q.nextLetter == 0) break;  // the last question is set up
        const QString letter = splitLetters(q.word).value(q.nextLetter);
        for (int i = 0; i < q.tileCount(); ++i) {
            if (q.tileLetter(i) != letter || q.isPlaced(i)) continue;
            // Taken the way this folder's settings say; dropped while a sound plays.
            if (round.settings().takeTile == TakeTile::ByTouch) emit tileOf(screen, i)->touched(i);
            else emit tileOf(screen, i)->clicked(i);
            break;
        }
    }
    const double atEnd = residentMegabytes();
    if (total >= 30)
        std::printf("resident size: %.1f MB after 30 questions, %.1f MB after %d (target <= 120 MB, growth < 5 MB)\n", at30,
                    atEnd, total);
    else
        std::printf("resident size: %.1f MB after %d questions (target <= 120 MB)\n", atEnd, total);
    round.silence();
    return 0;
}
