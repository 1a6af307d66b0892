// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/SafeSave.h"
#include "support/Logging.h"

#include "support/XdgFolders.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mokuri {

namespace {

// Writes every byte or reports why not; a short write is retried, never taken as done.
bool writeAll(int fd, const QByteArray& bytes, QString* why)
{
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            *why = QString::fromLocal8Bit(std::strerror(n < 0 ? errno : EIO));
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

QString errorText(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// The file a save really writes: the end of a chain of links, as long as each link is the
// user's own. A link another account made (in a folder others can write to) is not
// followed, as the kernel's protected_symlinks would not: `refused` then says why.
struct SaveTarget {
    QByteArray path;
    QString refused;
};
SaveTarget saveTarget(const QString& path)
{
    SaveTarget t{QFile::encodeName(path), {}};
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(t.path.constData(), &st) != 0 || !S_ISLNK(st.st_mode)) return t;
        if (st.st_uid != ::geteuid()) {
            t.refused = QStringLiteral("it is a symbolic link made by another account, left alone");
            return t;
        }
        t.path = QFile::encodeName(QFileInfo(QFile::decodeName(t.path)).symLinkTarget());
    }
    t.refused = errorText(ELOOP);
    return t;
}

// A name no adult gives a file, so that clearing leftovers never touches theirs.
constexpr char kTemporaryInfix[] = ".mokuri-save-";
QByteArray temporaryPattern(const QByteArray& target) { return target + kTemporaryInfix + "XXXXXX"; }

bool readAll(int fd, QByteArray* out)
{
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return true;
        out->append(buffer, n);
    }
}

// Puts `bytes` in place of the file's content, flushed to disk.
bool overwrite(int fd, const QByteArray& bytes, QString* why)
{
    if (::lseek(fd, 0, SEEK_SET) != 0 || ::ftruncate(fd, 0) != 0) {
        *why = errorText(errno);
        return false;
    }
    if (!writeAll(fd, bytes, why)) return false;
    if (::fsync(fd) != 0) {
        *why = errorText(errno);
        return false;
    }
    return true;
}

void syncFolderOf(const QString& file)
{
    const int folder = ::open(QFile::encodeName(QFileInfo(file).path()).constData(), O_RDONLY | O_CLOEXEC);
    if (folder < 0) return;
    ::fsync(folder);
    ::close(folder);
}

