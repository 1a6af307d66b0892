// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Switch scanning: a highlight over the tiles a child may take, moved by a timer (one
// switch) or by switch 1 (two switches), and the filters that make an unsteady press
// count once: a key's auto-repeat never counts, a press must be held for the hold time,
// and presses too soon after an accepted one are passed over. A press that counts takes
// the tile that was highlighted when the switch went down.
//
// The round says when tiles may be taken (begin) and when not (halt); the timers are this
// object's children, found by their names, so that tests tick them without a clock.
#include "content/AccessSettings.h"
#include "support/Trace.h"

#include <QObject>
#include <QTimer>
#include <array>
#include <vector>

namespace mokuri {

class Scanning : public QObject {
    Q_OBJECT
public:
    explicit Scanning(Trace& trace, QObject* parent = nullptr);

    void setSettings(const AccessSettings& s) { settings_ = s.bounded(); }
    const AccessSettings& settings() const { return settings_; }

    // Tiles may be taken: these, in the row's order; the highlight starts on the first.
    void begin(std::vector<int> tiles);
    // Tiles may not be taken: no highlight, no scan. A press being held is dropped.
    void halt();

    int highlighted() const { return tiles_.empty() || at_ < 0 ? -1 : tiles_[size_t(at_)]; }
    // The scan went round its rounds and waits for a press to go on.
    bool resting() const { return resting_; }
    // Waits on the first tile for a press to set it moving.
    bool waitingForStart() const { return waitingForStart_; }

    // Switch `which` (1 or 2) went down; `repeat`: the keyboard's auto-repeat of a held
    // key. `notNow`: why the game cannot take a tile now, or nullptr when it can.
    void press(int which, bool repeat, const char* notNow);
    void release(int which);
    // No switch is held: a release may have gone to another window while a dialog was up.
    void forgetHeld() { down_ = {}; }

    // The timers' ticks, public as the round's are.
    void onScanTimer();
    void onHoldTimer();

signals:
    // The highlight is on this tile now; -1: on none.
    void highlightMoved(int tile);
    // A press took this tile.
    void tileChosen(int tile);

private:
    void accept(int which, int tile);
    void ignore(int which, const char* why);
    void moveTo(int at);
    void step();
    void startMoving();
    void scheduleTick();

    Trace& trace_;
    AccessSettings settings_;
    std::vector<int> tiles_;
    int at_ = -1;  // index into tiles_
    int roundsDone_ = 0;
    bool active_ = false;
    bool resting_ = false;
    bool waitingForStart_ = false;
    std::array<bool, 3> down_{};  // by switch number
    int heldSwitch_ = 0;          // a press waiting for the hold time
    int heldTile_ = -1;
    QTimer scanTimer_;
    QTimer holdTimer_;
    QTimer repeatGuard_;  // runs for the ignore-repeat time after an accepted press
};

} // namespace mokuri
