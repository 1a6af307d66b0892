// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A folder that behaves like a network share whose server stops answering: a FUSE mount of
// another folder (mokuri-stalled-share) on which a test makes chosen names hang until it
// lets them go. Needs fuse3 and /dev/fuse; start() says why not when they are missing, and
// a test then skips with why().
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace mokuri::test {

class StalledShare {
public:
    StalledShare();
    // Stops the share without letting anything held go first: whatever is still stuck on
    // it fails, as it does when a share goes away. Unmounts lazily, so it never waits on a
    // stuck client, and returns even then.
    ~StalledShare();
    StalledShare(const StalledShare&) = delete;
    StalledShare& operator=(const StalledShare&) = delete;

    // Shows `backingDir` at path() and returns once the mount is live; false with why()
    // when the tool was not built, /dev/fuse is missing or mounting failed. The share ends
    // when the thread that started it does, so start it on the test's own thread.
    bool start(const QString& backingDir);
    QString why() const { return why_; }
    // The mount point (canonical), empty before start().
    QString path() const { return mount_; }

    // From now on, every operation on a path with a component called `name` hangs until
    // release(); "*" holds every operation, even on the share's root. Operations already
    // waiting are let go within about 20 ms of release(). Names may be given before start().
    // A held operation that changes a folder (create, rename, delete) keeps the kernel's
    // lock on that folder, so other names in it wait as well, as on a real share.
    void stall(const QString& name);
    void release(const QString& name);
    void releaseAll();
    QStringList stalledNames() const { return names_; }

    // The operations waiting now, one "operation /path" each (for instance
    // "getattr /data/a.jpg"); an operation without a path shows "-".
    QStringList held() const;
    // Waits, handling events, until an operation on a path with a component called `name`
    // is held (any operation when `name` is empty). False when none was within `ms`.
    bool waitUntilHeld(const QString& name = {}, int ms = 20000) const;

    // Whether /proc/self/mountinfo lists `path` as a mount point; reads no file under it.
    static bool isMountPoint(const QString& path);

private:
    void writeList();
    void stop();

    QTemporaryDir dir_;
    QProcess fs_;
    QStringList names_;
    QString mount_;
    QString list_;
    QString why_;
};

} // namespace mokuri::test
