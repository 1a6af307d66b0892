// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/Scanning.h"

namespace mokuri {

Scanning::Scanning(Trace& trace, QObject* parent) : QObject(parent), trace_(trace)
{
    for (auto [timer, name] : {std::pair{&scanTimer_, "ScanTimer"}, std::pair{&holdTimer_, "HoldTimer"},
                               std::pair{&repeatGuard_, "RepeatTimer"}}) {
        timer->setParent(this);
        timer->setObjectName(QString::fromLatin1(name));
        timer->setSingleShot(true);
        // A coarse timer may fire early; a child's timing is what these measure.
        timer->setTimerType(Qt::PreciseTimer);
    }
    connect(&scanTimer_, &QTimer::timeout, this, &Scanning::onScanTimer);
    connect(&holdTimer_, &QTimer::timeout, this, &Scanning::onHoldTimer);
}

void Scanning::begin(std::vector<int> tiles)
{
    scanTimer_.stop();
    holdTimer_.stop();
    heldSwitch_ = 0;
    tiles_ = std::move(tiles);
    active_ = true;
    resting_ = false;
    roundsDone_ = 0;
    at_ = -1;
    if (tiles_.empty()) return;
    moveTo(0);
    if (settings_.method != AccessMethod::OneSwitch) return;
    waitingForStart_ = settings_.scanStart == ScanStart::OnPress;
    if (!waitingForStart_) scheduleTick();
}

void Scanning::halt()
{
    active_ = false;
    resting_ = false;
    waitingForStart_ = false;
    scanTimer_.stop();
    holdTimer_.stop();
    heldSwitch_ = 0;
    if (at_ >= 0) moveTo(-1);
}

void Scanning::moveTo(int at)
{
    at_ = at;
    const int tile = highlighted();
    trace_.event("highlight", {QString::number(tile)});
    emit highlightMoved(tile);
}

void Scanning::scheduleTick()
{
    // The first tile keeps the highlight twice as long when the adult asked for a pause there.
    const bool pause = at_ == 0 && settings_.scanStart == ScanStart::PauseOnFirst;
    scanTimer_.start(settings_.scanIntervalMs * (pause ? 2 : 1));
}

void Scanning::startMoving()
{
    resting_ = false;
    waitingForStart_ = false;
    roundsDone_ = 0;
    if (at_ < 0) moveTo(0);
    scheduleTick();
}

void Scanning::onScanTimer()
{
    if (!active_ || tiles_.empty() || settings_.method != AccessMethod::OneSwitch) return;
    if (at_ + 1 >= int(tiles_.size()) && settings_.scanRounds > 0 && ++roundsDone_ >= settings_.scanRounds) {
        resting_ = true;
        scanTimer_.stop();
        trace_.event("scan-rest", {QString::number(roundsDone_)});
        moveTo(-1);
        return;
    }
    step();
    scheduleTick();
}

void Scanning::step()
{
    moveTo(at_ + 1 >= int(tiles_.size()) ? 0 : at_ + 1);
}

void Scanning::press(int which, bool repeat, const char* notNow)
{
    if (which < 1 || which > 2) return;
    // A key held down repeats; only its first press is the child's.
    if (repeat || down_[size_t(which)]) return ignore(which, "repeat");
    down_[size_t(which)] = true;
    if (notNow) return ignore(which, notNow);
    if (!active_ || tiles_.empty()) return ignore(which, "no-tiles");
    if (holdTimer_.isActive()) return ignore(which, "other-held");
    if (settings_.holdMs <= 0) return accept(which, highlighted());
    heldSwitch_ = which;
    heldTile_ = highlighted();
    holdTimer_.start(settings_.holdMs);
}

void Scanning::release(int which)
{
    if (which < 1 || which > 2) return;
    down_[size_t(which)] = false;
    if (heldSwitch_ != which || !holdTimer_.isActive()) return;
    holdTimer_.stop();
    heldSwitch_ = 0;
    ignore(which, "too-short");
}

void Scanning::onHoldTimer()
{
    const int which = std::exchange(heldSwitch_, 0);
    if (which == 0 || !active_) return;
    accept(which, heldTile_);
}

void Scanning::accept(int which, int tile)
{
    if (repeatGuard_.isActive()) return ignore(which, "too-soon");
    if (settings_.ignoreRepeatMs > 0) repeatGuard_.start(settings_.ignoreRepeatMs);

    const bool moves = settings_.method == AccessMethod::TwoSwitches && which == 1;
    const bool starts = settings_.method == AccessMethod::OneSwitch && (resting_ || waitingForStart_);
    if (!moves && !starts && tile < 0) return ignore(which, "no-highlight");
    trace_.event("press", {QString::number(which), QStringLiteral("accepted"),
                           QString::fromLatin1(moves ? "move" : starts ? "start" : "take")});
    if (moves) step();
    else if (starts) startMoving();
    else emit tileChosen(tile);
}

void Scanning::ignore(int which, const char* why)
{
    trace_.event("press", {QString::number(which), QStringLiteral("ignored"), QString::fromLatin1(why)});
}

} // namespace mokuri
