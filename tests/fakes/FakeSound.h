// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A sound player that records every file played; a sound "plays" until the test ends it,
// or until the game waits for it.
#include "media/SoundPlayer.h"

#include <QStringList>

namespace mokuri::test {

class FakeSound : public SoundPlayer {
public:
    void play(const QString& fileName) override;
    void stop() override;
    bool isPlaying() override { return playing_; }
    void waitUntilEnded() override;

    // Files that cannot be played (missing or damaged).
    QStringList missing;
    // Whether a played sound keeps playing until stopped or waited for (a real sound) or
    // is over at once.
    bool soundsLast = true;
    // Files that really started playing, in order.
    QStringList played;
    int stops = 0;
    int waits = 0;
    void finish() { playing_ = false; }

private:
    bool playing_ = false;
};

} // namespace mokuri::test
