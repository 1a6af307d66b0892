// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Taking a tile by resting the pointer on it, for eye-gaze trackers and head pointers that
// move the pointer but cannot click: a pointer passing over tiles takes nothing, one that
// stays on a tile for the dwell time takes it. The fill grows in steps of a timer, which
// the screen draws and tests tick without a clock.
#include "support/Trace.h"

#include <QObject>
#include <QTimer>

namespace mokuri {

class Dwell : public QObject {
    Q_OBJECT
public:
    // Steps of the fill: smooth enough to see it grow, one tick a tenth of the dwell time.
    static constexpr int kSteps = 10;

    explicit Dwell(Trace& trace, QObject* parent = nullptr);

    void setDwellMs(int ms) { dwellMs_ = ms; }
    bool on() const { return dwellMs_ > 0; }

    // The pointer is on this tile: its fill starts from nothing unless it is already filling.
    void enter(int tile);
    // The pointer left `tile` (or any tile, for -1): its fill is gone.
    void leave(int tile = -1);
    // No fill anywhere until the next enter(); a tile just taken is not filled again
    // before the pointer has left it.
    void stop();

    int tile() const { return tile_; }
    double fill() const { return double(steps_) / kSteps; }

    void onDwellTimer();

signals:
    // The fill of `tile` is this much (0 to 1); tile -1: no fill shown.
    void fillChanged(int tile, double fill);
    void completed(int tile);

private:
    Trace& trace_;
    int dwellMs_ = 0;
    int tile_ = -1;
    int steps_ = 0;
    bool done_ = false;  // the tile under the pointer was taken: it fills again only once left
    QTimer timer_;
};

} // namespace mokuri
