// SPDX-License-Identifier: GPL-3.0-or-later
// Memory over a long game on the real sound and speech: resident size after 30 and after
// 300 questions, each answered right as soon as its instruction has been spoken.
// Run in a folder holding a deck (pictures, letter sounds, O.txt).
#include "app/Fonts.h"
#include "app/Form1.h"
#include "content/Globals.h"
#include "fakes/Resources.h"
#include "media/SystemMedia.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>

using namespace mokuri;
using mokuri::test::ResidentMegabytes;


int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    InstallFontSubstitutes();
    const int total = argc > 1 ? std::atoi(argv[1]) : 300;
    Form1 f(CreateSystemSoundControl(), CreateSystemSpeechControl());
    if (!f.Form_Load()) return 1;
    f.Timer1->setInterval(20);
    f.Timer2->setInterval(20);
    f.ShowFullScreen();
    int questions = 0;
    double at30 = 0;
    bool inQuestion = false;
    QElapsedTimer clock;
    clock.start();
    // The child looks at the screen now and then; between looks the program sleeps.
    QTimer look;
    look.start(20);
    while (questions < total) {
        app.processEvents(QEventLoop::WaitForMoreEvents);
        if (!inQuestion && f.NextLetterPos == 0 && f.Speaking) {
            inQuestion = true;
            if (++questions == 30) at30 = ResidentMegabytes();
            if (questions % 50 == 0) std::fprintf(stderr, "%d questions, %.1f MB, %.0f s\n", questions, ResidentMegabytes(), clock.elapsed() / 1000.0);
        }
        if (f.Speaking || f.TouchBusy || f.NextLetterPos >= f.WordLength) continue;
        for (int i = 0; i < f.TileCount; ++i)
            if (f.TileLetters[i] == f.TileLetters[f.NextLetterPos] && f.Label2[size_t(i)]->Top() != f.Label1->Top()) {
                f.Label2_Click(i);
                break;
            }
        if (f.NextLetterPos >= f.WordLength) inQuestion = false;
    }
    const double at300 = ResidentMegabytes();
    std::printf("resident size: %.1f MB after 30 questions, %.1f MB after %d (target <= 120 MB, growth < 5 MB)\n", at30,
                at300, total);
    return 0;
}
