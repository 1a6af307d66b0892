// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the game needs of a sound player: one sound at a time, by file name, and word of
// when it has been heard, so that the game never waits for a sound by blocking.
#include <QObject>
#include <QString>

namespace mokuri {

class SoundPlayer : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // Cuts off the sound before and plays the file, a bare name in the sounds folder (the
    // current folder), returning at once. Either isPlaying() is false right after (the file
    // is already known to be unplayable: it is skipped and nothing follows), or exactly one
    // soundEnded follows through the event loop, once the sound has been heard or turned out
    // unplayable, unless stop() or another play() cuts it off first.
    virtual void play(const QString& fileName) = 0;
    // Silences the sound now playing, if any; it raises no soundEnded.
    virtual void stop() = 0;
    // From play() until its soundEnded or its cut.
    virtual bool isPlaying() = 0;
    // A file likely to be played soon: a player that reads files may read it now, so that
    // its play starts without a look at the disk. Never plays; may be ignored.
    virtual void prepare(const QString& fileName) { Q_UNUSED(fileName); }

signals:
    void soundEnded();
};

} // namespace mokuri
