#pragma once
// What the game needs of a sound player: MCI-style commands and the playing mode.
#include <QString>

namespace mokuri {

constexpr int ModePlaying = 526;
constexpr int ModeStopped = 525;
constexpr int ModeNotOpen = 524;

class SoundControl {
public:
    virtual ~SoundControl() = default;
    // "Open", "Play", "Stop" or "Close"; anything in the wrong state is ignored.
    virtual void SetCommand(const QString& command) = 0;
    // A bare file name, opened in the current folder at the next "Open".
    virtual void SetFileName(const QString& fileName) = 0;
    // ModePlaying while a sound plays; never for a file that failed to open.
    virtual int Mode() = 0;
    // Blocks until Mode() may have changed (the end of the sound); returns at once when
    // nothing plays. Lets the game wait for a sound without spinning.
    virtual void WaitForModeChange() = 0;
};

} // namespace mokuri
