// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/FileRead.h"

#include "support/TextEncoding.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mokuri {

bool isRegularFile(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

ReadResult readFileBytes(const QString& path)
{
    ReadResult r;
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (::stat(name.constData(), &st) != 0) {
        r.status = errno == ENOENT ? ReadStatus::Missing : ReadStatus::Unreadable;
        return r;
    }
    r.status = ReadStatus::Unreadable;
    if (!S_ISREG(st.st_mode)) return r;
    // Non-blocking, so that a file swapped for a FIFO after the check cannot hold the open.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return r;
    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        ::close(fd);
        return r;
    }
    QByteArray bytes(qsizetype(std::min<qint64>(opened.st_size, kMaxTextFileBytes) + 1), Qt::Uninitialized);
    qsizetype got = 0;
    bool failed = false;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, size_t(bytes.size() - got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) failed = true;
        if (n <= 0) break;
        got += n;
    }
    ::close(fd);
    if (failed) return r;
    bytes.truncate(got);
    if (bytes.size() > kMaxTextFileBytes) {
        bytes.truncate(kMaxTextFileBytes);
        bytes.truncate(completeUtf8Length(bytes));
        r.truncated = true;
    }
    r.bytes = bytes;
    r.status = ReadStatus::Ok;
    return r;
}

} // namespace mokuri
