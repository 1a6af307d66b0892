// SPDX-License-Identifier: GPL-3.0-or-later
#include "content/RecordWriter.h"
#include "support/Logging.h"

#include "content/PictureFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace mokuri {

RecordWriter::RecordWriter(QString folder) : folder_(std::move(folder)) {}

RecordWriter::~RecordWriter()
{
    if (fd_ >= 0) ::close(fd_);
}

int RecordWriter::openForAppend(const QString& file, QString* why)
{
    // Never through a link: in a folder others can write to, a planted link would have the
    // game append to (or create) a file of the adult's. Read as well, to see whether the
    // last line was torn; non-blocking, so that a FIFO in the record's place cannot hold the game.
    const int fd = ::open(QFile::encodeName(file).constData(),
                          O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW, 0644);
    if (fd < 0) {
        *why = errno == ELOOP ? QStringLiteral("it is a symbolic link") : QString::fromLocal8Bit(std::strerror(errno));
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) *why = QStringLiteral("it is not a regular file");
    else if (st.st_uid != ::geteuid()) *why = QStringLiteral("it belongs to another account");
    else return fd;
    ::close(fd);
    return -1;
}

int RecordWriter::columnsOfOpenRecord() const
{
    char head[512];
    const ssize_t n = ::pread(fd_, head, sizeof head, 0);
    return recordColumnsOf(QByteArrayView(head, std::max<ssize_t>(n, 0)));
}

bool RecordWriter::open()
{
    opened_ = true;
    columns_ = -1;
    const QString inFolder = fileInFolder(folder_, kRecordFileName);
    QString whyNotInFolder, whyNotInState;
    fd_ = openForAppend(inFolder, &whyNotInFolder);
    if (fd_ >= 0) {
        path_ = inFolder;
        return true;
    }
    const QString inState = recordInStateFolder(folder_);
    if (inState.isEmpty()) {
        whyNotInState = QStringLiteral("there is no home folder");
    } else if (!QDir().mkpath(QFileInfo(inState).path())) {
        whyNotInState = QStringLiteral("its folder cannot be made");
    } else if ((fd_ = openForAppend(inState, &whyNotInState)) >= 0) {
        path_ = inState;
        // A folder that is simply read-only is the usual case; anything else is worth a word.
        if ((QFileInfo(inFolder).isSymLink() || QFileInfo(inFolder).exists()) && !std::exchange(toldWhy_, true))
            qCWarning(logContent, "the practice record %s is not used (%s); the record goes to %s",
                         qPrintable(inFolder), qPrintable(whyNotInFolder), qPrintable(inState));
        return true;
    }
    complained_ = true;
    qCWarning(logContent, "the practice record can be written neither as %s (%s) nor as %s (%s); play goes on without it",
                 qPrintable(inFolder), qPrintable(whyNotInFolder), qPrintable(inState.isEmpty() ? QStringLiteral("-") : inState),
                 qPrintable(whyNotInState));
    return false;
}

bool RecordWriter::stillInPlace() const
{
    // By the name itself, not through a link: a record swapped for a link is reopened, and refused.
    struct stat open {}, named {};
    return ::fstat(fd_, &open) == 0 && ::lstat(QFile::encodeName(path_).constData(), &named) == 0 &&
           open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

bool RecordWriter::append(const RecordLine& line)
{
    // An adult who deletes the record to start afresh gets a new one from the next line on,
    // not lines going on into the deleted file.
    if (fd_ >= 0 && !stillInPlace()) {
        ::close(fd_);
        fd_ = -1;
        opened_ = false;
    }
    if (!opened_) open();
    bool ok = false;
    errno = 0;
    if (fd_ >= 0) {
        ::flock(fd_, LOCK_EX);
        struct stat st {};
        if (::fstat(fd_, &st) == 0) {
            // A record an older version began keeps its columns.
            if (st.st_size == 0) columns_ = recordColumnCount();
            else if (columns_ < 0) columns_ = columnsOfOpenRecord();
            QByteArray bytes = formatRecordLine(line, columns_);
            char last = '\n';
            if (st.st_size == 0) bytes.prepend(recordHeader());
            else if (::pread(fd_, &last, 1, st.st_size - 1) == 1 && last != '\n') bytes.prepend('\n');
            ok = ::write(fd_, bytes.constData(), size_t(bytes.size())) == bytes.size();
        }
        ::flock(fd_, LOCK_UN);
    }
    if (!ok && !complained_) {
        complained_ = true;
        qCWarning(logContent, "the practice record %s cannot be written (%s); play goes on without it",
                     qPrintable(path_), errno ? std::strerror(errno) : "a short write");
    }
    return ok;
}

} // namespace mokuri
