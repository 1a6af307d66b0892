// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/Dwell.h"

namespace mokuri {

Dwell::Dwell(Trace& trace, QObject* parent) : QObject(parent), trace_(trace)
{
    timer_.setParent(this);
    timer_.setObjectName(QStringLiteral("DwellTimer"));
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &Dwell::onDwellTimer);
}

void Dwell::enter(int tile)
{
    if (!on() || tile < 0) return;
    if (tile == tile_ && (timer_.isActive() || done_)) return;
    tile_ = tile;
    steps_ = 0;
    done_ = false;
    timer_.start(std::max(1, dwellMs_ / kSteps));
    emit fillChanged(tile_, 0.0);
}

void Dwell::leave(int tile)
{
    if (tile_ < 0 || (tile >= 0 && tile != tile_)) return;
    done_ = false;
    stop();
}

void Dwell::stop()
{
    const bool shown = tile_ >= 0;
    timer_.stop();
    steps_ = 0;
    // A tile just taken stays remembered, so that a pointer still resting there does not
    // take it again when tiles react once more.
    if (!done_) tile_ = -1;
    if (shown) emit fillChanged(-1, 0.0);
}

void Dwell::onDwellTimer()
{
    if (tile_ < 0 || done_) return;
    ++steps_;
    emit fillChanged(tile_, fill());
    if (steps_ < kSteps) return;
    timer_.stop();
    done_ = true;
    trace_.event("dwell", {QString::number(tile_)});
    emit completed(tile_);
}

} // namespace mokuri
