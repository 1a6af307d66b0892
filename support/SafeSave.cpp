#include "support/SafeSave.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
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

} // namespace

bool saveFileAtomically(const QString& path, const QByteArray& bytes, Trace& trace)
{
    const QByteArray target = QFile::encodeName(path);
    QByteArray temp = target + ".XXXXXX";
    QString why;
    bool ok = false;
    int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        why = QString::fromLocal8Bit(std::strerror(errno));
    } else {
        ::fchmod(fd, 0644);
        ok = writeAll(fd, bytes, &why);
        if (ok && ::fsync(fd) != 0) {
            why = QString::fromLocal8Bit(std::strerror(errno));
            ok = false;
        }
        if (::close(fd) != 0 && ok) {
            why = QString::fromLocal8Bit(std::strerror(errno));
            ok = false;
        }
        if (ok && ::rename(temp.constData(), target.constData()) != 0) {
            why = QString::fromLocal8Bit(std::strerror(errno));
            ok = false;
        }
        if (!ok) ::unlink(temp.constData());
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

} // namespace mokuri
