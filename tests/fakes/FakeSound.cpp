// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/FakeSound.h"

namespace mokuri::test {

void FakeSound::play(const QString& fileName)
{
    playing_ = false;
    if (missing.contains(fileName)) return;
    played << fileName;
    playing_ = soundsLast;
}

void FakeSound::stop()
{
    ++stops;
    playing_ = false;
}

void FakeSound::waitUntilEnded()
{
    if (playing_) ++waits;
    playing_ = false;
}

} // namespace mokuri::test
