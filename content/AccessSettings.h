// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How a child who cannot point and click takes a tile: by resting the pointer on it
// (dwell, for eye-gaze trackers and head pointers), or with one or two switches that
// scan the tiles. Kept apart from the six settings of Word.txt, which older installations
// share; without its file the game plays exactly as it always did.
#include <QString>
#include <algorithm>

namespace mokuri {

enum class AccessMethod {
    Pointer,     // touch or click as Word.txt says, with an optional dwell
    OneSwitch,   // the highlight moves by itself; a press takes the highlighted tile
    TwoSwitches, // switch 1 moves the highlight, switch 2 takes
};

// When an automatic scan begins once the instruction has been spoken.
enum class ScanStart {
    AtOnce,       // the highlight moves on at the scan interval from the first tile
    PauseOnFirst, // the first tile keeps the highlight for two intervals
    OnPress,      // the highlight waits on the first tile for a press to set it moving
};

struct AccessSettings {
    // The ranges a value is held to, wherever it comes from.
    static constexpr int kDwellMinMs = 300, kDwellMaxMs = 3000;
    static constexpr int kIntervalMinMs = 500, kIntervalMaxMs = 5000;
    static constexpr int kRoundsMax = 20;
    static constexpr int kFilterMaxMs = 5000;

    AccessMethod method = AccessMethod::Pointer;
    int dwellMs = 0;            // 0: a touch takes at once; otherwise kDwellMinMs..kDwellMaxMs
    int scanIntervalMs = 1500;
    ScanStart scanStart = ScanStart::AtOnce;
    int scanRounds = 0;         // rounds over the row before the scan rests; 0: it never rests
    bool auditoryScan = false;  // each highlighted tile's letter is heard
    int holdMs = 0;             // a press counts once held this long
    int ignoreRepeatMs = 0;     // presses this soon after an accepted one do not count

    bool switches() const { return method != AccessMethod::Pointer; }
    // The same values held to their ranges.
    AccessSettings bounded() const
    {
        AccessSettings s = *this;
        s.dwellMs = s.dwellMs <= 0 ? 0 : std::clamp(s.dwellMs, kDwellMinMs, kDwellMaxMs);
        s.scanIntervalMs = std::clamp(s.scanIntervalMs, kIntervalMinMs, kIntervalMaxMs);
        s.scanRounds = std::clamp(s.scanRounds, 0, kRoundsMax);
        s.holdMs = std::clamp(s.holdMs, 0, kFilterMaxMs);
        s.ignoreRepeatMs = std::clamp(s.ignoreRepeatMs, 0, kFilterMaxMs);
        return s;
    }
    bool operator==(const AccessSettings&) const = default;
};

// The method's name in the file, the trace and the practice record.
inline QString accessMethodName(AccessMethod m)
{
    switch (m) {
    case AccessMethod::OneSwitch: return QStringLiteral("one-switch");
    case AccessMethod::TwoSwitches: return QStringLiteral("two-switch");
    case AccessMethod::Pointer: break;
    }
    return QStringLiteral("pointer");
}

} // namespace mokuri
