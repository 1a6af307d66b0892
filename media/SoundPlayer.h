// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the game needs of a sound player: one sound at a time, by file name.
#include <QString>

namespace mokuri {

class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    // Cuts off the sound before and plays the file, a bare name in the sounds folder (the
    // current folder). A file that cannot be played is skipped without a sound.
    virtual void play(const QString& fileName) = 0;
    // Silences the sound now playing, if any.
    virtual void stop() = 0;
    virtual bool isPlaying() = 0;
    // Blocks until the sound now playing has ended; returns at once when none plays.
    // Lets the game wait for a sound without spinning.
    virtual void waitUntilEnded() = 0;
};

} // namespace mokuri
