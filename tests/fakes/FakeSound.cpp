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

void FakeSound::finish()
{
    if (!playing_) return;
    playing_ = false;
    emit soundEnded();
}

} // namespace mokuri::test
