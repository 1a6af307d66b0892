// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/FileStamp.h"

#include <QFile>
#include <sys/stat.h>

namespace mokuri {

FileStamp FileStamp::of(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return {};
    return FileStamp{true, qint64(st.st_size), qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

} // namespace mokuri