// Kept in the user's own state folder, since the file's folder may take no new file.
int openBackup(const QByteArray& backup, int flags)
{
    return ::open(backup.constData(), flags | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
}

// Writes the file itself rather than a new one renamed over it: its folder may take no
// new file, and the file keeps its owner, its other hard links and anything else that
// points at it. Its old content is first kept, flushed, where a crash cannot lose it; a
// crash halfway is mended at the next start by removeInterruptedSaves.
bool saveInPlace(const QByteArray& target, const QByteArray& bytes, QString* why)
{
    const QString backupName = inPlaceBackupOf(QFile::decodeName(target));
    if (backupName.isEmpty()) {
        *why = QStringLiteral("no home folder to keep the old content in while the file is rewritten");
        return false;
    }
    const QByteArray backup = QFile::encodeName(backupName);
    const int fd = ::open(target.constData(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) {
        *why = errorText(errno);
        return false;
    }
    QByteArray old;
    struct stat st {};
    int kept = -1;
    bool ok = false, copyStillNeeded = false;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        *why = QStringLiteral("not a regular file");
    } else if (!readAll(fd, &old)) {
        *why = errorText(errno);
    } else if (!QDir().mkpath(QFileInfo(backupName).path()) ||
               (kept = openBackup(backup, O_RDWR | O_CREAT | O_TRUNC)) < 0) {
        *why = QStringLiteral("the old content cannot be kept in ") + backupName;
    } else {
        // Held until the file is whole again, so that another instance leaves the copy be.
        ::flock(kept, LOCK_EX);
        if (writeAll(kept, old, why) && ::fsync(kept) == 0) {
            syncFolderOf(backupName);
            ok = overwrite(fd, bytes, why);
            QString ignored;
            copyStillNeeded = !ok && !overwrite(fd, old, &ignored);
        }
    }
    if (kept >= 0) {
        if (!copyStillNeeded) ::unlink(backup.constData());
        ::close(kept);
    }
    ::close(fd);
    return ok;
}

// A copy left by an in-place save cut short holds the file's whole old content: put back,
// the file is whole again, as it was before that save.
void restoreInterruptedInPlaceSave(const QByteArray& target)
{
    const QString backupName = inPlaceBackupOf(QFile::decodeName(target));
    if (backupName.isEmpty()) return;
    const QByteArray backup = QFile::encodeName(backupName);
    const int kept = openBackup(backup, O_RDONLY);
    if (kept < 0) return;
    QByteArray old;
    QString why;
    // A save in progress holds its lock.
    if (::flock(kept, LOCK_EX | LOCK_NB) == 0 && readAll(kept, &old)) {
        const int fd = ::open(target.constData(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        struct stat st {};
        if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && overwrite(fd, old, &why)) {
            ::unlink(backup.constData());
            qCWarning(logSupport, "a save of %s was cut short; its content before that save is back",
                         target.constData());
        }
        if (fd >= 0) ::close(fd);
    }
    ::close(kept);
}

// Replaces the file by a new one renamed over it, which a crash at any point leaves old or
// new. False with `*why` empty when that cannot be done without harm (the folder takes no
// new file, the new file could not have the old one's group): then the file is written in place.
bool saveByRename(const QByteArray& target, const QByteArray& bytes, const struct stat* old, QString* why)
{
    QByteArray temp = temporaryPattern(target);
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        if (!old) *why = errorText(errno);
        return false;
    }
    // Held while the file is being written, so that another instance's clean-up of
    // interrupted saves can tell this one is alive.
    ::flock(fd, LOCK_EX);
    bool ok = ::fchmod(fd, old ? (old->st_mode & 07777) : 0644) == 0;
    struct stat made {};
    if (old && (::fchown(fd, old->st_uid, old->st_gid) != 0 || ::fstat(fd, &made) != 0 || made.st_gid != old->st_gid))
        ok = false;  // *why stays empty: written in place instead
    else if (!ok) *why = errorText(errno);
    ok = ok && writeAll(fd, bytes, why);
    if (ok && ::fsync(fd) != 0) {
        *why = errorText(errno);
        ok = false;
    }
    if (ok && ::rename(temp.constData(), target.constData()) != 0) {
        *why = errorText(errno);
        ok = false;
    }
    if (!ok) ::unlink(temp.constData());
    if (::close(fd) != 0 && ok) {
        *why = errorText(errno);
        ok = false;
    }
    return ok;
}

} // namespace

QString inPlaceBackupOf(const QString& file)
{
    const QString state = stateHome();
    if (state.isEmpty()) return {};
    const QString absolute = QFileInfo(file).absoluteFilePath();
    const QString hash = QString::fromLatin1(
        QCryptographicHash::hash(QFile::encodeName(absolute), QCryptographicHash::Sha1).toHex().left(12));
    return state + QStringLiteral("/mokuri/saves/") + QFileInfo(absolute).fileName() + u'-' + hash;
}

namespace {

// Over a file-size limit the kernel would kill the program with SIGXFSZ; ignored, the write
// fails with EFBIG and is reported like a full disk.
void ignoreFileSizeSignal()
{
    static const bool ignored = [] {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        return ::sigaction(SIGXFSZ, &ignore, nullptr) == 0;
    }();
    (void)ignored;
}

} // namespace

