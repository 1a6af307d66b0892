// SPDX-License-Identifier: GPL-3.0-or-later
#include "content/RecordWriter.h"

#include "content/PictureFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mokuri {

RecordWriter::RecordWriter(QString folder) : folder_(std::move(folder)) {}

RecordWriter::~RecordWriter()
{
    if (fd_ >= 0) ::close(fd_);
}

int RecordWriter::openForAppend(const QString& file)
{
    // Read as well, to see whether the last line was torn; non-blocking, so that a FIFO in
    // the record's place cannot hold the game.
    const int fd = ::open(QFile::encodeName(file).constData(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0644);
    if (fd < 0) return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool RecordWriter::open()
{
    opened_ = true;
    const QString inFolder = fileInFolder(folder_, kRecordFileName);
    fd_ = openForAppend(inFolder);
    if (fd_ >= 0) {
        path_ = inFolder;
        return true;
    }
    const QString inState = recordInStateFolder(folder_);
    QDir().mkpath(QFileInfo(inState).path());
    fd_ = openForAppend(inState);
    if (fd_ >= 0) path_ = inState;
    return fd_ >= 0;
}

bool RecordWriter::stillInPlace() const
{
    struct stat open {}, named {};
    return ::fstat(fd_, &open) == 0 && ::stat(QFile::encodeName(path_).constData(), &named) == 0 &&
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
    if (fd_ >= 0) {
        QByteArray bytes = formatRecordLine(line);
        ::flock(fd_, LOCK_EX);
        struct stat st {};
        if (::fstat(fd_, &st) == 0) {
            char last = '\n';
            if (st.st_size == 0) bytes.prepend(recordHeader());
            else if (::pread(fd_, &last, 1, st.st_size - 1) == 1 && last != '\n') bytes.prepend('\n');
            ok = ::write(fd_, bytes.constData(), size_t(bytes.size())) == bytes.size();
        }
        ::flock(fd_, LOCK_UN);
    }
    if (!ok && !complained_) {
        complained_ = true;
        std::fprintf(stderr, "mokuri: the practice record %s cannot be written (%s); play goes on without it\n",
                     qPrintable(path_.isEmpty() ? fileInFolder(folder_, kRecordFileName) : path_), std::strerror(errno));
    }
    return ok;
}

} // namespace mokuri
