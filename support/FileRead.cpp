#include "support/FileRead.h"

#include <QFile>
#include <QFileInfo>

namespace mokuri {

ReadResult readFileBytes(const QString& path)
{
    ReadResult r;
    QFileInfo info(path);
    if (!info.exists()) {
        r.status = ReadStatus::Missing;
        return r;
    }
    QFile f(path);
    if (info.isDir() || !f.open(QIODevice::ReadOnly)) {
        r.status = ReadStatus::Unreadable;
        return r;
    }
    r.bytes = f.read(kMaxTextFileBytes);
    r.status = f.error() == QFile::NoError ? ReadStatus::Ok : ReadStatus::Unreadable;
    return r;
}

} // namespace mokuri
