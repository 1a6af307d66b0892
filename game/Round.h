// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One child's play on one picture folder: the task order, the question in progress, the
// verdict on each tile taken, the retry after a wrong tile, the praise and the move to the
// next picture. It owns the game's state and tells the screen what happened; the screen
// draws and forwards touches, clicks, keys and its two timers' ticks.
#include "content/PictureFolder.h"
#include "content/Settings.h"
#include "content/TaskListFile.h"
#include "game/Question.h"
#include "media/SoundPlayer.h"
#include "media/SpeechVoice.h"
#include "support/Random.h"
#include "support/Trace.h"

#include <QObject>

namespace mokuri {

// The keys an adult uses on the main screen.
enum class AdultKey { Quit, Settings, PictureChoice };

class Round : public QObject {
    Q_OBJECT
public:
    Round(PictureFolder folder, TaskList tasks, Settings settings, QStringList praise, SoundPlayer& sound,
          SpeechVoice& speech, Random& random, Trace& trace, QObject* parent = nullptr);

    const PictureFolder& folder() const { return folder_; }
    const TaskList& tasks() const { return tasks_; }
    const Settings& settings() const { return settings_; }
    const QStringList& praise() const { return praise_; }
    const Question& question() const { return question_; }
    // The instruction or the praise is being spoken: tiles do not react.
    bool speaking() const { return speaking_; }

    // The adult's choices from the dialogs; they count from the next start().
    void setSettings(const Settings& s) { settings_ = s; }
    void setTasks(const TaskList& tasks) { tasks_ = tasks; }

    // A new task order from its first picture (the main screen became active).
    void start();
    // The pointer moved onto a tile; takes it when tiles are taken by touch.
    void onTileTouched(int tile);
    // A click on a tile; takes it when tiles are taken by click.
    void onTileClicked(int tile);
    void onRetryTimer();
    void onNextQuestionTimer();
    void onAdultKey(AdultKey key);
    // Silences sound and speech (the program is ending).
    void silence();

signals:
    // The question before is gone; this picture (a path) belongs to the next one.
    void questionStarting(const QString& picturePath);
    // The question is set up: draw the model row, the tiles and the pointer and show them.
    void questionReady();
    // The instruction has been spoken: from now on the tiles react.
    void instructionEnded();
    void tilePlaced(int tile, int position);
    void wrongTile(int tile);
    void wordDone();
    // The engine is about to wait for a sound to end: what changed should be on screen.
    void waitingForSound();
    void retryTimerWanted(bool running);
    void nextQuestionTimerWanted(bool running);
    // A picture a later question will show, worth decoding ahead.
    void upcomingPicture(const QString& picturePath);
    void quitRequested();
    void settingsRequested();
    void pictureChoiceRequested();

private:
    void setUpQuestion();
    void takeTile(int tile);
    void finishWord();
    void playSound(const QString& fileName);
    void waitWhileSoundPlays();
    void speak(const QString& text);
    void onSpeechEnded();
    void announceUpcoming(int taskIndex);

    PictureFolder folder_;
    TaskList tasks_;
    Settings settings_;
    QStringList praise_;
    SoundPlayer& sound_;
    SpeechVoice& speech_;
    Random& random_;
    Trace& trace_;

    Question question_;
    int taskIndex_ = 0;
    bool speaking_ = false;
    bool touchBusy_ = false;  // a tile is being judged or the retry is pending
};

} // namespace mokuri
