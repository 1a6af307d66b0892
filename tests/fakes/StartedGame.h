// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's real objects put together as app/main.cpp does, on fake sound and speech, a
// fixed seed and a 1024 x 768 screen of 15 twips a pixel. The main screen is made but not
// shown: a test shows it, or starts the round itself.
#include "app/StartUp.h"
#include "fakes/FakeSound.h"
#include "fakes/FakeSpeech.h"
#include "game/Round.h"
#include "fakes/FindWidget.h"
#include "screens/AdultDialogs.h"
#include "screens/MainScreen.h"
#include "screens/PictureChoiceDialog.h"
#include "screens/SettingsDialog.h"
#include "session/AdultSession.h"
#include "screens/TwipScale.h"

#include <QString>
#include <QStringList>
#include <QTimer>
#include <memory>

namespace mokuri::test {

struct StartedGame {
    // Members go in reverse order: the screen before the round, the round before the fakes.
    Trace trace;
    Random random;
    FakeSound sound;
    FakeSpeech speech;
    TwipScale scale{15.0f};
    StartValues values;
    WriteQueue writes;
    std::unique_ptr<Round> round;
    std::unique_ptr<AdultSession> session;
    std::unique_ptr<MainScreen> screen;

    StartedGame(const QString& traceFile, uint32_t seed) : trace(traceFile), random(seed) {}
    ~StartedGame();
    StartedGame(const StartedGame&) = delete;
    StartedGame& operator=(const StartedGame&) = delete;

    const Question& question() const { return round->question(); }
    // Every sound the engine waits for (a letter before its verdict, the click and the chime
    // of a finished word) is heard to its end; a click or a buzzer it does not wait for is
    // left playing.
    void settle()
    {
        for (int n = 0; n < 8 && sound.isPlaying() &&
                        (round->phase() == Round::Phase::LetterSounding || round->phase() == Round::Phase::WordDone);
             ++n)
            sound.finish();
    }
};

// Loads `folder` as the program does (empty: the current folder) and builds the round and
// the main screen on it. Nothing when start-up says the game cannot start.
// `traceFile`: where the trace goes, empty for none.
std::unique_ptr<StartedGame> startGame(const QString& folder, const QString& traceFile = {}, uint32_t seed = 2024);

// The events of a trace file, each line without its time: "question\tindex=0\t...".
QStringList traceEvents(const QString& traceFile);

// The adult's dialogs, once opened.
inline SettingsDialog* settingsDialog() { return topLevelNamed<SettingsDialog>(QStringLiteral("Form2")); }
inline PictureChoiceDialog* pictureChoiceDialog() { return topLevelNamed<PictureChoiceDialog>(QStringLiteral("Form3")); }

// The engine's timers, found by their names as the screens' controls are.
QTimer& retryTimerOf(Round& round);
QTimer& nextQuestionTimerOf(Round& round);

// The first tile of the question that carries `letter` and is not placed yet; -1 if none.
int freeTileWith(const Question& q, const QString& letter);

} // namespace mokuri::test
