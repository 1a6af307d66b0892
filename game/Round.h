// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One child's play on one picture folder: the task order, the question in progress, the
// verdict on each tile taken, the retry after a wrong tile, the praise and the move to the
// next picture. It owns the game's state and its two timers and tells the screen what
// happened; the screen draws and forwards touches, clicks and keys.
//
// Nothing here waits: a letter, the click and the chime are played and the engine goes
// on when the player says they ended. A touch that comes while the engine waits for a
// sound is kept and handled once the sound has ended, in the order it came, as the child
// would expect of a game that listens to the letter before judging it.
#include "content/AccessSettings.h"
#include "content/PictureFolder.h"
#include "content/Settings.h"
#include "content/TaskListFile.h"
#include "game/Dwell.h"
#include "game/Question.h"
#include "game/Scanning.h"
#include "media/SoundPlayer.h"
#include "media/SpeechVoice.h"
#include "support/Random.h"
#include "support/Trace.h"

#include <QObject>
#include <QTimer>

#include <deque>
#include <functional>

namespace mokuri {

// The keys an adult uses on the main screen.
enum class AdultKey { Quit, Settings, PictureChoice };

class Round : public QObject {
    Q_OBJECT
public:
    // Where a question stands; each has its own answer to a touch.
    enum class Phase {
        NotStarted,
        Instruction,    // the instruction is spoken: tiles do not react
        WaitingForTile,
        LetterSounding, // a taken tile's letter is heard before it is judged
        Wrong,          // the wrong mark is up; the retry timer asks the question again
        WordDone,       // the click and the chime, then the praise
        Praise,         // the praise is spoken; the next-question timer moves on
        Paused,         // an adult key: nothing reacts until start()
    };

    // How often the retry and next-question timers look whether they may go on.
    static constexpr int kRetryMs = 500;
    static constexpr int kNextQuestionMs = 1000;

    Round(PictureFolder folder, TaskList tasks, Settings settings, QStringList praise, SoundPlayer& sound,
          SpeechVoice& speech, Random& random, Trace& trace, QObject* parent = nullptr);

    const PictureFolder& folder() const { return folder_; }
    const TaskList& tasks() const { return tasks_; }
    const Settings& settings() const { return settings_; }
    const AccessSettings& access() const { return access_; }
    const QStringList& praise() const { return praise_; }
    const Question& question() const { return question_; }
    Phase phase() const { return phase_; }
    // The instruction or the praise is being spoken: tiles do not react.
    bool speaking() const { return speaking_; }
    bool retryPending() const { return retryTimer_.isActive(); }
    bool nextQuestionPending() const { return nextQuestionTimer_.isActive(); }

    // The adult's choices; they count from the next start().
    void setSettings(const Settings& s) { settings_ = s; }
    void setTasks(const TaskList& tasks) { tasks_ = tasks; }
    void setAccess(const AccessSettings& a) { access_ = a.bounded(); }
    // How the tile now asked for is being taken: "touch", "click", "dwell", "one-switch"
    // or "two-switch".
    QString accessName() const;

    // A new task order from its first picture (the main screen became active).
    void start();
    // Draws the first task order now, during start-up, so that the first instruction can be
    // made ahead; the first start() then asks from this order.
    void prepareFirstQuestion();
    // The pointer moved onto a tile; takes it when tiles are taken by touch.
    void onTileTouched(int tile);
    // A click on a tile; takes it when tiles are taken by click.
    void onTileClicked(int tile);
    // The pointer left a tile (a dwell on it starts again from nothing).
    void onTileLeft(int tile);
    // A switch (1 or 2) went down or up; `repeat`: a held key's auto-repeat. A press
    // takes the highlighted tile through the same path as a touch.
    void onSwitchPressed(int which, bool repeat);
    void onSwitchReleased(int which);
    int highlightedTile() const { return scanning_.highlighted(); }
    // The timers' ticks, public so that tests drive them without a clock.
    void onRetryTimer();
    void onNextQuestionTimer();
    // Acts at once, whatever is sounding.
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
    // The scan's highlight is on this tile now; -1: on none.
    void highlightMoved(int tile);
    // A dwell's fill on `tile` (0 to 1); tile -1: none shown.
    void dwellFilled(int tile, double fill);
    void wordDone();
    // A picture a later question will show, worth decoding ahead.
    void upcomingPicture(const QString& picturePath);
    void quitRequested();
    void settingsRequested();
    void pictureChoiceRequested();

private:
    enum class Take { ByTouch, ByClick, BySwitch, ByDwell };
    struct Waiting {
        int tile;
        Take take;
    };
    void setUpQuestion();
    void take(int tile, Take how);
    void takeTile(int tile);
    // Tiles react now: the scan and the dwell begin; and they stop reacting.
    void beginWaiting();
    void endWaiting();
    void onHighlightMoved(int tile);
    void sayHighlightedLetter(int tile);
    void judge(int tile);
    void afterClick();
    void afterChime();
    // Runs `next` once the sound now playing has ended, or now when none plays.
    void whenSoundEnds(std::function<void()> next);
    void onSoundEnded();
    void handleWaitingTouches();
    void playSound(const QString& fileName);
    void speak(const QString& text);
    void onSpeechEnded();
    QString praiseAt(int pick) const;
    void prepareAhead();
    void announceUpcoming(int taskIndex);
    void stopEverything();

    PictureFolder folder_;
    TaskList tasks_;
    Settings settings_;
    AccessSettings access_;
    QStringList praise_;
    SoundPlayer& sound_;
    SpeechVoice& speech_;
    Random& random_;
    Trace& trace_;

    Question question_;
    int taskIndex_ = 0;
    bool orderDrawn_ = false;  // by prepareFirstQuestion, for the first start()
    Phase phase_ = Phase::NotStarted;
    bool speaking_ = false;
    int soundingTile_ = -1;
    std::function<void()> afterSound_;
    // Touches and clicks that came while the engine waited for a sound; a few are plenty
    // (a pointer crossing tiles sends one a tile).
    std::deque<Waiting> waitingTouches_;
    QTimer retryTimer_;
    QTimer nextQuestionTimer_;
    Scanning scanning_;
    Dwell dwell_;
    int pointerTile_ = -1;  // the tile under the pointer, for a dwell that begins there
    bool highlightLetterSounds_ = false;  // the sound playing is the highlighted tile's letter
    bool highlightLetterWaits_ = false;   // it is to be heard once the sound playing ends
};

} // namespace mokuri
