// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A sound player that records every file played; a sound "plays" until the test ends it.
#include "media/SoundPlayer.h"

#include <QStringList>

namespace mokuri::test {

class FakeSound : public SoundPlayer {
    Q_OBJECT
public:
    void play(const QString& fileName) override;
    void stop() override;
    bool isPlaying() override { return playing_; }
    void prepare(const QString& fileName) override { prepared << fileName; }

    // Files that cannot be played (missing or damaged): skipped at once, as a player that
    // already knows them does.
    QStringList missing;
    // Whether a played sound keeps playing until finish() (a real sound) or is over at once.
    bool soundsLast = true;
    // Files that really started playing, in order.
    QStringList played;
    QStringList prepared;
    int stops = 0;
    // The sound now playing has been heard to its end: soundEnded, at once.
    void finish();

private:
    bool playing_ = false;
};

} // namespace mokuri::test
