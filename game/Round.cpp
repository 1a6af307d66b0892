// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/Round.h"

#include "game/QuestionSetUp.h"
#include "game/TaskOrder.h"

#include <algorithm>
#include <utility>

namespace mokuri {

namespace {
// Pointer moves queued behind a long sound: more than a row of tiles is only noise.
constexpr std::size_t kMaxWaitingTouches = 32;
} // namespace

Round::Round(PictureFolder folder, TaskList tasks, Settings settings, QStringList praise, SoundPlayer& sound,
             SpeechVoice& speech, Random& random, Trace& trace, QObject* parent)
    : QObject(parent), folder_(std::move(folder)), tasks_(std::move(tasks)), settings_(settings),
      praise_(std::move(praise)), sound_(sound), speech_(speech), random_(random), trace_(trace),
      scanning_(trace, this), dwell_(trace, this)
{
    connect(&speech_, &SpeechVoice::speechEnded, this, &Round::onSpeechEnded);
    connect(&sound_, &SoundPlayer::soundEnded, this, &Round::onSoundEnded);
    // Precise: Qt's coarse timers may fire 5 % early, and the child should see the wrong
    // mark for the whole half second.
    for (auto [timer, name, ms] : {std::tuple{&retryTimer_, "Timer1", kRetryMs},
                                   std::tuple{&nextQuestionTimer_, "Timer2", kNextQuestionMs}}) {
        timer->setParent(this);
        timer->setObjectName(QString::fromLatin1(name));
        timer->setTimerType(Qt::PreciseTimer);
        timer->setInterval(ms);
    }
    connect(&retryTimer_, &QTimer::timeout, this, &Round::onRetryTimer);
    connect(&nextQuestionTimer_, &QTimer::timeout, this, &Round::onNextQuestionTimer);
    connect(&scanning_, &Scanning::highlightMoved, this, &Round::onHighlightMoved);
    connect(&scanning_, &Scanning::tileChosen, this, [this](int tile) { take(tile, Take::BySwitch); });
    connect(&dwell_, &Dwell::fillChanged, this, &Round::dwellFilled);
    connect(&dwell_, &Dwell::completed, this, [this](int tile) { take(tile, Take::ByDwell); });
}

void Round::start()
{
    stopEverything();
    scanning_.setSettings(access_);
    scanning_.forgetHeld();
    dwell_.setDwellMs(access_.method == AccessMethod::Pointer && settings_.takeTile == TakeTile::ByTouch ? access_.dwellMs : 0);
    taskIndex_ = 0;
    if (!std::exchange(orderDrawn_, false)) shuffleTasks(tasks_, random_);
    setUpQuestion();
}

void Round::prepareFirstQuestion()
{
    if (phase_ != Phase::NotStarted || orderDrawn_ || tasks_.isEmpty()) return;
    shuffleTasks(tasks_, random_);
    orderDrawn_ = true;
    speech_.prepare(instructionFor(tasks_[0], settings_));
}

void Round::stopEverything()
{
    retryTimer_.stop();
    nextQuestionTimer_.stop();
    afterSound_ = nullptr;
    waitingTouches_.clear();
    soundingTile_ = -1;
    endWaiting();
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
    phase_ = Phase::Instruction;
    speaking_ = true;
    announceUpcoming(taskIndex_ + 1);
    prepareAhead();
}

void Round::prepareAhead()
{
    // The letters and effects this question can play, and what will be said next, so that
    // neither a file read nor a synthesis stands between a touch and its sound.
    for (const QString& letter : question_.tileLetters) sound_.prepare(letterSoundFile(letter));
    for (const char* effect : {"ガチャ.wav", "ブー.wav", "ピンポン.wav"}) sound_.prepare(QString::fromUtf8(effect));
    speech_.prepare(praiseAt(random_.peekIndex(std::max(int(praise_.size()), 1))));
    const int next = taskIndex_ + 1;
    if (next < tasks_.size()) speech_.prepare(instructionFor(tasks_[next], settings_));
}

QString Round::accessName() const
{
    if (access_.switches()) return accessMethodName(access_.method);
    if (dwell_.on()) return QStringLiteral("dwell");
    return settings_.takeTile == TakeTile::ByTouch ? QStringLiteral("touch") : QStringLiteral("click");
}

void Round::onTileTouched(int tile)
{
    pointerTile_ = tile;
    if (dwell_.on()) {
        if (phase_ == Phase::WaitingForTile) dwell_.enter(tile);
        return;
    }
    take(tile, Take::ByTouch);
}

void Round::onTileLeft(int tile)
{
    if (pointerTile_ == tile) pointerTile_ = -1;
    dwell_.leave(tile);
}

void Round::onSwitchPressed(int which, bool repeat)
{
    if (!access_.switches()) return;  // the screen sends none then; a test may
    const char* notNow = phase_ == Phase::WaitingForTile ? nullptr
                         : phase_ == Phase::Instruction  ? "instruction"
                                                          : "busy";
    scanning_.press(which, repeat, notNow);
}

void Round::onSwitchReleased(int which)
{
    scanning_.release(which);
}

void Round::beginWaiting()
{
    if (access_.switches()) {
        // The tiles still free, in the row's order as the child sees them.
        std::vector<int> free;
        for (int i = 0; i < question_.tileCount(); ++i)
            if (!question_.isPlaced(i)) free.push_back(i);
        std::sort(free.begin(), free.end(),
                  [this](int a, int b) { return question_.tileSlots[size_t(a)] < question_.tileSlots[size_t(b)]; });
        scanning_.begin(std::move(free));
    }
    if (dwell_.on() && pointerTile_ >= 0) dwell_.enter(pointerTile_);
}

void Round::endWaiting()
{
    scanning_.halt();
    dwell_.stop();
}

void Round::onHighlightMoved(int tile)
{
    emit highlightMoved(tile);
    sayHighlightedLetter(tile);
}

void Round::sayHighlightedLetter(int tile)
{
    highlightLetterWaits_ = false;
    // Auditory scanning: the tile's own letter, which a press or the next move cuts short;
    // the click of a tile just placed is heard to its end first.
    if (tile < 0 || !access_.auditoryScan || phase_ != Phase::WaitingForTile || tile >= question_.tileCount()) return;
    if (sound_.isPlaying() && !highlightLetterSounds_) {
        highlightLetterWaits_ = true;
        return;
    }
    playSound(letterSoundFile(question_.tileLetter(tile)));
    highlightLetterSounds_ = true;
}

void Round::onTileClicked(int tile)
{
    take(tile, Take::ByClick);
}

void Round::take(int tile, Take how)
{
    if (afterSound_) {
        if (waitingTouches_.size() < kMaxWaitingTouches) waitingTouches_.push_back({tile, how});
        return;
    }
    // With switches the pointer takes nothing: a hand resting on the mouse is no choice.
    const bool pointer = !access_.switches();
    bool wanted = true;
    if (how == Take::ByTouch) wanted = pointer && settings_.takeTile == TakeTile::ByTouch && !dwell_.on();
    else if (how == Take::ByClick) wanted = pointer && settings_.takeTile == TakeTile::ByClick;
    // A switch or a dwell is heard at once: a highlighted letter or the click before it stops.
    else if (phase_ == Phase::WaitingForTile && sound_.isPlaying()) sound_.stop();
    if (wanted) takeTile(tile);
}

void Round::takeTile(int tile)
{
    Question& q = question_;
    if (phase_ != Phase::WaitingForTile) return;
    if (sound_.isPlaying()) return;  // dropped, not kept
    // Only tiles of this question can be judged; a hidden leftover from a longer word cannot.
    if (tile < 0 || tile >= q.tileCount() || q.nextLetter >= q.tileCount() || q.isPlaced(tile)) return;

    endWaiting();
    phase_ = Phase::LetterSounding;
    soundingTile_ = tile;
    playSound(letterSoundFile(q.tileLetter(tile)));
    whenSoundEnds([this, tile] { judge(tile); });
}

void Round::judge(int tile)
{
    Question& q = question_;
    soundingTile_ = -1;
    const QString letter = q.tileLetter(tile);
    if (q.tileLetter(q.nextLetter) != letter) {
        trace_.event("wrong", {letter});
        q.wrongTile = tile;
        phase_ = Phase::Wrong;
        emit wrongTile(tile);
        playSound(QStringLiteral("ブー.wav"));
        retryTimer_.start();
        return;
    }

    trace_.event("right", {letter});
    playSound(QStringLiteral("ガチャ.wav"));
    q.placedAt[size_t(tile)] = q.nextLetter;
    emit tilePlaced(tile, q.nextLetter);
    ++q.nextLetter;
    if (q.nextLetter < q.wordLength()) {
        phase_ = Phase::WaitingForTile;
        beginWaiting();
        return;
    }
    phase_ = Phase::WordDone;
    whenSoundEnds([this] { afterClick(); });
}

void Round::afterClick()
{
    question_.wordDone = true;
    emit wordDone();
    playSound(QStringLiteral("ピンポン.wav"));
    whenSoundEnds([this] { afterChime(); });
}

void Round::afterChime()
{
    // A draw even for an empty list, so that a fixed seed gives the same run either way.
    const int pick = random_.index(std::max(int(praise_.size()), 1));
    speak(praiseAt(pick));
    ++taskIndex_;
    if (taskIndex_ >= tasks_.size()) {
        taskIndex_ = 0;
        shuffleTasks(tasks_, random_);
        announceUpcoming(taskIndex_);  // the new order has another picture first
    }
    phase_ = Phase::Praise;
    speaking_ = true;
    nextQuestionTimer_.start();
}

QString Round::praiseAt(int pick) const
{
    const QString line = pick < praise_.size() ? praise_[pick] : QString();
    return line + QStringLiteral("。これが、") + wordOfPicture(question_.picture) + QStringLiteral("、だね。");
}

void Round::whenSoundEnds(std::function<void()> next)
{
    if (!sound_.isPlaying()) {
        next();
        handleWaitingTouches();
        return;
    }
    afterSound_ = std::move(next);
}

void Round::onSoundEnded()
{
    highlightLetterSounds_ = false;
    if (highlightLetterWaits_) sayHighlightedLetter(scanning_.highlighted());
    if (!afterSound_) return;  // a sound nobody waits for: the click, the buzzer
    std::function<void()> next = std::move(afterSound_);
    afterSound_ = nullptr;
    next();
    handleWaitingTouches();
}

void Round::handleWaitingTouches()
{
    while (!afterSound_ && !waitingTouches_.empty()) {
        const Waiting w = waitingTouches_.front();
        waitingTouches_.pop_front();
        take(w.tile, w.take);
    }
}

void Round::onRetryTimer()
{
    if (phase_ != Phase::Wrong) return;
    if (sound_.isPlaying()) return;  // the buzzer is heard to its end
    sound_.stop();
    question_.wrongTile = -1;
    retryTimer_.stop();
    setUpQuestion();
}

void Round::onNextQuestionTimer()
{
    if (phase_ != Phase::Praise) return;
    if (speaking_) return;  // the praise is heard to its end
    question_.wordDone = false;
    nextQuestionTimer_.stop();
    setUpQuestion();
}

void Round::onAdultKey(AdultKey key)
{
    // The trace keeps the key codes the adult's documentation uses.
    const int code = key == AdultKey::Quit ? 27 : key == AdultKey::Settings ? 72 : 78;
    trace_.event("key", {QString::number(code)});
    sound_.stop();
    speech_.stop();
    // Whatever was under way is dropped: the adult's screen comes first, and start() asks a
    // fresh question when the child's screen is back.
    stopEverything();
    phase_ = Phase::Paused;
    if (key == AdultKey::Quit) emit quitRequested();
    else if (key == AdultKey::Settings) emit settingsRequested();
    else emit pictureChoiceRequested();
}

void Round::silence()
{
    sound_.stop();
    speech_.stop();
    stopEverything();
}

void Round::playSound(const QString& fileName)
{
    highlightLetterSounds_ = false;
    trace_.event("sound", {fileName});
    sound_.play(fileName);
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
    if (phase_ == Phase::Instruction) {
        phase_ = Phase::WaitingForTile;
        emit instructionEnded();
        beginWaiting();
    }
}

void Round::announceUpcoming(int taskIndex)
{
    if (taskIndex < 0 || taskIndex >= tasks_.size()) return;
    emit upcomingPicture(folder_.filePath(tasks_[taskIndex]));
}

} // namespace mokuri