bool saveFile(const QString& path, const QByteArray& bytes, QString* why)
{
    ignoreFileSizeSignal();
    const SaveTarget target = saveTarget(path);
    *why = target.refused;
    struct stat old {};
    const bool existed = ::stat(target.path.constData(), &old) == 0;
    // Write-protected by its owner: even root, who could replace it, leaves it be.
    if (why->isEmpty() && existed && (old.st_mode & 0222) == 0) *why = errorText(EACCES);
    if (why->isEmpty() && existed && !S_ISREG(old.st_mode)) *why = QStringLiteral("not a regular file");
    if (!why->isEmpty()) return false;
    // A rename would cut the file's other hard links and hand it to this account.
    const bool renameHarmless = !existed || (old.st_nlink == 1 && old.st_uid == ::geteuid());
    if (renameHarmless && saveByRename(target.path, bytes, existed ? &old : nullptr, why)) return true;
    return existed && why->isEmpty() && saveInPlace(target.path, bytes, why);
}

bool saveFileAtomically(const QString& path, const QByteArray& bytes, Trace& trace)
{
    QString why;
    if (!saveFile(path, bytes, &why)) {
        qCWarning(logSupport, "could not save %s (%s); the old file is kept and the values hold until the program ends",
                  qPrintable(QFileInfo(path).absoluteFilePath()), qPrintable(why));
        trace.event("warning", {QStringLiteral("could not save ") + path});
        return false;
    }
    trace.event("save", {path});
    return true;
}

CreateOutcome createFile(const QString& path, const QByteArray& bytes, QString* why)
{
    ignoreFileSizeSignal();
    const QByteArray target = QFile::encodeName(path);
    struct stat st {};
    if (::lstat(target.constData(), &st) == 0) return CreateOutcome::Existed;
    QByteArray temp = temporaryPattern(target);
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        *why = errorText(errno);
        return CreateOutcome::Failed;
    }
    ::flock(fd, LOCK_EX);  // alive, for another instance's clean-up of interrupted saves
    bool ok = ::fchmod(fd, 0644) == 0 && writeAll(fd, bytes, why) && ::fsync(fd) == 0;
    if (!ok && why->isEmpty()) *why = errorText(errno);
    CreateOutcome outcome = ok ? CreateOutcome::Created : CreateOutcome::Failed;
    // A hard link is made only where the name is free, which a rename cannot promise.
    if (ok && ::link(temp.constData(), target.constData()) != 0) {
        const int error = errno;
        if (error == EEXIST) {
            outcome = CreateOutcome::Existed;
        } else if ((error == EPERM || error == EOPNOTSUPP) && ::lstat(target.constData(), &st) != 0 &&
                   ::rename(temp.constData(), target.constData()) == 0) {
            // A file system without hard links (a FAT stick): the name was free a moment ago.
            temp.clear();
        } else {
            *why = errorText(error);
            outcome = CreateOutcome::Failed;
        }
    }
    if (!temp.isEmpty()) ::unlink(temp.constData());
    if (::close(fd) != 0 && outcome == CreateOutcome::Created) {
        *why = errorText(errno);
        ::unlink(target.constData());
        outcome = CreateOutcome::Failed;
    }
    return outcome;
}

void removeInterruptedSaves(const QString& path)
{
    const SaveTarget saved = saveTarget(path);
    if (!saved.refused.isEmpty()) return;
    restoreInterruptedInPlaceSave(saved.path);
    const QFileInfo target(QFile::decodeName(saved.path));
    QDir dir = target.absoluteDir();
    const QString pattern = target.fileName() + QLatin1String(kTemporaryInfix) + QStringLiteral("??????");
    const QStringList leftovers = dir.entryList({pattern}, QDir::Files | QDir::Hidden);
    for (const QString& name : leftovers) {
        const QByteArray file = QFile::encodeName(dir.filePath(name));
        const int fd = ::open(file.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        // A save in progress holds its lock; a file nobody holds is a leftover.
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) ::unlink(file.constData());
        ::close(fd);
    }
}

} // namespace mokuri
