#include "fakes/FakeSound.h"

namespace mokuri::test {

void FakeSound::SetCommand(const QString& command)
{
    calls << command;
    if (command == "Open") {
        open_ = !missing.contains(fileName_);
    } else if (command == "Play") {
        if (open_) {
            played << fileName_;
            readsLeft_ = playReads;
        }
    } else if (command == "Stop") {
        readsLeft_ = 0;
    } else if (command == "Close") {
        readsLeft_ = 0;
        open_ = false;
    }
}

int FakeSound::Mode()
{
    if (readsLeft_ > 0) {
        --readsLeft_;
        return ModePlaying;
    }
    return open_ ? ModeStopped : ModeNotOpen;
}

void FakeSound::WaitForModeChange() { ++waits; }

} // namespace mokuri::test
