// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/SafeSave.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <csignal>
#include <cstdio>
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

// The file a save really replaces: the end of a chain of links (which may not exist yet).
QByteArray saveTarget(const QString& path)
{
    QString target = path;
    for (int hops = 0; hops < 40; ++hops) {
        const QFileInfo info(target);
        if (!info.isSymLink()) break;
        target = info.symLinkTarget();
    }
    return QFile::encodeName(target);
}

// A name no adult gives a file, so that clearing leftovers never touches theirs.
constexpr char kTemporaryInfix[] = ".mokuri-save-";
QByteArray temporaryPattern(const QByteArray& target) { return target + kTemporaryInfix + "XXXXXX"; }

} // namespace

bool saveFileAtomically(const QString& path, const QByteArray& bytes, Trace& trace)
{
    // Over a file-size limit the kernel would kill the program with SIGXFSZ; ignored, the
    // write fails with EFBIG and is reported like a full disk.
    static const bool sizeSignalIgnored = [] {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        return ::sigaction(SIGXFSZ, &ignore, nullptr) == 0;
    }();
    (void)sizeSignalIgnored;

    const QByteArray target = saveTarget(path);
    QByteArray temp = temporaryPattern(target);
    QString why;
    bool ok = false;
    struct stat old {};
    const bool existed = ::stat(target.constData(), &old) == 0;
    const mode_t mode = existed ? (old.st_mode & 07777) : 0644;
    int fd = -1;
    if (existed && (mode & 0222) == 0) {
        // Write-protected by its owner: even root, who could replace it, leaves it be.
        why = QString::fromLocal8Bit(std::strerror(EACCES));
    } else if (existed && !S_ISREG(old.st_mode)) {
        why = QStringLiteral("not a regular file");
    } else if ((fd = ::mkostemp(temp.data(), O_CLOEXEC)) < 0) {
        why = QString::fromLocal8Bit(std::strerror(errno));
    } else {
        // Held while the file is being written, so that another instance's clean-up of
        // interrupted saves can tell this one is alive.
        ::flock(fd, LOCK_EX);
        ::fchmod(fd, mode);
        ok = writeAll(fd, bytes, &why);
        if (ok && ::fsync(fd) != 0) {
            why = QString::fromLocal8Bit(std::strerror(errno));
            ok = false;
        }
        if (ok && ::rename(temp.constData(), target.constData()) != 0) {
            why = QString::fromLocal8Bit(std::strerror(errno));
            ok = false;
        }
        if (!ok) ::unlink(temp.constData());
        if (::close(fd) != 0 && ok) {
            why = QString::fromLocal8Bit(std::strerror(errno));
            ok = false;
        }
    }
    if (!ok) {
        std::fprintf(stderr, "mokuri: could not save %s (%s); the old file is kept and the values hold until the program ends\n",
                     qPrintable(QFileInfo(path).absoluteFilePath()), qPrintable(why));
        trace.event("warning", {QStringLiteral("could not save ") + path});
        return false;
    }
    trace.event("save", {path});
    return true;
}

void removeInterruptedSaves(const QString& path)
{
    const QFileInfo target(QFile::decodeName(saveTarget(path)));
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
