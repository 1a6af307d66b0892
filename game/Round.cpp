// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/Round.h"

#include "game/QuestionSetUp.h"
#include "game/TaskOrder.h"

#include <algorithm>

namespace mokuri {

Round::Round(PictureFolder folder, TaskList tasks, Settings settings, QStringList praise, SoundPlayer& sound,
             SpeechVoice& speech, Random& random, Trace& trace, QObject* parent)
    : QObject(parent), folder_(std::move(folder)), tasks_(std::move(tasks)), settings_(settings),
      praise_(std::move(praise)), sound_(sound), speech_(speech), random_(random), trace_(trace)
{
    connect(&speech_, &SpeechVoice::speechEnded, this, &Round::onSpeechEnded);
}

void Round::start()
{
    taskIndex_ = 0;
    shuffleTasks(tasks_, random_);
    setUpQuestion();
}

void Round::setUpQuestion()
{
    if (tasks_.isEmpty()) return;  // start-up always leaves at least one task
    if (taskIndex_ < 0 || taskIndex_ >= tasks_.size()) taskIndex_ = 0;
    const QString picture = tasks_[taskIndex_];
    emit questionStarting(folder_.filePath(picture));

    question_ = makeQuestion(taskIndex_, picture, settings_, random_);
    if (trace_.enabled()) {
        QStringList slotList;
        for (int i = 0; i <= question_.lastSlot; ++i) slotList << QString::number(question_.tileSlots[size_t(i)]);
        trace_.event("question", {QStringLiteral("index=%1").arg(taskIndex_), QStringLiteral("word=") + question_.word,
                                  QStringLiteral("tiles=") + question_.tileLetters.join(QString()),
                                  QStringLiteral("slots=") + slotList.join(u','), QStringLiteral("picture=") + picture});
    }
    speak(question_.instruction);
    emit questionReady();
    speaking_ = true;
    touchBusy_ = false;
    announceUpcoming(taskIndex_ + 1);
}

void Round::onTileTouched(int tile)
{
    if (settings_.takeTile != TakeTile::ByTouch) return;
    takeTile(tile);
}

void Round::onTileClicked(int tile)
{
    if (settings_.takeTile != TakeTile::ByClick) return;
    takeTile(tile);
}

void Round::takeTile(int tile)
{
    Question& q = question_;
    if (speaking_ || q.nextLetter == q.wordLength() || touchBusy_) return;
    if (sound_.isPlaying()) return;  // dropped, not queued
    // Only tiles of this question can be judged; a hidden leftover from a longer word cannot.
    if (tile < 0 || tile >= q.tileCount() || q.nextLetter >= q.tileCount() || q.isPlaced(tile)) return;
    touchBusy_ = true;

    const QString letter = q.tileLetter(tile);
    playSound(letterSoundFile(letter));
    waitWhileSoundPlays();

    if (q.tileLetter(q.nextLetter) != letter) {
        trace_.event("wrong", {letter});
        q.wrongTile = tile;
        emit wrongTile(tile);
        playSound(QStringLiteral("ブー.wav"));
        emit retryTimerWanted(true);
        return;  // touches stay blocked until the retry
    }

    trace_.event("right", {letter});
    playSound(QStringLiteral("ガチャ.wav"));
    q.placedAt[size_t(tile)] = q.nextLetter;
    emit tilePlaced(tile, q.nextLetter);
    touchBusy_ = false;
    ++q.nextLetter;
    if (q.nextLetter == q.wordLength()) finishWord();
}

void Round::finishWord()
{
    waitWhileSoundPlays();
    question_.wordDone = true;
    emit wordDone();
    playSound(QStringLiteral("ピンポン.wav"));
    waitWhileSoundPlays();

    // A draw even for an empty list, so that a fixed seed gives the same run either way.
    const int pick = random_.index(std::max(int(praise_.size()), 1));
    const QString line = pick < praise_.size() ? praise_[pick] : QString();
    speak(line + QStringLiteral("。これが、") + wordOfPicture(question_.picture) + QStringLiteral("、だね。"));
    ++taskIndex_;
    if (taskIndex_ >= tasks_.size()) {
        taskIndex_ = 0;
        shuffleTasks(tasks_, random_);
        announceUpcoming(taskIndex_);  // the new order has another picture first
    }
    speaking_ = true;
    emit nextQuestionTimerWanted(true);
}

void Round::onRetryTimer()
{
    if (sound_.isPlaying()) return;  // the buzzer is heard to its end
    sound_.stop();
    question_.wrongTile = -1;
    emit retryTimerWanted(false);
    touchBusy_ = false;
    setUpQuestion();
}

void Round::onNextQuestionTimer()
{
    if (speaking_) return;  // the praise is heard to its end
    question_.wordDone = false;
    emit nextQuestionTimerWanted(false);
    setUpQuestion();
}

void Round::onAdultKey(AdultKey key)
{
    // The trace keeps the key codes the adult's documentation uses.
    const int code = key == AdultKey::Quit ? 27 : key == AdultKey::Settings ? 72 : 78;
    trace_.event("key", {QString::number(code)});
    sound_.stop();
    speech_.stop();
    if (key == AdultKey::Quit) {
        emit quitRequested();
        return;
    }
    emit nextQuestionTimerWanted(false);
    if (key == AdultKey::Settings) emit settingsRequested();
    else emit pictureChoiceRequested();
}

void Round::silence()
{
    sound_.stop();
    speech_.stop();
}

void Round::playSound(const QString& fileName)
{
    trace_.event("sound", {fileName});
    sound_.play(fileName);
}

void Round::waitWhileSoundPlays()
{
    // The child should see the tile move and the right mark while hearing the sound;
    // input waits its turn because no event is handled here.
    if (!sound_.isPlaying()) return;
    emit waitingForSound();
    sound_.waitUntilEnded();
}

void Round::speak(const QString& text)
{
    trace_.event("speak", {text});
    speech_.speak(text);
}

void Round::onSpeechEnded()
{
    trace_.event("speech-ended");
    speaking_ = false;
    if (!question_.wordDone) emit instructionEnded();
}

void Round::announceUpcoming(int taskIndex)
{
    if (taskIndex < 0 || taskIndex >= tasks_.size()) return;
    emit upcomingPicture(folder_.filePath(tasks_[taskIndex]));
}

} // namespace mokuri
